// The "Texture Baking" window driven as a person drives it, in the real main window: a
// bake from it writes the same bytes as the headless batch bake with the same settings,
// a bake without a high surface is refused, and closing during a bake waits for the run.
#include "WindowFixture.h"

#include "app/dialogs/MapperDlg.h"
#include "app/dialogs/MapperProgressDlg.h"
#include "app/dialogs/SpiderDlg.h"
#include "app/startup/CommandLine.h"
#include "mapping/SpiderJob.h"
#include "gui/common/ModalDialogs.h"
#include "gui/editors/PathSelector.h"
#include "gui/editors/TextSlider.h"
#include "gui/panels/FloatingPanel.h"
#include "interaction/Interface.h"
#include "mapping/FileBake.h"
#include "mapping/MapBuffer.h"
#include "mapping/Mapper.h"
#include "mapping/SheetFixtures.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

class ScriptedModals : public GUI::ModalDialogs {
public:
    QString GetOpenFileName(QWidget *, const QString &caption, const QString &, const QString &) override
    {
        captions << caption;
        return open;
    }
    QString GetSaveFileName(QWidget *, const QString &caption, const QString &, const QString &filter,
                            QString &chosenFilter) override
    {
        captions << caption;
        chosenFilter = filter;
        return save;
    }
    QString open;
    QString save;
    QStringList captions;
};

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

class MapperDlgTest : public apptest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        GUI::ModalDialogs::Install(&m_modals);
        fixtures::WriteSheet(File(QStringLiteral("low.obj")), 4, [](float, float) { return 0.0f; }, true);
        fixtures::WriteSheet(File(QStringLiteral("high.obj")), 80, fixtures::Wave, false);
        for (const char *folder : {"dialog", "batch"})
            ASSERT_TRUE(QDir(m_dir.path()).mkpath(QLatin1String(folder)));
    }
    void TearDown() override
    {
        GUI::ModalDialogs::Install(nullptr);
        MainWindowTest::TearDown();
    }

    // The window with the low sheet as its scene, and the baking window opened by its command.
    GUI::MapperDlg *Open()
    {
        Build();
        m_window->GetInterface()->OpenFile(false, File(QStringLiteral("low.obj")), 0);
        EXPECT_EQ(m_window->GetScene()->GetObjectCount(), 1);
        m_window->GetInterface()->RunCommand("Texture bake");
        const QList<GUI::MapperDlg *> dialogs = m_window->findChildren<GUI::MapperDlg *>();
        return dialogs.isEmpty() ? nullptr : dialogs.back();
    }

    // The settings of the batch comparison, entered as a person enters them.
    void Enter(GUI::MapperDlg &dialog, int size)
    {
        dialog.m_pLowMesh->setCurrentIndex(0);
        Type(dialog.m_pOutputFolder->GetEdit(), File(QStringLiteral("dialog")));
        Type(dialog.m_pNormalMask, QStringLiteral("n"));
        Type(dialog.m_pDisplacementMask, QStringLiteral("d"));
        Type(dialog.m_pWidth, QString::number(size));
        Type(dialog.m_pHeight, QString::number(size));
        Type(dialog.m_pRange->GetEdit(), QStringLiteral("0.3"));
        dialog.m_pNormalFormat->setCurrentIndex(2);
        dialog.m_pDisplacementType->setCurrentIndex(1);
    }

    // The batch bake of the same sheets and settings (32 pixels, float maps, search
    // distance 0.3) writes the bytes the maps in `folder` hold.
    void ExpectTheBatchBakesBytes(const QString &folder)
    {
        MapExtraction::Mapper batch;
        batch.m_aMapWidth.SetValue(32);
        batch.m_aMapHeight.SetValue(32);
        batch.m_aNormalMapFormat.SetValue(2);
        batch.m_aDisplacementMapFormat.SetValue(MapExtraction::mapFloat);
        batch.m_aNormalMapFilename.SetValue(QStringLiteral("n"));
        batch.m_aDisplacementMapFilename.SetValue(QStringLiteral("d"));
        batch.m_sMapFolder = File(QStringLiteral("batch/"));
        // The search distance follows the low mesh, so it is set once the bake has the mesh:
        // the same order as the command line's switches after the engine's defaults.
        batch.m_aSearchDistance.SetValue(0.3f);
        QString error;
        ASSERT_TRUE(MapExtraction::BakeFromFiles(batch, File(QStringLiteral("low.obj")),
                                                 File(QStringLiteral("high.obj")), &error))
            << qPrintable(error);
        for (const char *map : {"n.tif", "d.tif"}) {
            const QByteArray baked = Bytes(File(folder + QLatin1String(map)));
            EXPECT_FALSE(baked.isEmpty()) << map;
            EXPECT_EQ(baked, Bytes(File(QStringLiteral("batch/") + QLatin1String(map)))) << map;
        }
    }

    // A baking operation made from Utilities > Texture Baking > New Operation, named `name`.
    MapExtraction::Mapper *NewOperation(const QString &name)
    {
        QMenu *bakes = nullptr;
        for (QAction *top : m_window->menuBar()->actions())
            if (top->text() == QLatin1String("Utilities"))
                for (QAction *entry : top->menu()->actions())
                    if (entry->text() == QLatin1String("Texture Baking"))
                        bakes = entry->menu();
        if (!bakes)
            return nullptr;
        emit bakes->aboutToShow();
        for (QAction *entry : bakes->actions())
            if (entry->text() == QLatin1String("New Operation"))
                entry->trigger();
        for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
            if (node->GetTypeInfo() == &MapExtraction::Mapper::s_typeInfo && node->GetName() == name)
                return static_cast<MapExtraction::Mapper *>(node);
        return nullptr;
    }
    // The Start button of the operation's page.
    QPushButton *PageStart(const QString &name)
    {
        for (auto *panel : m_window->findChildren<GUI::FloatingPanel *>())
            if (panel->windowTitle() == name)
                for (auto *button : panel->findChildren<QPushButton *>())
                    if (button->text() == QLatin1String("Start"))
                        return button;
        return nullptr;
    }

    ScriptedModals m_modals;
};

}  // namespace

