// The main window's construction, status bar and commands.
#include "app/window/Tevrin.h"

#include "app/welcome/WelcomeDlg.h"

#include "app/system/SystemInfo.h"
#include "foundation/images/Pictures.h"
#include "gui/dialogs/SysInfoWindow.h"

#include "app/dialogs/PreferencesDialog.h"
#include "app/services/WindowServices.h"
#include "app/settings/Preferences.h"
#include "app/settings/Settings.h"
#include "app/startup/InstanceLock.h"
#include "app/startup/RunLog.h"
#include "app/startup/CommandSwitches.h"
#include "app/startup/Console.h"
#include "app/system/SystemInfo.h"
#include "app/window/WindowSettings.h"
#include "browser/ImageBrowserDialog.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "foundation/ShippedFiles.h"
#include "gui/attributes/AttributeEditors.h"
#include "gui/common/Commands.h"
#include "gui/common/HelpFiles.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/dialogs/SysInfoWindow.h"
#include "gui/panels/TabPanel.h"
#include "gui/status/Alarm.h"
#include "gui/status/ElidedLabel.h"
#include "gui/style/TevrinStyle.h"
#include "app/settings/HotkeysFile.h"
#include "app/settings/LayoutFile.h"
#include "app/settings/SettingsWriter.h"
#include "interaction/handlers/Function.h"
#include "gui/trays/TrayItem.h"
#include "interaction/Interface.h"
#include "mapping/MappingGlobals.h"
#include "mesh/surface/Material.h"
#include "platform/WholeFiles.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "viewport/view/SceneView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QWhatsThis>

#include <cstdio>
#include <cstdlib>

Tevrin *Tevrin::s_pInstance = nullptr;

namespace {

QString Tr(const char *text) { return QString::fromLatin1(text); }

constexpr int kSketchTool = 25;

// The build revision shown with the caption and in the About box.
constexpr int kRevision = 2608;

// A scene or view that cannot be built leaves nothing to run.
[[noreturn]] void NoMemoryToRun()
{
    General::Shell().CriticalMessage(Tr("Not enough memory to run program!"));
    std::exit(255);
}

}  // namespace

