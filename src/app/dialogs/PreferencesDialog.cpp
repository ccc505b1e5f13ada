#include "app/dialogs/PreferencesDialog.h"

#include "app/dialogs/PreferencesDialogHost.h"
#include "app/settings/PreferenceUnits.h"
#include "app/settings/Preferences.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "scene/camera/Camera.h"
#include "viewport/view/ViewToggles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace GUI {

namespace {

using PV = PreferenceValues;
namespace Units = PreferenceUnits;

DialogChain s_chain;

// Check boxes that show a preference flag one to one.
struct FlagKey {
    const char *key;
    bool PV::*field;
};
const FlagKey kFlags[] = {
    {"DollyWithFocus", &PV::DollyWithFocus},       {"LocalFocus", &PV::LocalFocus},
    {"SculptBothSides", &PV::SculptBothSides},     {"ExpertSouthFrame", &PV::ExpertSouthFrame},
    {"ExpertEastFrame", &PV::ExpertEastFrame},     {"ExpertStatusBar", &PV::ExpertStatusBar},
    {"ExpertMenuBar", &PV::ExpertMenuBar},         {"SaveReminder", &PV::SaveReminder},
    {"LockLocalBorder", &PV::LockLocalBorder},     {"FreezeInactive", &PV::FreezeInactive},
    {"ShowFrozenVertices", &PV::ShowFrozenVertices}, {"SelectedFaceCount", &PV::SelectedFaceCount},
    {"VisibleFaceCount", &PV::VisibleFaceCount},   {"SmallFileSize", &PV::SmallFileSize},
    {"CreateBackup", &PV::CreateBackup},           {"UseDraftRender", &PV::UseDraftRender},
};

// The colour swatches in row order; the last three captions carry no object name.
struct ColourKey {
    const char *key;
    const char *caption;
    General::Color PV::*field;
};
const ColourKey kColours[] = {
    {"ViewportTop", "Viewport Top", &PV::ViewportTop},       {"ViewportBottom", "Viewport Bottom", &PV::ViewportBottom},
    {"ViewportFlat", "Viewport Flat", &PV::ViewportFlat},    {"Grid", "Grid", &PV::Grid},
    {"GridAxis", "Grid Axis", &PV::GridAxis},                {"Selection", "Selection", &PV::Selection},
    {"Frozen", "Frozen", &PV::Frozen},                       {"Locked", "Locked", &PV::Locked},
    {"ActiveLayer", "Active Layer", &PV::ActiveLayer},       {"InactiveLevel", "Inactive Level", &PV::InactiveLevel},
    {"LayerMask", "Layer Mask", &PV::LayerMask},             {"ObjectListBg", "Object List Bg", &PV::ObjectListBg},
    {"FalloffCurve", "Falloff Curve", &PV::FalloffCurve},    {"FalloffFill", "Falloff Fill", &PV::FalloffFill},
    {"FalloffHull", "Falloff Hull", &PV::FalloffHull},
};
constexpr int kNamedColourCaptions = 12;

Preferences &Prefs() { return *Preferences::Get(); }

QLabel *Caption(const QString &text, const char *key)
{
    auto *label = new QLabel(text);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(CollapsableFrame::kLabelWidth);
    if (key)
        label->setObjectName(QString::fromLatin1(key) + QStringLiteral("_label"));
    return label;
}

QWidget *Spacer() { return new QWidget; }

template <class W> W *Named(W *widget, const char *key)
{
    widget->setObjectName(QString::fromLatin1(key));
    return widget;
}

QLineEdit *NumberField(const char *key, bool fixedNarrow)
{
    auto *edit = Named(new QLineEdit, key);
    if (fixedNarrow)
        edit->setFixedWidth(45);
    else
        edit->setMaximumWidth(65);
    return edit;
}

QColor Shown(const General::Color &c)
{
    return QColor(int(c.r * 255.0f), int(c.g * 255.0f), int(c.b * 255.0f), 255);
}

void Mark(QWidget *field, bool refused)
{
    field->setProperty("refused", refused);
    field->setStyleSheet(refused ? QStringLiteral("background-color: #f2b8b8;") : QString());
    field->setToolTip(refused ? QCoreApplication::translate("GUI::PreferencesDialog", "Not a valid value: the stored one is kept")
                              : QString());
}

}  // namespace