TEST_F(MapperDlgTest, ABakeFromTheWindowWritesTheBytesOfTheBatchBake)
{
    REQUIRE_WINDOW_GL();
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    Enter(*dialog, 32);
    m_modals.open = File(QStringLiteral("high.obj"));
    QTest::mouseClick(dialog->m_pBrowseHigh, Qt::LeftButton);
    EXPECT_EQ(m_modals.captions, QStringList{QStringLiteral("Choose mesh file")});
    EXPECT_EQ(dialog->m_pHighMesh->currentText(), File(QStringLiteral("high.obj")));
    EXPECT_EQ(dialog->m_pRange->GetValue(), 0.3f);
    dialog->grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/texture_baking.png"));
    QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
    EXPECT_TRUE(Recorder().boxes.contains(QStringLiteral("Finished: Map extraction finished without errors")))
        << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    EXPECT_TRUE(dialog->m_pStart->isEnabled());

    ExpectTheBatchBakesBytes(QStringLiteral("dialog/"));
}

// A baking operation made from Utilities > Texture Baking > New Operation bakes from its own
// page: its Start button writes the bytes of the batch bake with the same settings.
TEST_F(MapperDlgTest, AnOperationsPageStartBakesTheMapsOfTheBatchBake)
{
    REQUIRE_WINDOW_GL();
    Build();
    m_window->GetInterface()->OpenFile(false, File(QStringLiteral("low.obj")), 0);
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("page")));
    MapExtraction::Mapper *operation = NewOperation(QStringLiteral("Baker #0"));
    ASSERT_NE(operation, nullptr);
    // The settings as the page's rows write them.
    operation->m_aLowMesh.SetValue(m_window->GetScene()->GetObject(0));
    operation->m_aLoadMeshFromFile.SetValue(File(QStringLiteral("high.obj")));
    operation->m_aMapWidth.SetValue(32);
    operation->m_aMapHeight.SetValue(32);
    operation->m_aNormalMapFormat.SetValue(2);
    operation->m_aDisplacementMapFormat.SetValue(MapExtraction::mapFloat);
    operation->m_aNormalMapFilename.SetValue(File(QStringLiteral("page/n")));
    operation->m_aDisplacementMapFilename.SetValue(File(QStringLiteral("page/d")));
    operation->m_aSearchDistance.SetValue(0.3f);
    QPushButton *start = PageStart(QStringLiteral("Baker #0"));
    ASSERT_NE(start, nullptr);
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(Recorder().boxes.filter(QStringLiteral("Map extraction finished without errors")).size() == 1)
        << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));

    ExpectTheBatchBakesBytes(QStringLiteral("page/"));
}