Tevrin::Tevrin(QWidget *parent, Qt::WindowFlags flags, PreferencesPrompts *prompts)
    : QMainWindow(parent, flags), m_pServices(std::make_unique<WindowServices>(*this))
{
    s_pInstance = this;
    Console("Constructing the main window....\n");
    // The suffix names this copy's temporary and log files.
    m_pInstance = CheckInstance();
    setWindowIcon(General::Pictures::Icon(QStringLiteral("Icons/appicon.png")));
    QApplication::setStyle(new GUI::TevrinStyle);
    Console("GUI style set.\n");
    resize(800, 600);
    General::StartTimer().start();
    Console("Timer started\n");
    // The first start's folder dialog refuses a folder with a message: the shell that shows
    // it is there before the preferences ask. The status bar joins it once it exists.
    m_pServices->InstallShell();
    // The files refused while the window is built are named together once it shows.
    m_pServices->m_cShell.HoldWarnings();
    ForgetRefused();
    m_pPreferences = std::make_unique<Preferences>(prompts);
    Console("Preferences object created.\n");
    // Registers the node classes before any scene load or bake.
    InitializeSceneGlobals();
    InitializeMappingGlobals();
    Surface::Materials().Clear();
    Surface::InitMaterials();
    Console("Materials inited.\n");
    CreateDefaultFalloffs();
    Console("Brushes inited.\n");
    GUI::InitTrayItemTypes();
    Console("Trays inited.\n");
    Console("3d viewport inited.\n");
    GUI::DialogFactory::Clear();
    GUI::RegisterDialogFactories();
    GUI::InstallAttributeEditors();
    // Each window fills the registry it has just emptied.
    GUI::ImageBrowserDialog::Register();
    GUI::PreferencesDialog::Register();
    Console("Dialogs inited.\n");

    BuildStatusBar();
    m_pServices->m_cShell.SetProgressHolder(m_pProgressHolder);
    try {
        m_pScene = std::make_unique<Scene>();
    } catch (...) {
        NoMemoryToRun();
    }
    Console("Scene created.\n");
    try {
        m_pScene->AddLight(new Light);
    } catch (...) {
    }
    Console("Default light added.\n");
    m_pScene->CreateDefaultCameras();
    Console("Default cameras added.\n");
    try {
        m_pView = new SceneView(m_pScene->m_pActiveCamera, this);
        m_pView->setObjectName(QStringLiteral("3D view"));
    } catch (...) {
        NoMemoryToRun();
    }
    Console("3d viewport object created.\n");
    m_pPreferences->MaximumTextureSize = 2048;
    m_bShowMaximized = true;
    WindowPlacement placement;
    if (LoadSettings(SettingsParts{m_pPreferences.get(), &placement, &m_pView->m_cToggles}).outcome ==
        SettingsLoad::Loaded)
        m_bShowMaximized = ApplyPlacement(*this, placement);
    // The grid the settings hold (or the defaults).
    m_pView->m_cSettings.m_iGridLines = m_pPreferences->GridLines;
    m_pView->m_cSettings.m_fGridSize = float(m_pPreferences->GridSpacing);
    // Whatever the settings held, the tools get what the program relies on.
    FixUpTools();
    Console("Settings loaded.\n");
    RunLog::Start(*m_pPreferences, General::InstanceSuffix());

    m_pInterface = std::make_unique<Interface>();
    m_pServices->Install();
    if (CommandSwitches::s_bSaveBenchmark && !m_pInterface->StartRecording(QStringLiteral("benchmark")))
        SetStatusMessage(2, Tr("ERROR: The benchmark script cannot be written."));
    Console("Interface object created.\n");
    LoadRecentFiles(m_cRecentFiles);
    Console("Recent files list populated.\n");
    LoadHotkeys();
    Console("Hotkeys file loaded.\n");
    m_pInterface->m_cEventHandler.SetBody("Expert mode", [this](int event) -> Function * {
        if (event == eventActivate || event == eventMenuCommand)
            ToggleExpertMode();
        return nullptr;
    });
    Console("Status bar initialized.\n");
    BuildCentralWidget();
    Console("Tab panels created.\n");
    CreateFrames();
    Console("Frames created.\n");
    BuildMainMenu();
    Console("Main menu created.\n");

    // The view hears the mouse without a button held too: hover picks and the brush ring follow it.
    QApplication::instance()->installEventFilter(this);
    setMouseTracking(true);
    m_pTabPanel->setMouseTracking(true);
    m_pView->setMouseTracking(true);
    if (CommandSwitches::s_bBenchmark) {
        show();
        resize(1280, 1024);
        move(0, 0);
    } else if (m_bShowMaximized) {
        // Without a window manager to maximise it, the window still takes the screen.
        if (QScreen *screen = QGuiApplication::primaryScreen())
            setGeometry(screen->availableGeometry());
        showMaximized();
    } else {
        show();
    }
    Console("Main window shown.\n");
    // Once the events run: the layout file, read after construction, joins the list.
    QTimer::singleShot(0, this, [this] { m_pServices->m_cShell.ReleaseWarnings(); });
    // Folders chosen at this first start are kept at once, not only at a clean close.
    if (m_pPreferences->PathsJustSet) {
        WindowPlacement placement = PlacementOf(*this);
        SaveSettings(SettingsParts{m_pPreferences.get(), &placement, &m_pView->m_cToggles}, m_cRecentFiles);
    }

    // The start-up tool shows its page in the docked Properties window, as a picked one does.
    if (Brush *tool = Brush::FindByType(1)) {
        m_pInterface->m_pCurrentTool = tool;
        m_pServices->m_cInteraction.RefreshBrushPage();
    }
    m_cWindowTimer.start();
    m_pInterface->SetActiveCamera(m_pScene->m_pActiveCamera);
    SetStatusMessage(0, Tr("program started."));
    Console("Program started.\n");
    if (m_pScene->m_pActiveCamera)
        m_pScene->m_pActiveCamera->ResetViewRegion(false);
    m_pView->update();
}

