#include "app/dialogs/MapperDlg.h"

#include "app/dialogs/MapperProgressDlg.h"
#include "app/dialogs/SpiderDlg.h"
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "gui/common/ModalDialogs.h"
#include "gui/editors/PathSelector.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/layouts/CollapsableFrame.h"
#include "mapping/Mapper.h"
#include "mapping/SpiderJob.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/SelectionSet.h"
#include "scene/readers/Importer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <vector>

namespace GUI {

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kValueRole = Qt::UserRole + 1;

// The last run's choices, by control name, for the next window of this session.
QHash<QString, QVariant> &LastChoices()
{
    static QHash<QString, QVariant> choices;
    return choices;
}

// The box's index, or the first item's for an empty box.
int Index(const QComboBox *box) { return std::max(0, box->currentIndex()); }

// Plain text-to-integer conversion: text that is not a number gives 0.
int Number(const QLineEdit *edit) { return edit->text().trimmed().toInt(); }

// The displacement-type box's items as "Displacement Map Format" items.
constexpr int kDisplacementFormats[] = {MapExtraction::map8Bit, MapExtraction::mapFloat,
                                        MapExtraction::mapNormalAlpha};

struct ChainOwner {
    ~ChainOwner() { Importer::DeleteChain(first); }
    Object *first = nullptr;
};

std::vector<SubdivLevel *> LevelsOf(Object *object)
{
    std::vector<SubdivLevel *> levels;
    for (int i = 0; i < object->LevelCount(); ++i)
        if (SubdivLevel *level = object->GetLevel(i))
            levels.push_back(level);
    return levels;
}

}  // namespace