// The first bake a sculptor makes: Create > Mesh > Plane, every face selected and
// subdivided twice, the finest level raised by a stroke; low "Plane (level: 0)" and high the
// same object. The window, the operation's page and the two surfaces exported as files all
// bake the stroke, byte for byte the same.
TEST_F(MapperDlgTest, AnObjectsOwnLevelsBakeTheStrokeInTheWindowOnThePageAndAsFiles)
{
    REQUIRE_WINDOW_GL();
    Build();
    Interface &controller = *m_window->GetInterface();
    for (QAction *top : m_window->menuBar()->actions())
        if (top->text() == QLatin1String("Create"))
            for (QAction *entry : top->menu()->actions())
                if (entry->text() == QLatin1String("Mesh"))
                    for (QAction *mesh : entry->menu()->actions())
                        if (mesh->text() == QLatin1String("Plane"))
                            mesh->trigger();
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    Object *plane = m_window->GetScene()->GetObject(0);
    controller.SetActiveObject(plane);
    controller.RunCommand("Select all");
    controller.RunCommand("Subdivide faces");
    controller.RunCommand("Subdivide faces");
    ASSERT_EQ(plane->LevelCount(), 3);
    // The stroke's bump along the plane's normal, in steps the exported text holds exactly.
    SubdivLevel *top = plane->GetLevel(2);
    for (unsigned v = 0; v < top->m_iVertexCount; ++v) {
        General::Vector &p = top->m_pVertices[v].m_vPosition;
        const float bump = 0.0625f * std::exp(-(p.x * p.x + p.z * p.z) / 0.2f);
        p.y += std::round(bump * 256.0f) / 256.0f;
    }
    top->CalculateNormals(false);
    for (const char *folder : {"page", "files"})
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QLatin1String(folder)));

    m_window->GetInterface()->RunCommand("Texture bake");
    const QList<GUI::MapperDlg *> dialogs = m_window->findChildren<GUI::MapperDlg *>();
    ASSERT_FALSE(dialogs.isEmpty());
    GUI::MapperDlg &dialog = *dialogs.back();
    const int low = dialog.m_pLowMesh->findText(plane->GetObjectName() + QStringLiteral(" (level: 0)"));
    ASSERT_GE(low, 0);
    dialog.m_pLowMesh->setCurrentIndex(low);
    dialog.m_pHighMesh->setCurrentIndex(dialog.m_pHighMesh->findText(plane->GetName()));
    ASSERT_GE(dialog.m_pHighMesh->currentIndex(), 0);
    Type(dialog.m_pOutputFolder->GetEdit(), File(QStringLiteral("dialog")));
    Type(dialog.m_pNormalMask, QStringLiteral("n"));
    Type(dialog.m_pDisplacementMask, QStringLiteral("d"));
    Type(dialog.m_pWidth, QStringLiteral("32"));
    Type(dialog.m_pHeight, QStringLiteral("32"));
    Type(dialog.m_pRange->GetEdit(), QStringLiteral("0.2"));
    dialog.m_pNormalFormat->setCurrentIndex(0);
    dialog.m_pDisplacementType->setCurrentIndex(0);
    QTest::mouseClick(dialog.m_pStart, Qt::LeftButton);
    EXPECT_EQ(Recorder().boxes, QStringList{QStringLiteral("Finished: Map extraction finished without errors")});

    MapExtraction::Mapper *operation = NewOperation(QStringLiteral("Baker #0"));
    ASSERT_NE(operation, nullptr);
    operation->m_aLowMesh.SetValue(plane);
    operation->m_aHighMesh.SetValue(plane);
    // The settings the window's defaults give.
    operation->m_aMapWidth.SetValue(32);
    operation->m_aMapHeight.SetValue(32);
    operation->m_aNormalMapFilename.SetValue(File(QStringLiteral("page/n")));
    operation->m_aDisplacementMapFilename.SetValue(File(QStringLiteral("page/d")));
    operation->m_aSearchDistance.SetValue(0.2f);
    QPushButton *start = PageStart(QStringLiteral("Baker #0"));
    ASSERT_NE(start, nullptr);
    Recorder().Clear();
    QTest::mouseClick(start, Qt::LeftButton);
    ASSERT_EQ(Recorder().boxes.size(), 1);
    EXPECT_TRUE(Recorder().boxes[0].startsWith(QStringLiteral("Finished: Map extraction finished without errors\n")))
        << qPrintable(Recorder().boxes[0]);

    // The same two surfaces as files, baked by the batch road's bake.
    Scene &scene = *m_window->GetScene();
    ASSERT_TRUE(scene.ExportLevels(File(QStringLiteral("plane0.obj")), false, false, true, {plane}));
    ASSERT_TRUE(scene.ExportLevels(File(QStringLiteral("plane2.obj")), false, false, true, {top}));
    MapExtraction::Mapper batch;
    batch.m_aMapWidth.SetValue(32);
    batch.m_aMapHeight.SetValue(32);
    batch.m_aNormalMapFilename.SetValue(QStringLiteral("n"));
    batch.m_aDisplacementMapFilename.SetValue(QStringLiteral("d"));
    batch.m_sMapFolder = File(QStringLiteral("files/"));
    batch.m_aSearchDistance.SetValue(0.2f);
    QString error;
    ASSERT_TRUE(MapExtraction::BakeFromFiles(batch, File(QStringLiteral("plane0.obj")),
                                             File(QStringLiteral("plane2.obj")), &error))
        << qPrintable(error);
    EXPECT_TRUE(batch.m_aNotices.isEmpty()) << qPrintable(batch.m_aNotices.join('\n'));
    for (const char *map : {"n.tif", "d.tif"}) {
        const QByteArray baked = Bytes(File(QStringLiteral("dialog/") + QLatin1String(map)));
        EXPECT_FALSE(baked.isEmpty()) << map;
        EXPECT_EQ(baked, Bytes(File(QStringLiteral("page/") + QLatin1String(map)))) << map;
        EXPECT_EQ(baked, Bytes(File(QStringLiteral("files/") + QLatin1String(map)))) << map;
        const QString shot = QStringLiteral(TEVRIN_SCREENSHOTS "/own_levels_") + QLatin1String(map);
        QFile::remove(shot);
        QFile::copy(File(QStringLiteral("dialog/") + QLatin1String(map)), shot);
    }
    // The stroke is in the map: its middle stands well above its corner.
    MapExtraction::MapBuffer displacement;
    displacement.Allocate(32, 32, MapExtraction::MapBuffer::typeByte, 1);
    ASSERT_TRUE(displacement.Load(File(QStringLiteral("dialog/d"))));
    EXPECT_GT(displacement.GetValue(16, 16, 0), displacement.GetValue(1, 1, 0) + 0.25f);
}