void Tevrin::BuildStatusBar()
{
    QStatusBar *bar = statusBar();
    // The progress bar lives in its own frame left of the status text, never over it.
    m_pProgressHolder = new QWidget(bar);
    m_pProgressHolder->setObjectName(QStringLiteral("progress holder"));
    m_pProgressHolder->setFixedWidth(100);
    m_pStatusLabel = new GUI::ElidedLabel(bar);
    m_pStatusLabel->setAutoFillBackground(true);
    // A long message must not widen the window or move the 3D view: it ends in an
    // ellipsis and its tooltip holds it whole.
    m_pStatusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pMemoryLabel = new QLabel(bar);
    m_pMemoryLabel->setMinimumWidth(50);
    m_pInfoLabel = new QLabel(bar);
    m_pInfoLabel->setMinimumWidth(300);
    m_pInfoLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_pProgressHolder, 0);
    bar->addWidget(m_pStatusLabel, 1);
    bar->addWidget(m_pMemoryLabel, 1);
    bar->addWidget(m_pInfoLabel, 1);
    bar->setSizeGripEnabled(true);
    // The save indicator takes this place when the preferences ask for it.
    m_pSaveReminderHost = new QWidget(bar);
    m_pSaveReminderHost->setObjectName(QStringLiteral("save indicator"));
    m_pSaveReminderHost->setFixedSize(50, 15);
    m_pSaveReminderHost->setToolTip(Tr("Save indicator"));
    m_pSaveReminder = new GUI::Alarm(m_pSaveReminderHost, "alarm");
    m_pSaveReminder->SetInterval([] { return Preferences::Get() ? Preferences::Get()->ReminderTime : 3600000; });
    // The mouse-activity clock: restarted by every mouse move, press and release.
    m_pSaveReminder->SetIdleTime([this] { return int64_t(m_cWindowTimer.elapsed()); });
    m_pSaveReminderHost->hide();
    ShowSaveReminder(WindowSettings::Current().saveReminder);
}

void Tevrin::ShowSaveReminder(bool shown)
{
    if (!m_pSaveReminderHost || shown == m_bSaveReminderShown)
        return;
    m_bSaveReminderShown = shown;
    if (shown) {
        // The count goes on: hiding and showing the indicator is no save.
        statusBar()->addWidget(m_pSaveReminderHost, 0);
        m_pSaveReminderHost->show();
    } else {
        statusBar()->removeWidget(m_pSaveReminderHost);
    }
}

void Tevrin::BuildCentralWidget()
{
    m_pTabPanel = new GUI::TabPanel(this, "tab");
    // The image browser reads its bookmarks, and the folder shown last, from the settings folder.
    General::BookmarksFolder() = m_pPreferences ? m_pPreferences->SettingFiles : QString();
    m_pTabPanel->addTab(m_pView, Tr("3D View"));
    m_pTabPanel->AddDialog(QStringLiteral("ImageBrowserDialog"), Tr("Image Browser"));
    m_pTabPanel->setCurrentIndex(0);
    setCentralWidget(m_pTabPanel);
    connect(m_pView, &SceneView::CommandRequested, this, [](const QString &command) { GUI::RunCommand(command); });
    connect(m_pView, &SceneView::StatusTextChanged, this, [](const QString &text) { SetInfoText(text); });
}

// --- status bar ----------------------------------------------------------------------

void Tevrin::SetStatusMessage(int state, const QString &text)
{
    Tevrin *window = s_pInstance;
    if (!window || !window->m_pStatusLabel)
        return;
    QLabel *label = window->m_pStatusLabel;
    if (state >= 0 && state <= 2) {
        QPalette palette = window->palette();
        if (state == 1)
            palette.setColor(QPalette::Window, QColor(QStringLiteral("yellow")));
        else if (state == 2)
            palette.setColor(QPalette::Window, QColor(QStringLiteral("red")));
        label->setPalette(palette);
        window->m_iStatusState = state;
    }
    label->setText(text);
    window->m_sLastStatus = text;
}

void Tevrin::SetInfoText(const QString &text)
{
    if (s_pInstance && s_pInstance->m_pInfoLabel)
        s_pInstance->m_pInfoLabel->setText(text);
}

int64_t Tevrin::ElapsedTime() { return General::StartTimer().isValid() ? General::StartTimer().elapsed() : 0; }

void Tevrin::SetMemoryText(const QString &text)
{
    if (m_pMemoryLabel && m_pMemoryLabel->text() != text)
        m_pMemoryLabel->setText(text);
}

void Tevrin::SetVersionCaption()
{
    m_sCaption = Tr("Orvexa Tevrin 1.0.7");
    setWindowTitle(m_sCaption);
    Log("%s (rev. %d)", m_sCaption.toLocal8Bit().constData(), kRevision);
    Log("\n");
}

void Tevrin::SetSceneCaption(const QString &file)
{
    if (m_sCaption.isEmpty())
        m_sCaption = Tr("Orvexa Tevrin 1.0.7");
    setWindowTitle(file.isEmpty() ? m_sCaption : m_sCaption + QStringLiteral(" - ") + file);
}

// --- layout file -----------------------------------------------------------------------