MapperDlg::MapperDlg(QWidget *parent) : Dialog(parent, "MapperDlg")
{
    setWindowTitle(tr("Texture Baking"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    Refresh();
    Recall();
    resize(420, 640);
}

MapperDlg::~MapperDlg() = default;

void MapperDlg::BuildControls()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("area"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_pPropertyArea = new CollapsableContainer(scroll, true);
    scroll->setWidget(m_pPropertyArea);
    m_pStart = new QPushButton(tr("Start"), this);
    m_pStart->setObjectName(QStringLiteral("start"));
    m_pCancel = new QPushButton(tr("Close"), this);
    m_pCancel->setObjectName(QStringLiteral("cancel"));

    auto named = [](auto *widget, const char *name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };
    auto combo = [&](const char *name, std::initializer_list<const char *> items) {
        auto *box = named(new QComboBox(this), name);
        for (const char *item : items)
            box->addItem(tr(item));
        return box;
    };
    auto line = [&](const char *name, const QString &text) {
        auto *edit = named(new QLineEdit(text, this), name);
        return edit;
    };
    auto check = [&](const char *name, const char *text, bool on) {
        auto *box = named(new QCheckBox(tr(text), this), name);
        box->setChecked(on);
        return box;
    };

    m_pLowMesh = named(new QComboBox(this), "lowMesh");
    m_pLowMesh->setFixedWidth(180);
    m_pLowSubdivision = combo("lowSubdivision", {"None", "Good", "High", "Highest"});
    m_pSelectedOnly = check("selectedOnly", "Selected faces only", false);
    m_pHighMesh = named(new QComboBox(this), "highMesh");
    m_pBrowseHigh = named(new QPushButton(QStringLiteral("..."), this), "browseHigh");
    m_pBrowseHigh->setFixedWidth(30);
    m_pHighSubdivision = combo("highSubdivision", {"None", "Good", "High", "Highest"});
    m_pOutputFolder = named(new FileSelector(0, this), "outputFolder");
    m_pOutputFolder->GetEdit()->setObjectName(QStringLiteral("outputFolderText"));
    m_pNormalMap = check("normalMap", "Create normal map", true);
    m_pNormalMask = line("normalMask", QStringLiteral("normal_%i"));
    m_pDisplacementMap = check("displacementMap", "Create displacement map", true);
    m_pDisplacementMask = line("displacementMask", QStringLiteral("displacement_%i"));
    m_pSkipEmpty = check("skipEmpty", "Skip empty maps", false);
    m_pTilesPerRow = line("tilesPerRow", QStringLiteral("1"));
    m_pFirstTile = line("firstTile", QStringLiteral("1"));
    m_pWidth = line("width", QStringLiteral("1024"));
    m_pHeight = line("height", QStringLiteral("1024"));
    m_pEdgeBleeding = line("edgeBleeding", QStringLiteral("10"));
    m_pNormalFormat = combo("normalFormat", {"8 bit", "16 bit", "32 bit"});
    m_pNormalSpace = combo("normalSpace", {"Object", "Tangent", "World"});
    m_pNormalSpace->setCurrentIndex(1);
    m_pDisplacementType = combo("displacementType", {"8 bit", "32 bit float", "Normal alpha"});
    m_pSmoothUVs = check("smoothUVs", "Smooth UVs", false);
    m_pFillWholeMaps = check("fillWholeMaps", "Fill whole maps", false);
    m_pRange = named(new TextSlider(3, this, "range"), "range");
    m_pRange->SetRange(0.0f, MapExtraction::Info::kLargestSearchDistance);
    m_pRange->setValue(1.0f);
    m_pRayCenter = combo("rayCenter", {"Furthest outside", "Furthest inside", "Closest to lowres mesh"});
    m_pRayCenter->setCurrentIndex(2);
    m_pBothSides = check("bothSides", "Test both sides", false);
    m_pSmoothNormals = check("smoothNormals", "Smooth normals", true);
    m_pWorkers = line("workers", QStringLiteral("2"));
    m_pSaveJob = named(new QPushButton(tr("Render farm job..."), this), "saveJob");

    // A caption beside its control as one cell of a frame's single column.
    auto label = [&](const char *text) { return new QLabel(tr(text), this); };
    auto addRow = [&](CollapsableFrame *frame, QLabel *caption, QWidget *editor) {
        if (!caption) {
            frame->AddToBody(editor);
            return;
        }
        auto *row = new QWidget(this);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        caption->setFixedWidth(125);
        layout->addWidget(caption);
        // A control of fixed width keeps to the left of its row.
        const bool fixed = editor->maximumWidth() < QWIDGETSIZE_MAX;
        layout->addWidget(editor, fixed ? 0 : 1);
        if (fixed)
            layout->addStretch(1);
        frame->AddToBody(row);
    };
    CollapsableFrame *low = m_pPropertyArea->AddFrame(tr("-Low Resolution Mesh"), true);
    addRow(low, label("Mesh"), m_pLowMesh);
    addRow(low, label("Subdivision"), m_pLowSubdivision);
    addRow(low, nullptr, m_pSelectedOnly);
    addRow(low, nullptr, m_pSmoothUVs);
    CollapsableFrame *high = m_pPropertyArea->AddFrame(tr("-High Resolution Mesh"), true);
    auto *highRow = new QWidget(this);
    auto *highLayout = new QHBoxLayout(highRow);
    highLayout->setContentsMargins(0, 0, 0, 0);
    highLayout->addWidget(m_pHighMesh, 1);
    highLayout->addWidget(m_pBrowseHigh);
    addRow(high, label("Mesh"), highRow);
    addRow(high, label("Subdivision"), m_pHighSubdivision);
    addRow(high, label("Range"), m_pRange);
    addRow(high, label("Ray center"), m_pRayCenter);
    addRow(high, nullptr, m_pBothSides);
    CollapsableFrame *maps = m_pPropertyArea->AddFrame(tr("-Maps"), true);
    addRow(maps, label("Folder"), m_pOutputFolder);
    addRow(maps, nullptr, m_pNormalMap);
    addRow(maps, label("Normal map"), m_pNormalMask);
    addRow(maps, label("Normal format"), m_pNormalFormat);
    addRow(maps, label("Normal space"), m_pNormalSpace);
    addRow(maps, nullptr, m_pSmoothNormals);
    addRow(maps, nullptr, m_pDisplacementMap);
    addRow(maps, label("Displacement map"), m_pDisplacementMask);
    addRow(maps, label("Displacement"), m_pDisplacementType);
    addRow(maps, label("Width"), m_pWidth);
    addRow(maps, label("Height"), m_pHeight);
    addRow(maps, label("Edge bleeding"), m_pEdgeBleeding);
    addRow(maps, nullptr, m_pFillWholeMaps);
    CollapsableFrame *tiles = m_pPropertyArea->AddFrame(tr("-Tiles and Workers"), true);
    addRow(tiles, label("Tiles per row"), m_pTilesPerRow);
    addRow(tiles, label("First tile id"), m_pFirstTile);
    addRow(tiles, nullptr, m_pSkipEmpty);
    addRow(tiles, label("Workers"), m_pWorkers);
    addRow(tiles, nullptr, m_pSaveJob);

    // Return in a field confirms the field: it presses no button (a bake, a browser, a frame's fold).
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(m_pStart, &QPushButton::clicked, this, &MapperDlg::StartMapping);
    connect(m_pCancel, &QPushButton::clicked, this, &MapperDlg::CancelMapping);
    connect(m_pBrowseHigh, &QPushButton::clicked, this, &MapperDlg::BrowseForHighMesh);
    connect(m_pSaveJob, &QPushButton::clicked, this, &MapperDlg::SaveSpiderJob);
}

void MapperDlg::resizeEvent(QResizeEvent *event)
{
    const int w = event->size().width(), h = event->size().height();
    m_pStart->move(w / 2 - m_pStart->width() - 10, h - 30);
    m_pCancel->move(w / 2 + 10, h - 30);
    if (QWidget *area = findChild<QScrollArea *>(QStringLiteral("area")))
        area->setGeometry(0, 0, w, h - 60);
    Dialog::resizeEvent(event);
}

void MapperDlg::Refresh()
{
    Scene *scene = Scene::GetCurrent();
    const QString lowText = m_pLowMesh->currentText();
    m_pLowMesh->clear();
    // Files chosen by browsing stay; scene items are listed again.
    QList<QPair<QString, QString>> files;
    for (int i = 0; i < m_pHighMesh->count(); ++i)
        if (m_pHighMesh->itemData(i, kKindRole).toInt() == kHighFile)
            files.append({m_pHighMesh->itemText(i), m_pHighMesh->itemData(i, kValueRole).toString()});
    const QString highText = m_pHighMesh->currentText();
    m_pHighMesh->clear();
    if (scene) {
        for (int i = 0; i < scene->GetObjectCount(); ++i) {
            Object *object = scene->GetObject(i);
            for (int l = 0; object && l < object->LevelCount(); ++l)
                if (SubdivLevel *level = object->GetLevel(l))
                    m_pLowMesh->addItem(QStringLiteral("%1 (level: %2)").arg(object->GetObjectName()).arg(l),
                                        level->GetId());
            if (object) {
                m_pHighMesh->addItem(object->GetName());
                m_pHighMesh->setItemData(m_pHighMesh->count() - 1, int(kHighObject), kKindRole);
                m_pHighMesh->setItemData(m_pHighMesh->count() - 1, object->GetId(), kValueRole);
            }
        }
        for (SelectionSet *set = scene->m_pSelectionSets; set; set = set->m_pNext) {
            m_pHighMesh->addItem(tr("Selection set: %1").arg(set->m_sSetName));
            m_pHighMesh->setItemData(m_pHighMesh->count() - 1, int(kHighSelectionSet), kKindRole);
            m_pHighMesh->setItemData(m_pHighMesh->count() - 1, set->GetId(), kValueRole);
        }
    }
    for (const auto &file : files) {
        m_pHighMesh->addItem(file.first);
        m_pHighMesh->setItemData(m_pHighMesh->count() - 1, int(kHighFile), kKindRole);
        m_pHighMesh->setItemData(m_pHighMesh->count() - 1, file.second, kValueRole);
    }
    if (m_pLowMesh->findText(lowText) >= 0)
        m_pLowMesh->setCurrentIndex(m_pLowMesh->findText(lowText));
    // No high surface is chosen until the person chooses one.
    m_pHighMesh->setCurrentIndex(m_pHighMesh->findText(highText));
    Dialog::Refresh();
}

SubdivLevel *MapperDlg::GetSubdivLevel(const QString &text, int levelId)
{
    const qsizetype at = text.indexOf(QLatin1String(" (level: "));
    Scene *scene = Scene::GetCurrent();
    if (at < 0 || !scene)
        return nullptr;
    const QString name = text.left(at);
    for (int i = 0; i < scene->GetObjectCount(); ++i) {
        Object *object = scene->GetObject(i);
        // The object's own name: its display name counts its levels, which change.
        if (!object || object->GetObjectName() != name)
            continue;
        for (int l = 0; l < object->LevelCount(); ++l)
            if (SubdivLevel *level = object->GetLevel(l); level && level->GetId() == levelId)
                return level;
    }
    return nullptr;
}

int MapperDlg::WorkerCount() const { return std::max(1, Number(m_pWorkers)); }

void MapperDlg::Fill(MapExtraction::Info &info)
{
    const int lowIndex = m_pLowMesh->currentIndex();
    info.m_aLowMesh.SetValue(
        lowIndex < 0 ? nullptr : GetSubdivLevel(m_pLowMesh->currentText(), m_pLowMesh->itemData(lowIndex).toInt()));
    info.m_aLowSubdivision.SetValue(Index(m_pLowSubdivision));
    info.m_aSelectedOnly.SetValue(m_pSelectedOnly->isChecked());
    // The high surface: a scene object, a selection set or a mesh file, whichever is chosen.
    const int highIndex = m_pHighMesh->currentIndex();
    const int kind = highIndex < 0 ? 0 : m_pHighMesh->itemData(highIndex, kKindRole).toInt();
    const QVariant value = highIndex < 0 ? QVariant() : m_pHighMesh->itemData(highIndex, kValueRole);
    Scene *scene = Scene::GetCurrent();
    info.m_aHighMesh.SetValue(nullptr);
    info.m_aSelectionSet.SetValue(nullptr);
    info.m_aLoadMeshFromFile.SetValue(QString());
    if (kind == kHighObject && scene) {
        for (int i = 0; i < scene->GetObjectCount(); ++i)
            if (Object *object = scene->GetObject(i); object && object->GetId() == value.toInt())
                info.m_aHighMesh.SetValue(object);
    } else if (kind == kHighSelectionSet && scene) {
        for (SelectionSet *set = scene->m_pSelectionSets; set; set = set->m_pNext)
            if (set->GetId() == value.toInt())
                info.m_aSelectionSet.SetValue(set);
    } else if (kind == kHighFile) {
        info.m_aLoadMeshFromFile.SetValue(value.toString());
    }
    info.m_sMapFolder = m_pOutputFolder->GetDirectory();
    info.m_aCreateNormalMap.SetValue(m_pNormalMap->isChecked());
    info.m_aNormalMapFilename.SetValue(m_pNormalMask->text());
    info.m_aCreateDisplacementMap.SetValue(m_pDisplacementMap->isChecked());
    info.m_aDisplacementMapFilename.SetValue(m_pDisplacementMask->text());
    info.m_aSkipEmptyMaps.SetValue(m_pSkipEmpty->isChecked());
    info.m_aURange.SetValue(std::max(1, Number(m_pTilesPerRow)));
    info.m_aUStart.SetValue(Number(m_pFirstTile));
    info.m_aMapWidth.SetValue(Number(m_pWidth));
    info.m_aMapHeight.SetValue(Number(m_pHeight));
    info.m_aEdgeBleeding.SetValue(std::max(0, Number(m_pEdgeBleeding)));
    info.m_aNormalMapFormat.SetValue(Index(m_pNormalFormat));
    info.m_aNormalMapSpace.SetValue(Index(m_pNormalSpace));
    // The type reaches the run through the format setting, which every run starts from.
    info.m_aDisplacementMapFormat.SetValue(kDisplacementFormats[std::min(Index(m_pDisplacementType), 2)]);
    info.m_aSmoothUVs.SetValue(m_pSmoothUVs->isChecked());
    info.m_aFillWholeMaps.SetValue(m_pFillWholeMaps->isChecked());
    info.m_aSearchDistance.SetValue(std::fabs(m_pRange->GetValue()));
    info.m_aRayCenter.SetValue(Index(m_pRayCenter));
    info.m_aTestBothSides.SetValue(m_pBothSides->isChecked());
    info.m_aSmoothNormals.SetValue(m_pSmoothNormals->isChecked());
    info.m_aHighSubdivision.SetValue(Index(m_pHighSubdivision));
    if (auto *mapper = dynamic_cast<MapExtraction::Mapper *>(&info))
        mapper->m_iWorkers = WorkerCount();
}

void MapperDlg::BrowseForHighMesh()
{
    const QString file = Modals().GetOpenFileName(
        this, tr("Choose mesh file"), QStringLiteral("./"),
        tr("All mesh files (*.obj *.bio);;Wavefront mesh files (*.obj);;Binary mesh files (*.bio)"));
    if (file.isEmpty())
        return;
    m_pHighMesh->addItem(file);
    m_pHighMesh->setItemData(m_pHighMesh->count() - 1, int(kHighFile), kKindRole);
    m_pHighMesh->setItemData(m_pHighMesh->count() - 1, file, kValueRole);
    m_pHighMesh->setCurrentIndex(m_pHighMesh->count() - 1);
}

void MapperDlg::Remember() const
{
    QHash<QString, QVariant> &choices = LastChoices();
    for (QLineEdit *edit : {m_pNormalMask, m_pDisplacementMask, m_pTilesPerRow, m_pFirstTile, m_pWidth, m_pHeight,
                            m_pEdgeBleeding, m_pWorkers, m_pOutputFolder->GetEdit()})
        choices[edit->objectName()] = edit->text();
    for (QCheckBox *box : {m_pSelectedOnly, m_pNormalMap, m_pDisplacementMap, m_pSkipEmpty, m_pSmoothUVs,
                           m_pFillWholeMaps, m_pBothSides, m_pSmoothNormals})
        choices[box->objectName()] = box->isChecked();
    for (QComboBox *box : {m_pLowMesh, m_pLowSubdivision, m_pHighMesh, m_pNormalFormat, m_pNormalSpace,
                           m_pDisplacementType, m_pRayCenter, m_pHighSubdivision})
        choices[box->objectName()] = box->currentText();
    choices[QStringLiteral("range")] = double(m_pRange->GetValue());
}

void MapperDlg::Recall()
{
    const QHash<QString, QVariant> &choices = LastChoices();
    if (choices.isEmpty())
        return;
    for (QLineEdit *edit : {m_pNormalMask, m_pDisplacementMask, m_pTilesPerRow, m_pFirstTile, m_pWidth, m_pHeight,
                            m_pEdgeBleeding, m_pWorkers, m_pOutputFolder->GetEdit()})
        edit->setText(choices.value(edit->objectName()).toString());
    for (QCheckBox *box : {m_pSelectedOnly, m_pNormalMap, m_pDisplacementMap, m_pSkipEmpty, m_pSmoothUVs,
                           m_pFillWholeMaps, m_pBothSides, m_pSmoothNormals})
        box->setChecked(choices.value(box->objectName()).toBool());
    for (QComboBox *box : {m_pLowMesh, m_pLowSubdivision, m_pHighMesh, m_pNormalFormat, m_pNormalSpace,
                           m_pDisplacementType, m_pRayCenter, m_pHighSubdivision}) {
        const int index = box->findText(choices.value(box->objectName()).toString());
        if (index >= 0)
            box->setCurrentIndex(index);
    }
    m_pRange->setValue(float(choices.value(QStringLiteral("range"), 1.0).toDouble()));
}

void MapperDlg::ShowOutcome(bool warning, const QString &title, const QString &text)
{
    General::Shell().ShowMessage(warning ? General::ShellServices::kWarning : General::ShellServices::kInformation,
                                 title, text);
}

void MapperDlg::StartMapping()
{
    if (m_pRunning)
        return;
    auto mapper = std::make_unique<MapExtraction::Mapper>();
    Fill(*mapper);
    Remember();
    m_pStart->setEnabled(false);
    MapperProgressDlg *progress = Results();
    MapExtraction::Mapper *engine = mapper.get();
    mapper->m_pProgress = progress;
    m_pRunning = engine;
    bool ok = false;
    QString error;
    try {
        mapper->CheckLowResMesh();
        ok = mapper->Start();
    } catch (const General::Error &e) {
        error = e.GetMessage();
    } catch (General::Error *e) {
        error = e->GetMessage();
        delete e;
    } catch (const std::bad_alloc &) {
        error = tr("Not enough memory");
    }
    m_pRunning = nullptr;
    mapper->m_pProgress = nullptr;
    const QString finished = mapper->FinishedText(false);
    const bool notices = !mapper->m_aNotices.isEmpty();
    const QString failure = mapper->m_sFailure;
    // The person may have closed the results window during the run.
    if (!error.isEmpty() && m_pResults)
        m_pResults->Finish();
    mapper.reset();
    // Whatever the outcome, the next run can start.
    m_pStart->setEnabled(true);
    if (!error.isEmpty()) {
        Log("Map extraction failed\n");
        ShowOutcome(true, tr("Error"), error);
    } else if (ok) {
        // Flat maps and maps that mostly missed are a success the person must hear about.
        ShowOutcome(notices, tr("Finished"), finished);
    } else {
        // The reason is what the person can act on: a search distance, a file, the memory.
        ShowOutcome(true, tr("Error"),
                    failure.isEmpty() ? tr("Map extraction failed") : tr("Map extraction failed: %1").arg(failure));
    }
    if (m_bCloseAfterRun)
        close();
}

MapperProgressDlg *MapperDlg::Results()
{
    if (m_pResults) {
        m_pResults->BeginRun();
        return m_pResults;
    }
    m_pResults = new MapperProgressDlg(parentWidget() ? parentWidget() : this);
    m_pResults->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_pResults, &MapperProgressDlg::cancelRequested, this, [this] {
        if (m_pRunning)
            m_pRunning->RequestStop();
    });
    // Closed during a run, the window takes itself out of the run's reach.
    connect(m_pResults, &QObject::destroyed, this, [this] {
        if (m_pRunning)
            m_pRunning->m_pProgress = nullptr;
    });
    return m_pResults;
}

void MapperDlg::CancelMapping()
{
    if (m_pRunning) {
        // The run lives in StartMapping's frame below this one: it stops, then the window goes.
        m_bCloseAfterRun = true;
        m_pRunning->RequestStop();
        return;
    }
    close();
}

void MapperDlg::closeEvent(QCloseEvent *event)
{
    if (m_pRunning) {
        m_bCloseAfterRun = true;
        m_pRunning->RequestStop();
        event->ignore();
        return;
    }
    // The tool windows' reject() keeps them open on Escape, so the dialog's own close
    // handling (which rejects) would refuse: the window closes here.
    event->accept();
}

void MapperDlg::SaveSpiderJob()
{
    MapExtraction::Info info;
    Fill(info);
    try {
        info.CheckLowResMesh();
    } catch (const General::Error &e) {
        ShowOutcome(true, tr("Error"), e.GetMessage());
        return;
    }
    Object *highObject = info.m_aHighMesh.GetValue();
    auto *highSet = static_cast<SelectionSet *>(info.m_aSelectionSet.GetValue());
    const QString highFile = info.m_aLoadMeshFromFile.GetValue();
    if (!highObject && !highSet && highFile.isEmpty()) {
        ShowOutcome(true, tr("Error"), tr("No high resolution mesh specified"));
        return;
    }
    SpiderDlg dialog(highFile, parentWidget());
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString chosenFilter;
    const QString jobFile = Modals().GetSaveFileName(parentWidget(), tr("File to save for spider project"), QString(),
                                                     QStringLiteral("Spider project files (*.RDR)"), chosenFilter);
    if (jobFile.isEmpty())
        return;
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    MapExtraction::SpiderJob job;
    job.title = dialog.m_cTitle->text();
    // Absolute paths: every computer reads the same file, and no path reads as a switch.
    job.lowMeshPath = QFileInfo(dialog.m_cLowResPath->text()).absoluteFilePath();
    job.highMeshPath = QFileInfo(dialog.m_cHighResPath->text()).absoluteFilePath();
    job.workers = WorkerCount();
    if (dialog.m_cLowResPath->text().isEmpty() || dialog.m_cHighResPath->text().isEmpty()) {
        ShowOutcome(true, tr("Error"), tr("Both mesh files must be named"));
        return;
    }
    if (!scene->ExportLevels(job.lowMeshPath, false, false, true, {info.m_aLowMesh.GetValue()})) {
        ShowOutcome(true, tr("Error"), tr("Cannot write the low resolution mesh to %1").arg(job.lowMeshPath));
        return;
    }
    // The high surface as the run would use it: the object's levels, the set's levels, or
    // the mesh file (unless the job names that file itself).
    std::vector<SubdivLevel *> high;
    ChainOwner imported;
    if (highObject) {
        high = LevelsOf(highObject);
    } else if (highSet) {
        for (const auto &entry : highSet->m_aEntries)
            if (entry->level)
                high.push_back(entry->level);
    } else if (QFileInfo(highFile).absoluteFilePath() != job.highMeshPath) {
        std::unique_ptr<Importer> importer(Importer::Create(highFile, nullptr));
        imported.first = importer ? importer->DoImport() : nullptr;
        if (!imported.first) {
            ShowOutcome(true, tr("Error"), tr("Cannot read the high resolution mesh %1").arg(highFile));
            return;
        }
        for (Object *object = imported.first; object; object = object->m_pNextObject)
            for (SubdivLevel *level : LevelsOf(object))
                high.push_back(level);
    }
    if (!high.empty() && !scene->ExportLevels(job.highMeshPath, false, false, true, high)) {
        ShowOutcome(true, tr("Error"), tr("Cannot write the high resolution mesh to %1").arg(job.highMeshPath));
        return;
    }
    QString error;
    if (!job.Write(jobFile, info, &error))
        ShowOutcome(true, tr("Error"), error);
}

}  // namespace GUI