TEST_F(MapperDlgTest, StartAfterASubdivisionBakesAndOneResultsWindowServesEveryRun)
{
    REQUIRE_WINDOW_GL();
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    Enter(*dialog, 8);
    m_modals.open = File(QStringLiteral("high.obj"));
    QTest::mouseClick(dialog->m_pBrowseHigh, Qt::LeftButton);
    // The object gains a level while the window is open; its level 0 is still chosen.
    Object *object = m_window->GetScene()->GetObject(0);
    m_window->GetInterface()->SetActiveObject(object);
    m_window->GetInterface()->RunCommand("Subdivide faces");
    ASSERT_EQ(object->LevelCount(), 2);
    for (int run = 0; run < 3; ++run) {
        Recorder().Clear();
        QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
        EXPECT_EQ(Recorder().boxes, QStringList{QStringLiteral("Finished: Map extraction finished without errors")})
            << "run " << run;
    }
    EXPECT_TRUE(dialog->m_pLowMesh->currentText().endsWith(QLatin1String("(level: 0)")));
    const QList<GUI::MapperProgressDlg *> results = m_window->findChildren<GUI::MapperProgressDlg *>();
    ASSERT_EQ(results.size(), 1);
    EXPECT_TRUE(results[0]->isVisible());
    ASSERT_EQ(dialog->GetResults(), results[0]);
    // The rows are the last run's: one tile.
    EXPECT_EQ(dialog->GetResults()->GetTable()->rowCount(), 1);
}