bool Tevrin::LoadLayout(const QString &file)
{
    // Written just before Qt reads the state and removed right after: found at a start, it
    // says the last start ended inside that read, and the file is not tried again.
    const QString marker = file + QStringLiteral(".restoring");
    // The file goes aside where it can and the person is told why, and where it went.
    const auto keepAside = [&file](const QString &why) {
        const QString kept = KeepAside(file);
        TellRefused(file,
                    kept.isEmpty() ? Tr("%1; the default layout is used.").arg(why)
                                   : Tr("%1; the default layout is used and the file was moved to %2.").arg(why, kept),
                    kept.isEmpty());
    };
    if (QFileInfo::exists(marker)) {
        QFile::remove(marker);
        keepAside(Tr("The window layout %1 stopped the last start").arg(file));
        return false;
    }
    const SmallFile in = ReadSmallFile(file, LayoutFile::kMaxBytes);
    if (in.outcome == SmallFile::Refused)
        TellRefused(file, Tr("%1\nThe default layout is used, and the layout of this run is not saved there.")
                              .arg(in.error), true);
    if (in.outcome != SmallFile::Read)
        return false;
    QFile guard(marker);
    const bool guarded = guard.open(QIODevice::WriteOnly) && guard.flush();
    guard.close();
    const bool restored = LayoutFile::Restore(*this, in.bytes);
    if (guarded)
        QFile::remove(marker);
    if (!restored)
        keepAside(Tr("The window layout %1 is damaged or of another form").arg(file));
    return restored;
}

bool Tevrin::SaveLayout(const QString &file) const
{
    if (WasLeftInPlace(file))
        return false;
    QString error;
    const bool saved =
        SaveWholeFile(file, LayoutFile::Compose(m_aClosingLayout.isEmpty() ? saveState() : m_aClosingLayout), &error);
    if (!saved)
        TellRefused(file, error, false);
    return saved;
}

// --- commands --------------------------------------------------------------------------

void Tevrin::OnMenu(QAction *action)
{
    // A recent file reaches the File menu too (sub-menu actions trigger their parents): its
    // data is a path, not a command.
    if (!CommandsAllowed() || !action || !action->data().isValid() ||
        (m_pRecentMenu && action->parent() == m_pRecentMenu))
        return;
    GUI::RunCommand(action->data().toString());
    // A toggle's own mark follows its state, also when the command changed nothing.
    UpdateDisplayMenu();
}

void Tevrin::OnMenuOption(QAction *action)
{
    if (CommandsAllowed() && action && action->data().isValid())
        GUI::RunCommandOption(action->data().toString());
}

void Tevrin::OnRecent(QAction *action)
{
    if (CommandsAllowed() && action && m_pInterface)
        m_pInterface->OpenFile(false, action->data().toString(), 0);
}

void Tevrin::OnCreate(QAction *action)
{
    if (!action || !m_pScene || !CommandsAllowed())
        return;
    const QString kind = action->data().toString();
    const QString name = action->text();
    Scene &scene = *m_pScene;
    if (kind == QLatin1String(".obj") || kind == QLatin1String(".tev")) {
        if (kind == QLatin1String(".obj"))
            scene.Import(General::ShippedFile(QStringLiteral("Meshes/%1.obj").arg(name)), true, false, true);
        else
            scene.Load(General::ShippedFile(QStringLiteral("Meshes/%1.tev").arg(name)), true, false);
        if (scene.GetObjectCount() == 1)
            m_pInterface->SetActiveObject(scene.m_pObjects);
    } else if (kind == QLatin1String("Spline")) {
        scene.Load(General::ShippedFile(QStringLiteral("Curves/%1.tev").arg(name)), true, false);
    } else if (kind == QLatin1String("Camera")) {
        auto *camera = new Camera;
        camera->m_sCameraName = QStringLiteral("Camera 0%1").arg(scene.m_iCameraCount);
        scene.AddCamera(camera);
    } else if (kind == QLatin1String("Light")) {
        auto *light = new Light;
        scene.AddLight(light);
        light->m_sLightName = QStringLiteral("Light 0%1").arg(scene.m_iLightCount);
    } else if (kind == QLatin1String("Material")) {
        // The material names itself by its place in the list.
        Surface::Materials().Append(new Surface::Material(Surface::Materials().Count()));
    } else if (kind == QLatin1String("SelectionSet")) {
        GUI::RunCommand(QStringLiteral("Create selection set"));
    }
    Interface::Redraw();
    InteractionHost().RefreshObjectList();
}

void Tevrin::OnAbout()
{
    QDialog about(this);
    about.setWindowTitle(QStringLiteral("About Orvexa Tevrin (rev. %1)").arg(kRevision));
    about.setFixedSize(500, 300);
    auto *text = new QTextEdit(&about);
    text->setReadOnly(true);
    text->setFixedSize(495, 295);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFile page(GUI::HelpFile(QStringLiteral("about.html")));
    if (page.open(QIODevice::ReadOnly))
        text->setHtml(QString::fromUtf8(page.readAll()));
    about.exec();
}