PreferencesDialog::PreferencesDialog(QWidget *parent, const char *name) : Dialog(parent, name)
{
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(tr("Preferences"));
    s_chain.Link(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setAlignment(Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addSpacing(4);
    BuildGroups();
    Refresh();

    for (const char *key : {"LinearUnit", "ImportAutoFocus", "Control", "InactiveLevels"})
        Child<QComboBox>(key)->installEventFilter(this);
    connect(Child<QComboBox>("LinearUnit"), &QComboBox::activated, this, &PreferencesDialog::OnChangeLinearUnit);
    for (const char *key : {"ImportAutoFocus", "Control", "InactiveLevels"})
        connect(Child<QComboBox>(key), &QComboBox::activated, this, &PreferencesDialog::Update);
    for (const char *key : {"DoubleClick", "DragBoxSize", "MaximumTextureSize", "ReminderTime", "TempFiles", "LogFiles",
                            "StampFiles", "StencilFiles", "ShaderFiles", "SettingFiles"})
        connect(Child<QLineEdit>(key), &QLineEdit::editingFinished, this, &PreferencesDialog::Update);
    for (QCheckBox *box : findChildren<QCheckBox *>())
        connect(box, &QCheckBox::toggled, this, &PreferencesDialog::Update);
    for (const char *key : {"DraftPoints", "FaceCountLimit"})
        connect(Child<QSpinBox>(key), &QSpinBox::valueChanged, this, &PreferencesDialog::Update);
    for (const char *key : {"DollyAmount", "RollArea", "StencilRotateSensitivity"})
        connect(Child<TextSlider>(key), &TextSlider::valueChanged, this, &PreferencesDialog::Update);
    connect(Child<TextSlider>("DollySensitivity"), &TextSlider::valueChanged, this,
            &PreferencesDialog::ZoomSensitivityChanged);
    connect(Child<TextSlider>("TrackSensitivity"), &TextSlider::valueChanged, this,
            &PreferencesDialog::PanSensitivityChanged);
    connect(Child<TextSlider>("RotateSensitivity"), &TextSlider::valueChanged, this,
            &PreferencesDialog::RotateSensitivityChanged);
    const std::pair<const char *, void (PreferencesDialog::*)()> browsers[] = {
        {"TempFiles", &PreferencesDialog::OnSetTempPath},       {"LogFiles", &PreferencesDialog::OnSetLogPath},
        {"StampFiles", &PreferencesDialog::OnSetStampPath},     {"StencilFiles", &PreferencesDialog::OnSetStencilPath},
        {"ShaderFiles", &PreferencesDialog::OnSetShadersPath},  {"SettingFiles", &PreferencesDialog::OnSetSettingsPath},
    };
    for (const auto &[key, slot] : browsers)
        connect(Child<QPushButton>((QByteArray(key) + "_browse").constData()), &QPushButton::clicked, this, slot);
    SetWhatsThis(this);
}

PreferencesDialog::~PreferencesDialog() { s_chain.Unlink(this); }

void PreferencesDialog::Register()
{
    DialogFactory::Register(std::make_unique<DialogFactoryOf<PreferencesDialog>>(), QLatin1String(kClassName),
                            tr("Preferences"));
}

PreferencesDialog *PreferencesDialog::First() { return static_cast<PreferencesDialog *>(s_chain.First()); }

bool PreferencesDialog::IsMarked(const QWidget *field) { return field && field->property("refused").toBool(); }

template <class T> T *PreferencesDialog::Child(const char *name) const
{
    return findChild<T *>(QString::fromLatin1(name));
}

void PreferencesDialog::BuildGroups()
{
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    auto group = [&](const char *title) {
        auto *frame = new CollapsableFrame(tr(title), this);
        layout->addWidget(frame, 0);
        return frame;
    };
    auto check = [](CollapsableFrame *frame, const char *key, const char *caption, bool emptyLabel = false) {
        frame->AddRow(emptyLabel ? new QLabel : Spacer(), Named(new QCheckBox(tr(caption)), key));
    };
    auto combo = [](CollapsableFrame *frame, const char *key, const char *caption, const QStringList &items) {
        auto *box = Named(new QComboBox, key);
        box->addItems(items);
        frame->AddRow(Caption(tr(caption), key), box);
    };
    auto slider = [](CollapsableFrame *frame, const char *key, const char *caption, int decimals, float max) {
        auto *editor = new TextSlider(decimals, nullptr, key);
        editor->SetRange(1.0f, max);
        frame->AddRow(Caption(tr(caption), key), editor);
    };

    CollapsableFrame *ui = group("User Interface");
    combo(ui, "LinearUnit", "Linear Units", {tr("Millimeter"), tr("Centimeter"), tr("Meter"), tr("Inch")});
    ui->AddRow(Caption(tr("Double Click"), "DoubleClick"), NumberField("DoubleClick", false));
    ui->AddRow(Caption(tr("Drag Box Size"), nullptr), NumberField("DragBoxSize", false));
    ui->Toggle();
    ui->AddRow(Caption(tr("Expert Mode Hides:"), nullptr), Spacer());
    check(ui, "ExpertStatusBar", "Status Bar");
    check(ui, "ExpertMenuBar", "Menu Bar");
    check(ui, "ExpertSouthFrame", "South Frame");
    check(ui, "ExpertEastFrame", "East Frame");

    CollapsableFrame *files = group("Files");
    check(files, "SmallFileSize", "Small File Size");
    check(files, "CreateBackup", "Create Backup");

    CollapsableFrame *render = group("Render");
    check(render, "ShowFrozenVertices", "Show Frozen Vertices");
    check(render, "UseDraftRender", "Use Draft Render");
    for (const auto &[key, caption, max] : {std::tuple{"DraftPoints", "Draft Points", 10},
                                            std::tuple{"FaceCountLimit", "Facecount Limit", 1000000000}}) {
        auto *spin = Named(new QSpinBox, key);
        spin->setRange(key[0] == 'D' ? 1 : 0, max);
        spin->setMaximumWidth(65);
        render->AddRow(Caption(tr(caption), key), spin);
    }
    render->AddRow(Caption(tr("Max texture Size"), "MaximumTextureSize"), NumberField("MaximumTextureSize", true));

    CollapsableFrame *focus = group("Focus");
    check(focus, "LocalFocus", "Local Focus");
    check(focus, "DollyWithFocus", "Dolly With Focus");
    slider(focus, "DollyAmount", "Dolly Amount", 1, 100.0f);
    combo(focus, "ImportAutoFocus", "Import Autofocus", {tr("Empty Scene Only"), tr("Always"), tr("Never")});

    CollapsableFrame *camera = group("Camera");
    slider(camera, "DollySensitivity", "Dolly Sensitivity", 0, 10.0f);
    slider(camera, "TrackSensitivity", "Track Sensitivity", 0, 10.0f);
    slider(camera, "RotateSensitivity", "Rotate Sensitivity", 0, 10.0f);
    combo(camera, "Control", "Control", {tr("Default"), tr("Trackball")});
    slider(camera, "RollArea", "Roll Area", 0, 100.0f);

    CollapsableFrame *stencil = group("Stencil");
    slider(stencil, "StencilRotateSensitivity", "Rotate Sensitivity", 0, 100.0f);

    CollapsableFrame *backface = group("Backface");
    check(backface, "ShowBothSides", "Show Both Sides", true);
    check(backface, "LightBothSides", "Light Both Sides");
    check(backface, "SculptBothSides", "Sculpt Both Sides");

    CollapsableFrame *levels = group("Levels");
    check(levels, "LockLocalBorder", "Lock Local Border");
    check(levels, "FreezeInactive", "Freeze Inactive");
    combo(levels, "InactiveLevels", "Inactive Levels", {tr("None"), tr("Hide"), tr("Shade")});

    CollapsableFrame *status = group("Status Line");
    check(status, "VisibleFaceCount", "Visible Face Count", true);
    check(status, "SelectedFaceCount", "Selected Face Count");
    check(status, "SaveReminder", "Save Reminder");
    auto *reminder = new QWidget;
    auto *row = new QHBoxLayout(reminder);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto *indent = new QWidget;
    indent->setFixedWidth(20);
    row->addWidget(indent);
    row->addWidget(NumberField("ReminderTime", true));
    auto *minutes = new QLabel(tr("Minutes"));
    minutes->setObjectName(QStringLiteral("ReminderTime_label"));
    row->addWidget(minutes);
    status->AddRow(Spacer(), reminder);

    CollapsableFrame *paths = group("Paths");
    for (const auto &[key, caption] : {std::pair{"TempFiles", "Temp Files"}, std::pair{"LogFiles", "Log Files"},
                                       std::pair{"StampFiles", "Stamps"}, std::pair{"StencilFiles", "Stencils"},
                                       std::pair{"ShaderFiles", "Shaders"}, std::pair{"SettingFiles", "Settings"}}) {
        auto *folder = new QWidget;
        auto *line = new QHBoxLayout(folder);
        line->setContentsMargins(0, 0, 0, 0);
        auto *edit = Named(new QLineEdit, key);
        edit->setMinimumWidth(105);
        auto *browse = new QPushButton(QStringLiteral("..."));
        browse->setObjectName(QString::fromLatin1(key) + QStringLiteral("_browse"));
        browse->setFixedWidth(20);
        browse->setAutoDefault(false);
        line->addWidget(edit);
        line->addWidget(browse);
        paths->AddRow(Caption(tr(caption), key), folder);
    }

    CollapsableFrame *colours = group("Colors");
    for (int i = 0; i < int(std::size(kColours)); ++i) {
        auto *swatch = Named(new QFrame, kColours[i].key);
        swatch->setFixedSize(60, 16);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
        swatch->setProperty("swatch", true);
        swatch->installEventFilter(this);
        colours->AddRow(Caption(tr(kColours[i].caption), i < kNamedColourCaptions ? kColours[i].key : nullptr), swatch);
    }
}

void PreferencesDialog::Refresh()
{
    m_bRefreshing = true;
    const Preferences &p = Prefs();
    PreferencesDialogHost &host = PreferencesDialogHost::Get();
    // Without a camera the sensitivities have nothing to show or change.
    Camera *camera = host.ActiveCamera();
    const std::pair<const char *, float> sensitivities[] = {
        {"DollySensitivity", camera ? camera->m_fDollySensitivity : 0.0f},
        {"TrackSensitivity", camera ? camera->m_fTrackSensitivity : 0.0f},
        {"RotateSensitivity", camera ? camera->m_fRotateSensitivity : 0.0f}};
    for (const auto &[key, value] : sensitivities) {
        auto *slider = Child<TextSlider>(key);
        slider->setEnabled(camera != nullptr);
        if (camera)
            slider->setValue(Units::SensitivityShown(value));
    }
    for (const FlagKey &flag : kFlags)
        Child<QCheckBox>(flag.key)->setChecked(p.*flag.field);
    Child<QComboBox>("Control")->setCurrentIndex(p.Control);
    Child<TextSlider>("RollArea")->setValue(Units::RollAreaShown(p.RollArea));
    const ViewToggles *view = host.ViewFlags();
    for (const char *key : {"ShowBothSides", "LightBothSides"})
        Child<QCheckBox>(key)->setEnabled(view != nullptr);
    if (view) {
        Child<QCheckBox>("ShowBothSides")->setChecked(!view->m_bCulling);
        Child<QCheckBox>("LightBothSides")->setChecked(view->m_bTwoSidedLight);
    }
    Child<QLineEdit>("ReminderTime")->setText(Units::ReminderMinutes(p.ReminderTime));
    Child<QLineEdit>("MaximumTextureSize")->setText(QString::number(p.MaximumTextureSize));
    Child<TextSlider>("DollyAmount")->setValue(p.DollyAmount);
    Child<QSpinBox>("DraftPoints")->setValue(p.DraftPoints);
    Child<QSpinBox>("FaceCountLimit")->setValue(p.FaceCountLimit);
    for (const ColourKey &colour : kColours) {
        auto *swatch = Child<QFrame>(colour.key);
        QPalette palette = swatch->palette();
        palette.setColor(QPalette::Window, Shown(p.*colour.field));
        swatch->setPalette(palette);
    }
    Child<QComboBox>("LinearUnit")->setCurrentIndex(p.LinearUnit);
    Child<QComboBox>("ImportAutoFocus")
        ->setCurrentIndex(Units::ImportAutoFocusIndex(p.ImportFocusEmptyScene, p.ImportFocusAlways));
    Child<TextSlider>("StencilRotateSensitivity")->setValue(p.StencilRotateSensitivity);
    Child<QComboBox>("InactiveLevels")->setCurrentIndex(p.InactiveLevels);
    const std::pair<const char *, const QString *> folders[] = {
        {"TempFiles", &p.TempFiles},     {"LogFiles", &p.LogFiles},       {"StampFiles", &p.StampFiles},
        {"StencilFiles", &p.StencilFiles}, {"ShaderFiles", &p.ShaderFiles}, {"SettingFiles", &p.SettingFiles}};
    for (const auto &[key, folder] : folders)
        Child<QLineEdit>(key)->setText(*folder);
    Child<QLineEdit>("DoubleClick")->setText(QString::number(QApplication::doubleClickInterval()));
    Child<QLineEdit>("DragBoxSize")->setText(QString::number(p.DragBoxSize));
    for (const char *key : {"ReminderTime", "MaximumTextureSize", "DoubleClick", "DragBoxSize"})
        Mark(Child<QWidget>(key), false);
    EnableDependents();
    m_bRefreshing = false;
    Dialog::Refresh();
}

void PreferencesDialog::EnableDependents()
{
    const Preferences &p = Prefs();
    for (const char *key : {"DollyAmount", "DollyAmount_label"})
        Child<QWidget>(key)->setEnabled(p.DollyWithFocus);
    for (const char *key : {"DraftPoints", "DraftPoints_label", "FaceCountLimit", "FaceCountLimit_label"})
        Child<QWidget>(key)->setEnabled(p.UseDraftRender);
    for (const char *key : {"ReminderTime", "ReminderTime_label"})
        Child<QWidget>(key)->setEnabled(p.SaveReminder);
}

void PreferencesDialog::Update()
{
    if (m_bRefreshing)
        return;
    Preferences &p = Prefs();
    PreferencesDialogHost &host = PreferencesDialogHost::Get();
    bool redraw = false;
    auto checked = [this](const char *key) { return Child<QCheckBox>(key)->isChecked(); };
    // A number field outside its bounds keeps the stored value and is marked.
    auto number = [this](const char *key, int minimum, int maximum, int &value) {
        auto *field = Child<QLineEdit>(key);
        const bool ok = Units::ReadBounded(field->text(), minimum, maximum, value);
        Mark(field, !ok);
        return ok;
    };

    p.LocalFocus = checked("LocalFocus");
    p.DollyWithFocus = checked("DollyWithFocus");
    Units::ApplyImportAutoFocus(Child<QComboBox>("ImportAutoFocus")->currentIndex(), p.ImportFocusEmptyScene,
                                p.ImportFocusAlways);
    p.Control = Child<QComboBox>("Control")->currentIndex();
    p.RollArea = Units::RollAreaStored(Child<TextSlider>("RollArea")->GetValue());
    p.SculptBothSides = checked("SculptBothSides");
    if (ViewToggles *view = host.ViewFlags()) {
        view->m_bCulling = !checked("ShowBothSides");
        view->m_bTwoSidedLight = checked("LightBothSides");
    }
    p.SaveReminder = checked("SaveReminder");
    int minutes = p.ReminderTime / 60000;
    if (number("ReminderTime", Units::kReminderMinutesMin, Units::kReminderMinutesMax, minutes))
        p.ReminderTime = minutes * 60000;
    number("MaximumTextureSize", Units::kTextureSizeMin, Units::kTextureSizeMax, p.MaximumTextureSize);
    p.LockLocalBorder = checked("LockLocalBorder");
    p.FreezeInactive = checked("FreezeInactive");
    if (checked("ShowFrozenVertices") != p.ShowFrozenVertices) {
        p.ShowFrozenVertices = !p.ShowFrozenVertices;
        redraw = true;
    }
    for (const char *key : {"ExpertEastFrame", "ExpertSouthFrame", "ExpertStatusBar", "ExpertMenuBar", "SmallFileSize",
                            "CreateBackup", "UseDraftRender"})
        for (const FlagKey &flag : kFlags)
            if (qstrcmp(flag.key, key) == 0)
                p.*flag.field = checked(key);
    p.DollyAmount = Child<TextSlider>("DollyAmount")->GetValue();
    p.DraftPoints = Child<QSpinBox>("DraftPoints")->value();
    p.FaceCountLimit = Child<QSpinBox>("FaceCountLimit")->value();
    p.StencilRotateSensitivity = Child<TextSlider>("StencilRotateSensitivity")->GetValue();
    host.RefreshPropertiesPage(QStringLiteral("Brush"));
    host.ShowSaveReminder(p.SaveReminder);
    bool statusText = false;
    for (const auto &[key, field] : {std::pair{"SelectedFaceCount", &PV::SelectedFaceCount},
                                     std::pair{"VisibleFaceCount", &PV::VisibleFaceCount}})
        if (checked(key) != p.*field) {
            p.*field = checked(key);
            statusText = true;
        }
    if (statusText)
        host.RefreshStatusText();
    EnableDependents();
    const int levels = Child<QComboBox>("InactiveLevels")->currentIndex();
    if (levels != p.InactiveLevels) {
        p.InactiveLevels = levels;
        redraw = true;
    }
    ReadFolder("SettingFiles", p.SettingFiles, true);
    ReadFolder("TempFiles", p.TempFiles, false);
    ReadFolder("LogFiles", p.LogFiles, false);
    ReadFolder("StampFiles", p.StampFiles, false);
    ReadFolder("ShaderFiles", p.ShaderFiles, false);
    ReadFolder("StencilFiles", p.StencilFiles, false);
    int interval = QApplication::doubleClickInterval();
    if (number("DoubleClick", Units::kDoubleClickMin, Units::kDoubleClickMax, interval))
        QApplication::setDoubleClickInterval(interval);
    number("DragBoxSize", Units::kDragBoxMin, Units::kDragBoxMax, p.DragBoxSize);
    if (redraw)
        host.Redraw();
}

void PreferencesDialog::ReadFolder(const char *key, QString &folder, bool isSettings)
{
    auto *field = Child<QLineEdit>(key);
    const QString text = field->text();
    // A folder that is gone or cannot be written would send files nowhere: the stored one stays.
    if (!IsWritableFolder(text)) {
        field->setText(folder);
        return;
    }
    if (text == folder)
        return;
    folder = text;
    if (isSettings)
        Prefs().AppendToPathsFile();
}

void PreferencesDialog::OnChangeLinearUnit(int index)
{
    Prefs().LinearUnit = index;
    PreferencesDialogHost &host = PreferencesDialogHost::Get();
    for (const char *page : {"Brush", "Stamp", "Camera"})
        host.RefreshPropertiesPage(QString::fromLatin1(page));
    Refresh();
    host.Redraw();
}

void PreferencesDialog::ZoomSensitivityChanged(float value)
{
    if (Camera *camera = PreferencesDialogHost::Get().ActiveCamera(); camera && !m_bRefreshing)
        camera->m_fDollySensitivity = Units::SensitivityStored(value);
}

void PreferencesDialog::PanSensitivityChanged(float value)
{
    if (Camera *camera = PreferencesDialogHost::Get().ActiveCamera(); camera && !m_bRefreshing)
        camera->m_fTrackSensitivity = Units::SensitivityStored(value);
}

void PreferencesDialog::RotateSensitivityChanged(float value)
{
    if (Camera *camera = PreferencesDialogHost::Get().ActiveCamera(); camera && !m_bRefreshing)
        camera->m_fRotateSensitivity = Units::SensitivityStored(value);
}

void PreferencesDialog::ChooseFolder(QString &folder, bool appendToPaths)
{
    const QString chosen = Modals().GetExistingDirectory(nullptr, tr("Choose a directory"), folder);
    if (chosen.isEmpty())
        return;
    folder = chosen;
    if (appendToPaths)
        Prefs().AppendToPathsFile();
    Refresh();
}

void PreferencesDialog::OnSetTempPath() { ChooseFolder(Prefs().TempFiles, false); }
void PreferencesDialog::OnSetLogPath() { ChooseFolder(Prefs().LogFiles, false); }
void PreferencesDialog::OnSetStampPath() { ChooseFolder(Prefs().StampFiles, false); }
void PreferencesDialog::OnSetStencilPath() { ChooseFolder(Prefs().StencilFiles, false); }
void PreferencesDialog::OnSetShadersPath() { ChooseFolder(Prefs().ShaderFiles, false); }
void PreferencesDialog::OnSetSettingsPath() { ChooseFolder(Prefs().SettingFiles, true); }

bool PreferencesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched->property("swatch").toBool()) {
        auto *swatch = static_cast<QFrame *>(watched);
        const QColor picked = Modals().GetColor(swatch->palette().color(QPalette::Window), this);
        if (!picked.isValid())
            return true;
        PreferencesDialogHost &host = PreferencesDialogHost::Get();
        const QString key = swatch->objectName();
        for (const ColourKey &colour : kColours) {
            if (key != QLatin1String(colour.key))
                continue;
            Prefs().*colour.field =
                General::Color(float(picked.red()) / 255.0f, float(picked.green()) / 255.0f, float(picked.blue()) / 255.0f, 1.0f);
        }
        if (key == QLatin1String("ActiveLayer"))
            host.UpdateLayerList();
        if (key == QLatin1String("ObjectListBg"))
            host.RefreshObjectLists();
        Refresh();
        if (key.startsWith(QLatin1String("Falloff"))) {
            host.RefreshPropertiesPage(QStringLiteral("Brush"));
            host.RefreshPropertiesPage(QStringLiteral("Curve"));
        } else {
            host.Redraw();
        }
        return true;
    }
    return Dialog::eventFilter(watched, event);
}

}  // namespace GUI