TEST_F(MapperDlgTest, ABakeWithoutAHighSurfaceIsRefusedAndStartStaysUsable)
{
    REQUIRE_WINDOW_GL();
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    Enter(*dialog, 8);
    EXPECT_EQ(dialog->m_pHighMesh->currentIndex(), -1);
    // Return in the fields above started nothing.
    EXPECT_TRUE(Recorder().boxes.isEmpty()) << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
    EXPECT_EQ(Recorder().boxes, QStringList{QStringLiteral("Error: No high resolution mesh specified")});
    EXPECT_FALSE(QFile::exists(File(QStringLiteral("dialog/n.tif"))));
    // After the refusal a bake can start again. The low level's own object, which has no
    // level above it, is refused too, saying what to do.
    EXPECT_TRUE(dialog->m_pStart->isEnabled());
    dialog->m_pHighMesh->setCurrentIndex(0);
    ASSERT_GE(dialog->m_pHighMesh->currentIndex(), 0);
    Recorder().Clear();
    QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
    ASSERT_EQ(Recorder().boxes.size(), 1);
    EXPECT_TRUE(Recorder().boxes[0].startsWith(
        QStringLiteral("Error: The high resolution mesh is the low mesh's own object, which has no level above level 0")))
        << qPrintable(Recorder().boxes[0]);
    EXPECT_FALSE(QFile::exists(File(QStringLiteral("dialog/n.tif"))));
    // This one has its surface.
    m_modals.open = File(QStringLiteral("high.obj"));
    QTest::mouseClick(dialog->m_pBrowseHigh, Qt::LeftButton);
    Recorder().Clear();
    QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(File(QStringLiteral("dialog/n.tif"))))
        << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
}

// A run that fails tells the person why: a high mesh far from the low one is out of the
// search distance's reach, not an empty file.
TEST_F(MapperDlgTest, AFailedRunSaysWhyInTheWindow)
{
    REQUIRE_WINDOW_GL();
    fixtures::WriteSheet(File(QStringLiteral("far.obj")), 8, [](float, float) { return 50.0f; }, false);
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    Enter(*dialog, 8);
    m_modals.open = File(QStringLiteral("far.obj"));
    QTest::mouseClick(dialog->m_pBrowseHigh, Qt::LeftButton);
    QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
    ASSERT_EQ(Recorder().boxes.size(), 1) << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    EXPECT_TRUE(Recorder().boxes[0].startsWith(QStringLiteral(
        "Error: Map extraction failed: No face of the high resolution mesh lies within the search distance")))
        << qPrintable(Recorder().boxes[0]);
    EXPECT_FALSE(QFile::exists(File(QStringLiteral("dialog/n.tif"))));
}

TEST_F(MapperDlgTest, ClosingDuringABakeStopsTheRunAndTheWindowGoesAfterIt)
{
    REQUIRE_WINDOW_GL();
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    Enter(*dialog, 512);
    Type(dialog->m_pWorkers, QStringLiteral("1"));
    m_modals.open = File(QStringLiteral("high.obj"));
    QTest::mouseClick(dialog->m_pBrowseHigh, Qt::LeftButton);
    QPointer<GUI::MapperDlg> watched(dialog);
    bool runningAtClose = false;
    // The click lands while the run processes events.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!watched || !watched->IsRunning())
            return;
        closer.stop();
        runningAtClose = true;
        QTest::mouseClick(watched->m_pCancel, Qt::LeftButton);
        EXPECT_TRUE(watched);
    });
    closer.start(1);
    QTest::mouseClick(dialog->m_pStart, Qt::LeftButton);
    EXPECT_TRUE(runningAtClose);
    EXPECT_TRUE(Recorder().boxes.contains(QStringLiteral("Error: Map extraction failed: Map extraction was cancelled")))
        << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    // The window went once the run was over.
    for (int i = 0; i < 100 && watched; ++i)
        QTest::qWait(10);
    EXPECT_FALSE(watched);
}