void Tevrin::OnShowMenu()
{
    if (m_pView)
        m_pView->setCursor(Qt::ArrowCursor);
}

void Tevrin::OnHideMenu()
{
    if (m_pView)
        m_pView->setCursor(Qt::BlankCursor);
}

void Tevrin::OnDocumentation() { WelcomeDlg::OpenDocumentation(); }

void Tevrin::OnHelpTool() { QWhatsThis::enterWhatsThisMode(); }

void Tevrin::OnSysInfo()
{
    // The graphics lines of the report are read from the view's context.
    if (m_pView)
        m_pView->makeCurrent();
    const QString report = SystemInfo::Get().GetReport();
    if (m_pView)
        m_pView->doneCurrent();
    auto *window = new GUI::SysInfoWindow(this, QString(), report);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void Tevrin::LoadHotkeys()
{
    m_bHotkeysRead = false;
    // A benchmark plays with the default keys; the user's file is then left as it is.
    if (CommandSwitches::s_bBenchmark || CommandSwitches::s_bSaveBenchmark || !m_pInterface)
        return;
    const QString path = WindowSettings::Current().settingFolder + QStringLiteral("/hotkeys.txt");
    const HotkeysFile::ReadResult read = HotkeysFile::Read(m_pInterface->m_cEventHandler, path);
    m_bHotkeysRead = read.refusal.isEmpty();
    if (read.refusal.isEmpty())
        return;
    // A file that is not hotkeys text is kept aside and the defaults are written at exit;
    // one that could not be read at all is left where it is, and not written.
    const QString kept = read.notHotkeys ? KeepAside(path) : QString();
    m_bHotkeysRead = !kept.isEmpty();
    TellRefused(path,
                kept.isEmpty() ? Tr("%1\nThe default keys are used.").arg(read.refusal)
                               : Tr("%1\nThe default keys are used; the file was moved to %2.").arg(read.refusal, kept),
                kept.isEmpty());
}

bool Tevrin::SaveHotkeys() const
{
    if (!m_bHotkeysRead || !m_pInterface)
        return false;
    const QString path = WindowSettings::Current().settingFolder + QStringLiteral("/hotkeys.txt");
    if (HotkeysFile::Write(m_pInterface->m_cEventHandler, path))
        return true;
    TellRefused(path, Tr("%1 could not be written; the keys of this run are not saved.").arg(path), false);
    return false;
}

void Tevrin::Quit()
{
    m_bQuitting = true;
    close();
}

void Tevrin::MakeStyle(const QString &name)
{
    QApplication::setStyle(name);
    if (name == QLatin1String("Platinum"))
        QApplication::setPalette(QPalette(QColor(239, 239, 239)));
    else if (name == QLatin1String("Motif") || name == QLatin1String("MotifPlus"))
        QApplication::setPalette(QPalette(QColor(192, 192, 192)));
}

void Tevrin::closeEvent(QCloseEvent *event)
{
    Console("Main window closed.\n");
    // Nobody is there to answer: the answer that ends the run and changes nothing on disk.
    // (Saving has no file to go to for a scene never saved, and cancelling would keep an
    // unattended run waiting for good.)
    if (CommandSwitches::s_bUnattended && m_pScene && m_pScene->m_bModified) {
        std::fputs("Exit: the scene was modified and is not saved (unattended).\n", stderr);
        std::fflush(stderr);
    } else if (m_pInterface && m_pInterface->AskSaveModified(Tr("Exit"))) {
        // A cancelled close leaves everything as it was: the quitting flag (so the menus work
        // again) and the current tool.
        event->ignore();
        m_bQuitting = false;
        return;
    }
    // The sketch tool is not kept as such: the settings store it as the tool it came from.
    if (m_pInterface && m_pInterface->m_pCurrentTool && m_pInterface->m_pCurrentTool->m_iType == kSketchTool)
        m_pInterface->m_pCurrentTool->m_iType = 1;
    Console("Saving settings...\n");
    WindowPlacement placement = PlacementOf(*this);
    SaveSettings(SettingsParts{m_pPreferences.get(), &placement, m_pView ? &m_pView->m_cToggles : nullptr},
                 m_cRecentFiles);
    Console("Saving hotkeys...\n");
    SaveHotkeys();
    m_aClosingLayout = saveState();
    QMainWindow::closeEvent(event);
}