TEST_F(MapperDlgTest, AJobForASceneHighMeshExportsItAndItsFrameBakes)
{
    REQUIRE_WINDOW_GL();
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    Enter(*dialog, 16);
    // The scene's object is the high surface as well: the job must export it.
    dialog->m_pHighMesh->setCurrentIndex(0);
    const QString low = File(QStringLiteral("farm low.obj")), high = File(QStringLiteral("farm high.obj"));
    const QString job = File(QStringLiteral("bake.RDR"));
    m_modals.save = job;
    bool asked = false;
    // Answers the job dialog once it shows (events may run before it does).
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *spider = qobject_cast<GUI::SpiderDlg *>(widget); spider && spider->isVisible() && !asked) {
                asked = true;
                answer.stop();
                EXPECT_EQ(spider->windowTitle(), QStringLiteral("Creating spider project file"));
                EXPECT_EQ(spider->m_cTitle->text(), QStringLiteral("tevrin map extraction"));
                spider->m_cLowResPath->setText(low);
                spider->m_cHighResPath->setText(high);
                QTest::mouseClick(spider->okButton, Qt::LeftButton);
            }
    });
    answer.start(20);
    QTest::mouseClick(dialog->m_pSaveJob, Qt::LeftButton);
    ASSERT_TRUE(asked);
    EXPECT_TRUE(Recorder().boxes.isEmpty()) << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    EXPECT_GT(QFileInfo(low).size(), 0);
    EXPECT_GT(QFileInfo(high).size(), 0);
    QFile file(job);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 25);
    ASSERT_TRUE(lines[1].startsWith(QLatin1String("GEN_EXELINUX tevrin ")));
    EXPECT_EQ(lines[4], QStringLiteral("JOB_FRAMESTART 1"));
    EXPECT_EQ(lines[5], QStringLiteral("JOB_FRAMEEND 1"));

    // The queue's run of frame 1, through the program's own parser.
    QString command = lines[1].mid(int(qstrlen("GEN_EXELINUX ")));
    command.replace(QLatin1String(MapExtraction::SpiderJob::kFrameToken), QStringLiteral("1"));
    CommandLine line(QProcess::splitCommand(command), m_dir.path());
    MapExtraction::Mapper engine;
    ASSERT_TRUE(line.Apply(&engine)) << qPrintable(line.Error());
    EXPECT_EQ(line.LowMesh(), low);
    EXPECT_EQ(line.HighMesh(), high);
    QString error;
    EXPECT_TRUE(MapExtraction::BakeFromFiles(engine, line.LowMesh(), line.HighMesh(), &error)) << qPrintable(error);
    EXPECT_TRUE(QFile::exists(File(QStringLiteral("dialog/n.tif"))));
}

TEST_F(MapperDlgTest, FillCopiesTheControlsIntoTheSettings)
{
    REQUIRE_WINDOW_GL();
    GUI::MapperDlg *dialog = Open();
    ASSERT_TRUE(dialog);
    ASSERT_GE(dialog->m_pLowMesh->count(), 1);
    const QString text = dialog->m_pLowMesh->itemText(0);
    const int id = dialog->m_pLowMesh->itemData(0).toInt();
    EXPECT_EQ(GUI::MapperDlg::GetSubdivLevel(text, id), m_window->GetScene()->GetObject(0));
    EXPECT_EQ(GUI::MapperDlg::GetSubdivLevel(text.left(text.indexOf(QLatin1Char(' '))), id), nullptr);
    EXPECT_EQ(GUI::MapperDlg::GetSubdivLevel(text, id + 1000), nullptr);

    const struct {
        const char *workers;
        int displacementType, rayCenter;
        int format;
        float centre;
        int expectedWorkers;
    } cases[] = {
        {"abc", 0, 0, MapExtraction::map8Bit, 0.0f, 1},
        {"0", 1, 1, MapExtraction::mapFloat, 1.0f, 1},
        {"3", 2, 2, MapExtraction::mapNormalAlpha, 0.5f, 3},
    };
    for (const auto &c : cases) {
        Type(dialog->m_pWorkers, QLatin1String(c.workers));
        dialog->m_pDisplacementType->setCurrentIndex(c.displacementType);
        dialog->m_pRayCenter->setCurrentIndex(c.rayCenter);
        MapExtraction::Mapper mapper;
        dialog->Fill(mapper);
        mapper.SetupSearch();
        EXPECT_EQ(mapper.m_iWorkers, c.expectedWorkers) << c.workers;
        EXPECT_EQ(mapper.m_aDisplacementMapFormat.GetValue(), c.format);
        EXPECT_EQ(mapper.m_fRayCenter, c.centre);
        EXPECT_EQ(mapper.m_aLowMesh.GetValue(), m_window->GetScene()->GetObject(0));
    }
}
