// The main window as the program builds it: its construction and tear-down order, the
// status bar, input through its own entry points (QTest events), the busy flag, closing,
// and files opened through the controller.
#include "WindowFixture.h"
#include "app/InteractiveRoad.h"
#include "app/services/WindowShell.h"
#include "app/startup/CommandSwitches.h"

#include "app/services/AppInteractionServices.h"
#include "app/settings/LayoutFile.h"
#include "app/settings/Preferences.h"
#include "app/settings/WindowPrompts.h"
#include "app/startup/RunLog.h"
#include "app/system/SystemInfo.h"
#include "browser/ImageBrowser.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "gui/dialogs/PathPreferences.h"
#include "gui/dialogs/SysInfoWindow.h"
#include "gui/panels/TabPanel.h"
#include "gui/progress/ProgressShell.h"
#include "gui/status/ElidedLabel.h"
#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "viewport/view/SceneView.h"

#include <QFileInfo>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTabletEvent>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <QTimer>

#include <cmath>

#include <sys/stat.h>

using apptest::ConsoleLines;
using apptest::MainWindowTest;

namespace {

// Gives the handler a body that writes "name event" to `log`.
void Watch(const char *name, QStringList &log)
{
    Interface::Get()->m_cEventHandler.SetBody(name, [name, &log](int event) -> Function * {
        log << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(event);
        return nullptr;
    });
}

QPoint ViewCentre(const SceneView &view) { return view.rect().center(); }

// A mouse move over the view without a button held, as the window system delivers it.
void MoveOver(SceneView &view, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
}

// A built window whose handlers "Draw", "Toggle wireframe" and "Deselect all" write what
// they receive to m_log, and a menu entry of "Deselect all".
class WindowInputTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!apptest::HasGL())
            return;
        Build();
        for (const char *name : {"Draw", "Toggle wireframe", "Deselect all"})
            Watch(name, m_log);
        m_menu.setData(QStringLiteral("Deselect all"));
    }

    QStringList m_log;
    QAction m_menu{QStringLiteral("Deselect all")};
};

}  // namespace

TEST_F(MainWindowTest, ConstructionBuildsEveryPartInOrderAndSaysSo)
{
    REQUIRE_WINDOW_GL();
    QStringList lines = ConsoleLines([this] { m_window = std::make_unique<Tevrin>(); });
    const QStringList expected = {
        "Constructing the main window....", "Instance lock checked.",     "GUI style set.",
        "Timer started",                    "Preferences object created.", "Materials inited.",
        "Brushes inited.",                  "Trays inited.",             "3d viewport inited.",
        "Dialogs inited.",                  "Scene created.",            "Default light added.",
        "Default cameras added.",           "3d viewport object created.", "Settings loaded.",
        "Checking crash logs...",           "Logfile: ",                 "Log file created.",
        "Interface object created.",        "Recent files list populated.", "Hotkeys file loaded.",
        "Status bar initialized.",          "Tab panels created.",       "Frames created.",
        "Main menu created.",               "Main window shown.",        "Program started.",
    };
    ASSERT_EQ(lines.size(), expected.size()) << lines.join("\n").toStdString();
    // The log file's path is the preferences' log folder with this copy's name.
    EXPECT_EQ(lines[16], QStringLiteral("Logfile: %1/tevrin%2.log")
                             .arg(m_window->GetPreferences()->LogFiles, General::InstanceSuffix()));
    lines[16] = QStringLiteral("Logfile: ");
    EXPECT_EQ(lines, expected);
    Settle();

    Tevrin &window = *m_window;
    EXPECT_EQ(Tevrin::Get(), &window);
    EXPECT_EQ(window.GetStatusMessage(), "program started.");
    // The 3D view is the first tab of the central tab panel.
    GUI::TabPanel *tabs = window.GetTabPanel();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(window.centralWidget(), tabs);
    EXPECT_EQ(tabs->objectName(), "tab");
    EXPECT_EQ(tabs->tabText(0), "3D View");
    EXPECT_EQ(tabs->widget(0), window.GetView());
    EXPECT_EQ(tabs->currentIndex(), 0);
    // The image browser is the second tab.
    EXPECT_EQ(tabs->tabText(1), "Image Browser");
    EXPECT_NE(tabs->widget(1)->findChild<ImageBrowser *>(), nullptr);
    // The scene with its default light and cameras; the controller with the view's camera
    // and the first sculpting tool.
    Scene *scene = window.GetScene();
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(Scene::GetCurrent(), scene);
    EXPECT_EQ(scene->m_iLightCount, 1);
    EXPECT_EQ(scene->m_iCameraCount, 4);
    ASSERT_NE(window.GetInterface(), nullptr);
    EXPECT_EQ(Interface::Get(), window.GetInterface());
    ASSERT_NE(window.GetInterface()->m_pCurrentTool, nullptr);
    EXPECT_EQ(window.GetInterface()->m_pCurrentTool->m_iType, 1);
    EXPECT_EQ(window.GetView()->GetCamera(), scene->m_pActiveCamera);
    // The window's services answer the layers below.
    EXPECT_TRUE(InteractionHost().HasView());
    EXPECT_EQ(InteractionHost().GetViewWidth(), window.GetView()->width());
    EXPECT_NE(&General::Shell(), static_cast<General::ShellServices *>(&Recorder()));
}

// The first start asks for the folders before the window is shown: a refused folder must still
// say why, or OK seems to do nothing.
// Benchmark playback warns before it plays, as a critical box with OK; a run nobody watches
// gets the words on standard error and goes on. Other runs say nothing.
TEST_F(MainWindowTest, BenchmarkPlaybackWarnsFirstThroughTheMessageShell)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString box = QStringLiteral("Orvexa Tevrin 1.0: Tevrin will open in benchmarking mode and a recording will "
                                       "be played back.\nWe suggest to close all other 3D applications before continue.");
    const struct {
        bool benchmark;
        bool unattended;
        QStringList boxes;
        QString standardError;
    } cases[] = {
        {false, false, {}, {}},
        {true, false, {box}, {}},
        {false, true, {}, {}},
        {true, true, {}, box + QLatin1Char('\n')},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.benchmark << c.unattended);
        Recorder().Clear();
        CommandSwitches::s_bBenchmark = c.benchmark;
        CommandSwitches::s_bUnattended = c.unattended;
        // Without a person the window's own shell speaks, not the test's recorder.
        WindowShell::SetModalOverride(c.unattended ? nullptr : &Recorder());
        testing::internal::CaptureStderr();
        ShowBenchmarkNotice();
        const QString printed = QString::fromStdString(testing::internal::GetCapturedStderr());
        WindowShell::SetModalOverride(&Recorder());
        CommandSwitches::s_bBenchmark = CommandSwitches::s_bUnattended = false;
        EXPECT_EQ(Recorder().boxes, c.boxes);
        if (!c.boxes.isEmpty())
            EXPECT_EQ(Recorder().boxKinds, std::vector({General::ShellServices::kCritical}));
        EXPECT_EQ(printed, c.standardError);
    }
}

TEST_F(MainWindowTest, TheFirstStartsFolderDialogSaysWhyItRefusesAFolder)
{
    REQUIRE_WINDOW_GL();
    QTemporaryDir home, chosen;
    // A folder nobody can write in, the superuser included.
    const QString locked = QStringLiteral("/proc");
    const QByteArray data = qgetenv("XDG_DATA_HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    // Until the window installs its own, the program has a shell that shows nothing.
    General::ShellServices silent;
    General::InstallShell(&silent);

    const QStringList answers = {QStringLiteral("/no/such/folder"), locked, chosen.path()};
    int answered = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<GUI::PathPreferences *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (answered == answers.size()) {
            dialog->reject();  // the good folder was refused too: end the loop
            return;
        }
        dialog->findChild<QLineEdit *>(QStringLiteral("settings"))->setText(answers[answered++]);
        dialog->OnOK();
    });
    answer.start(10);
    WindowPrompts prompts;
    ConsoleLines([&] { m_window = std::make_unique<Tevrin>(nullptr, Qt::Window, &prompts); });
    answer.stop();
    EXPECT_EQ(Recorder().messages.join(QLatin1Char('|')).toStdString(),
              "Settings directory does not exist!|Settings directory cannot be written!");
    EXPECT_EQ(m_window->GetPreferences()->SettingFiles.toStdString(), chosen.path().toStdString());

    ConsoleLines([this] { m_window.reset(); });
    General::InstallShell(&Recorder());
    qputenv("XDG_DATA_HOME", data);
    qputenv("XDG_CONFIG_HOME", config);
}

TEST_F(MainWindowTest, TheHelpMenuOpensTheSystemReport)
{
    REQUIRE_WINDOW_GL();
    Build();
    QMenu *help = m_window->menuBar()->findChild<QMenu *>(QStringLiteral("Help"));
    ASSERT_NE(help, nullptr);
    QStringList texts;
    for (QAction *action : help->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        // Entries call their own slots: no data, no shortcut of their own.
        EXPECT_FALSE(action->data().isValid()) << action->text().toStdString();
        EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
    }
    EXPECT_EQ(texts, QStringList({"Help Tool\tAlt+F1", "Documentation\tF1", "-", "System Info", "-",
                                  "About Orvexa Tevrin"}));
    help->actions()[3]->trigger();
    auto *window = m_window->findChild<GUI::SysInfoWindow *>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "System Info");
    EXPECT_TRUE(window->GetText().startsWith(SystemInfo::Get().GetReport().left(40)));
    EXPECT_FALSE(window->GetText().startsWith("PERFORMANCE"));
}

TEST_F(MainWindowTest, StatusMessagesKeepTheirWholeTextAndColour)
{
    REQUIRE_WINDOW_GL();
    Build();
    Tevrin &window = *m_window;
    const QColor normal = window.palette().color(QPalette::Window);
    struct Case {
        int state;
        QColor colour;
    };
    const Case cases[] = {{1, QColor("yellow")}, {2, QColor("red")}, {0, normal}};
    for (const Case &c : cases) {
        Tevrin::SetStatusMessage(c.state, QStringLiteral("state %1").arg(c.state));
        EXPECT_EQ(window.GetStatusLabel()->text(), QStringLiteral("state %1").arg(c.state));
        EXPECT_EQ(window.GetStatusLabel()->palette().color(QPalette::Window), c.colour) << c.state;
    }
    // Another state keeps the colour; a text far past any buffer arrives whole.
    Tevrin::SetStatusMessage(1, QStringLiteral("warn"));
    const QString longText = QString(5000, QLatin1Char('x')) + QStringLiteral("end");
    Tevrin::SetStatusMessage(7, longText);
    EXPECT_EQ(window.GetStatusMessage(), longText);
    EXPECT_EQ(window.GetStatusLabel()->palette().color(QPalette::Window), QColor("yellow"));
    // A long message does not widen the window.
    const int width = window.width();
    QApplication::processEvents();
    EXPECT_EQ(window.width(), width);
    // It is not cut off unseen: the label ends it in an ellipsis and keeps it for its tooltip.
    EXPECT_TRUE(window.GetStatusLabel()->IsElided());
    EXPECT_EQ(window.GetStatusLabel()->text(), longText);

    // Through the shell, also from another thread (it arrives through the event loop).
    General::Shell().SetStatusMessage(QStringLiteral("from the shell"), 0);
    EXPECT_EQ(window.GetStatusMessage(), "from the shell");
    QThread *thread = QThread::create([] { General::Shell().SetStatusMessage(QStringLiteral("from a worker"), 2); });
    thread->start();
    thread->wait();
    delete thread;
    QApplication::processEvents();
    EXPECT_EQ(window.GetStatusMessage(), "from a worker");
    EXPECT_EQ(window.GetStatusState(), 2);

    Tevrin::SetInfoText(QStringLiteral("12 faces"));
    EXPECT_EQ(window.GetInfoLabel()->text(), "12 faces");
    const int64_t before = Tevrin::ElapsedTime();
    QTest::qWait(20);
    EXPECT_GE(Tevrin::ElapsedTime(), before + 15);
}

TEST_F(MainWindowTest, ProgressRepaintsOnlyItsBarAFewTimesBesideTheStatusText)
{
    REQUIRE_WINDOW_GL();
    Build();
    Tevrin &window = *m_window;
    auto &shell = static_cast<GUI::ProgressShell &>(General::Shell());
    shell.ProgressStart(QStringLiteral("working..."), 3000);
    for (uint64_t i = 1; i <= 3000; ++i)
        shell.ProgressSet(i);
    ASSERT_NE(shell.GetBar(), nullptr);
    const GUI::ProgressBar &bar = *shell.GetBar();
    // Thousands of steps in a few milliseconds paint the bar a handful of times, the last step among them.
    EXPECT_LE(bar.GetPaintCount(), 5);
    EXPECT_GE(bar.GetPaintCount(), 1);
    EXPECT_EQ(bar.GetValue(), 3000u);
    // The bar sits in its holder, apart from the status text, which it leaves readable.
    EXPECT_EQ(bar.parentWidget(), window.GetProgressHolder());
    const QRect barRect(bar.mapTo(&window, QPoint(0, 0)), bar.size());
    const QRect textRect(window.GetStatusLabel()->mapTo(&window, QPoint(0, 0)), window.GetStatusLabel()->size());
    EXPECT_FALSE(barRect.intersects(textRect));
    EXPECT_EQ(window.GetStatusMessage(), "working...");
    shell.ProgressEnd();
    EXPECT_FALSE(bar.isVisible());
}

TEST_F(WindowInputTest, KeysAndButtonsReachTheControllerThroughTheWindow)
{
    REQUIRE_WINDOW_GL();
    Tevrin &window = *m_window;
    Interface &controller = *window.GetInterface();
    QStringList &log = m_log;
    SceneView &view = *window.GetView();

    // A move over the view sets the controller's position as a fraction of the view.
    const QPoint centre = ViewCentre(view);
    MoveOver(view, centre);
    EXPECT_NEAR(controller.m_fMouseX, 0.5f, 0.02f);
    EXPECT_NEAR(controller.m_fMouseY, 0.5f, 0.02f);

    // A press on the view activates the handler of the left button, the release ends it.
    QTest::mousePress(&view, Qt::LeftButton, {}, centre);
    EXPECT_EQ(log, QStringList{"Draw 1"});
    QTest::mouseRelease(&view, Qt::LeftButton, {}, centre);
    EXPECT_EQ(log, (QStringList{"Draw 1", "Draw 2"}));

    // A press on the status bar is no press on the view.
    log.clear();
    QTest::mousePress(window.GetStatusLabel(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(window.GetStatusLabel(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(log.contains("Draw 1"));

    // Keys go through the window to the handler table (W: "Toggle wireframe").
    log.clear();
    QTest::keyClick(&window, Qt::Key_W);
    EXPECT_EQ(log.value(0), "Toggle wireframe 1");
}

TEST_F(WindowInputTest, WhileBusyNoInputOrMenuCommandRunsAndEscapeAsksToStop)
{
    REQUIRE_WINDOW_GL();
    Tevrin &window = *m_window;
    Interface &controller = *window.GetInterface();
    QStringList &log = m_log;
    QAction &menu = m_menu;
    bool cancelled = false;
    window.SetCancelFlag(&cancelled);

    window.SetBusy(true);
    QTest::keyClick(&window, Qt::Key_W);
    QTest::mousePress(window.GetView(), Qt::LeftButton, {}, ViewCentre(*window.GetView()));
    QTest::mouseRelease(window.GetView(), Qt::LeftButton, {}, ViewCentre(*window.GetView()));
    window.OnMenu(&menu);
    EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
    EXPECT_FALSE(controller.m_bCancel);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(controller.m_bCancel);
    EXPECT_TRUE(cancelled);
    // The long operation takes the request once.
    EXPECT_TRUE(General::Shell().TakeCancelRequest());
    EXPECT_FALSE(General::Shell().TakeCancelRequest());

    // Idle again: the same input and the menu run, and Escape is a key like any other.
    window.SetBusy(false);
    window.SetCancelFlag(nullptr);
    window.OnMenu(&menu);
    QTest::keyClick(&window, Qt::Key_W);
    EXPECT_EQ(log, (QStringList{"Deselect all 5", "Toggle wireframe 1", "Toggle wireframe 2"}));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(controller.m_bCancel);
}

TEST_F(MainWindowTest, EventsRunFromInsideALongOperationCountAsBusy)
{
    REQUIRE_WINDOW_GL();
    Build();
    bool busyInside = false;
    QTimer::singleShot(0, m_window.get(), [this, &busyInside] { busyInside = m_window->IsBusy(); });
    General::Shell().ProcessEvents();
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(m_window->IsBusy());
}

TEST_F(MainWindowTest, TabletPressureOnTheViewBecomesTheControllersPressure)
{
    REQUIRE_WINDOW_GL();
    Build();
    SceneView &view = *m_window->GetView();
    Interface &controller = *m_window->GetInterface();
    const QPointF at = ViewCentre(view);
    for (const double pressure : {0.25, 1.7, -0.2}) {
        QTabletEvent event(QEvent::TabletMove, QPointingDevice::primaryPointingDevice(), at, view.mapToGlobal(at),
                           pressure, 0, 0, 0, 0, 0, {}, Qt::NoButton, Qt::NoButton);
        QApplication::sendEvent(&view, &event);
        EXPECT_FLOAT_EQ(controller.m_fPressure, std::clamp(float(pressure), 0.0f, 1.0f)) << pressure;
    }
    // A mouse move right after the tablet carries its pressure.
    QTabletEvent event(QEvent::TabletMove, QPointingDevice::primaryPointingDevice(), at, view.mapToGlobal(at), 0.4, 0,
                       0, 0, 0, 0, {}, Qt::NoButton, Qt::NoButton);
    QApplication::sendEvent(&view, &event);
    MoveOver(view, ViewCentre(view) + QPoint(3, 3));
    EXPECT_FLOAT_EQ(controller.m_fPressure, 0.4f);
}

TEST_F(WindowInputTest, CancellingTheCloseKeepsTheWindowTheMenusAndTheTool)
{
    REQUIRE_WINDOW_GL();
    Tevrin &window = *m_window;
    Interface &controller = *window.GetInterface();
    Brush sketch(QStringLiteral("Sketch test"), 25, QStringLiteral("sculpting"), 0, QString());
    controller.m_pCurrentTool = &sketch;
    window.GetScene()->m_bModified = true;
    QStringList &log = m_log;
    QAction &menu = m_menu;

    Recorder().answers = {2};  // "Cancel"
    const QStringList lines = ConsoleLines([&] { window.Quit(); });
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Recorder().boxes.value(0), "Exit: Scene was modified. Do you wish to save?");
    EXPECT_FALSE(lines.contains("Saving settings..."));
    EXPECT_FALSE(window.IsQuitting());
    EXPECT_EQ(sketch.m_iType, 25);
    window.OnMenu(&menu);
    EXPECT_EQ(log, QStringList{"Deselect all 5"});

    // "Don't save" closes; the sketch tool is kept as the tool it came from.
    Recorder().answers = {1};
    const QStringList closing = ConsoleLines([&] { window.Quit(); });
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closing, (QStringList{"Main window closed.", "Saving settings...", "Saving hotkeys..."}));
    EXPECT_EQ(sketch.m_iType, 1);
    controller.m_pCurrentTool = nullptr;
}

TEST_F(MainWindowTest, ShutdownClosesTheLogAndReleasesPanelsBeforeTheScene)
{
    REQUIRE_WINDOW_GL();
    Build();
    // The window's own log file, which the tear-down closes after its last line.
    QFile log(RunLog::LogFilePath(m_window->GetPreferences()->LogFiles, General::InstanceSuffix()));
    ASSERT_NE(General::GetLogFile(), nullptr);
    // A docked panel that watches the scene as it goes.
    auto *dock = new QDockWidget(QStringLiteral("Properties"), m_window.get());
    m_window->addDockWidget(Qt::RightDockWidgetArea, dock);
    bool sceneAliveAtRelease = false;
    QObject::connect(dock, &QObject::destroyed, [&] { sceneAliveAtRelease = Scene::GetCurrent() != nullptr; });

    const QStringList lines = ConsoleLines([this] { m_window.reset(); });
    EXPECT_EQ(lines, (QStringList{"Closing log...", "Deleting scene...", "Deleting interface...",
                                  "Deleting preferences..."}));
    EXPECT_TRUE(sceneAliveAtRelease);
    EXPECT_EQ(General::GetLogFile(), nullptr);
    EXPECT_EQ(Tevrin::Get(), nullptr);
    EXPECT_EQ(Interface::Get(), nullptr);
    EXPECT_FALSE(InteractionHost().HasView());
    // The shell of the tests is back.
    EXPECT_EQ(&General::Shell(), static_cast<General::ShellServices *>(&Recorder()));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray written = log.readAll();
    EXPECT_TRUE(written.contains("Shutdown, memory used: ")) << written.toStdString();
    EXPECT_TRUE(written.endsWith(" Megabytes\n")) << written.toStdString();
}

TEST_F(MainWindowTest, TheLayoutFileIsWrittenWholeOrNotAtAll)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString file = File("ui.sav");
    ASSERT_TRUE(m_window->SaveLayout(file));
    const QByteArray saved = [&] {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }();
    EXPECT_FALSE(saved.isEmpty());
    EXPECT_TRUE(m_window->LoadLayout(file));
    // Into a folder that does not exist: refused, and no stray file is left.
    EXPECT_FALSE(m_window->SaveLayout(File("missing/ui.sav")));
    EXPECT_FALSE(m_window->LoadLayout(File("missing/ui.sav")));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"ui.sav"});
}

TEST_F(MainWindowTest, ADamagedLayoutFileNeverReachesQtsReaderOfTheState)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString file = File("ui.sav");
    ASSERT_TRUE(m_window->SaveLayout(file));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    in.close();
    // One changed byte inside the state: two such changes in a real state crashed the reader.
    ASSERT_GT(bytes.size(), 100);
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x40);
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    EXPECT_FALSE(m_window->LoadLayout(file));
}

// A start takes a layout whose bytes were changed one at a time (each then given a matching
// hash); whatever it takes, the window writes back in a form the next start takes too. The
// window is laid out with a tab group nested in a split area, as people arrange it.
TEST_F(MainWindowTest, EveryLayoutAStartTakesIsSavedInAFormTheNextStartTakes)
{
    REQUIRE_WINDOW_GL();
    Build();
    m_window->tabifyDockWidget(m_window->findChild<QDockWidget *>(QStringLiteral("East")),
                               m_window->findChild<QDockWidget *>(QStringLiteral("West")));
    Settle();
    const QByteArray genuine = m_window->saveState();
    QStringList docks, toolBars;
    for (const QDockWidget *dock : m_window->findChildren<QDockWidget *>())
        docks << dock->objectName();
    for (const QToolBar *bar : m_window->findChildren<QToolBar *>())
        toolBars << bar->objectName();
    ASSERT_TRUE(LayoutFile::IsPlausible(genuine, docks, toolBars));
    int taken = 0;
    for (qsizetype at = 0; at < genuine.size(); ++at) {
        const uchar was = uchar(genuine[at]);
        for (const uchar value : {uchar(was ^ 0x01), uchar(was ^ 0x80), uchar(0x00), uchar(0xff), uchar(was + 1),
                                  uchar(was - 1)}) {
            QByteArray state = genuine;
            state[at] = char(value);
            if (state == genuine || !LayoutFile::IsPlausible(state, docks, toolBars))
                continue;
            m_window->restoreState(genuine);
            if (!LayoutFile::Restore(*m_window, LayoutFile::Compose(state)))
                continue;
            ++taken;
            EXPECT_TRUE(LayoutFile::IsPlausible(m_window->saveState(), docks, toolBars))
                << "byte " << at << " set to " << int(value);
        }
    }
    EXPECT_GT(taken, 0);
}

TEST_F(MainWindowTest, ALayoutFileThatIsNoRegularFileIsNeitherReadNorReplaced)
{
    REQUIRE_WINDOW_GL();
    Build();
    const QString fifo = File("fifo"), file = File("ui.sav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    EXPECT_FALSE(m_window->LoadLayout(fifo)) << "with no writer, an unbounded read would wait here";
    ASSERT_TRUE(QFile::link(fifo, file));
    EXPECT_FALSE(m_window->SaveLayout(file));
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile()) << "the FIFO stays";
}

TEST_F(MainWindowTest, FilesThatCannotBeOpenedSayWhyAndLeaveAnEmptyScene)
{
    REQUIRE_WINDOW_GL();
    Build();
    Interface &controller = *m_window->GetInterface();
    QFile bad(File("bad.obj"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("v 0 0 0\nv 1 0 0\nf 1 2 3\n");
    bad.close();
    QFile text(File("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.close();
    struct Case {
        QString file;
        QString box;
    };
    const Case cases[] = {
        {File("missing.obj"), "cannot be opened"},
        {File("bad.obj"), "ine 3"},
        {File("missing.tev"), "Cannot open file for input!"},
        {File("notes.txt"), "Error: Unknown file format"},
    };
    for (const Case &c : cases) {
        Recorder().Clear();
        controller.OpenFile(false, c.file, 0);
        const QString shown = (Recorder().messages + Recorder().boxes).join(QLatin1Char('|'));
        EXPECT_TRUE(shown.contains(c.box)) << c.file.toStdString() << ": " << shown.toStdString();
        EXPECT_FALSE(shown.startsWith("Not enough memory")) << shown.toStdString();
        EXPECT_EQ(m_window->GetScene()->GetObjectCount(), 0);
        EXPECT_NE(m_window->GetStatusMessage(), "importing...");
    }
}

TEST_F(MainWindowTest, AnOpenedMeshIsActiveFramedAndPickedWhereItIsSeen)
{
    REQUIRE_WINDOW_GL();
    Build();
    apptest::WriteTorus(File("torus.obj"), 64, 48);
    Interface &controller = *m_window->GetInterface();
    controller.OpenFile(false, File("torus.obj"), 0);
    Scene &scene = *m_window->GetScene();
    ASSERT_EQ(scene.GetObjectCount(), 1);
    EXPECT_EQ(scene.m_pObjects->m_iFaceCount, 3072u);
    EXPECT_EQ(controller.m_pActiveObject, scene.m_pObjects);
    EXPECT_TRUE(Recorder().boxes.isEmpty()) << Recorder().boxes.join(QLatin1Char('|')).toStdString();
    Settle();
    m_window->GetView()->repaint();

    // The torus's outer rim projects inside the view, and a pick there through the window's
    // services (view pixels from the top) hits it.
    Camera &camera = *scene.m_pActiveCamera;
    float x = 0, row = 0;
    camera.Project(General::Vector(12.0f, 0.0f, 0.0f), x, row);
    const SceneView &view = *m_window->GetView();
    const float viewRow = row - AppInteractionServices::CameraRow(0.0f, camera.m_aViewport[3], camera.m_fHeightRatio);
    ASSERT_GT(x, 0.0f);
    ASSERT_LT(x, float(view.width()));
    ASSERT_GT(viewRow, 0.0f);
    ASSERT_LT(viewRow, float(view.height()));
    const PickHit hit = InteractionHost().Pick(x, viewRow);
    EXPECT_EQ(hit.object, scene.m_pObjects);
    // Off the torus, in the view's corner, nothing.
    EXPECT_EQ(InteractionHost().Pick(2.0f, 2.0f).object, nullptr);
}

namespace {

// The pixels where two frames of the same size differ, and their bounding box.
struct Difference {
    int count = 0;
    QRect box;
};
Difference Compare(const QImage &a, const QImage &b)
{
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++d.count;
                d.box |= QRect(x, y, 1, 1);
            }
    return d;
}

}  // namespace

TEST_F(MainWindowTest, AnEmptySceneShowsTheGridAndAnOpenedMeshIsLitAndFramed)
{
    REQUIRE_WINDOW_GL();
    Build();
    SceneView &view = *m_window->GetView();
    // The grid is the preferences' (their defaults on this fresh start).
    EXPECT_EQ(view.m_cSettings.m_iGridLines, m_window->GetPreferences()->GridLines);
    EXPECT_EQ(view.m_cSettings.m_fGridSize, float(m_window->GetPreferences()->GridSpacing));
    // The whole frame is drawn again for each picture.
    const auto grab = [&view] {
        Interface::Redraw();
        return view.grabFramebuffer();
    };
    const QImage withGrid = grab();
    view.m_cToggles.m_bGrid = false;
    const QImage withoutGrid = grab();
    view.m_cToggles.m_bGrid = true;
    withGrid.save(QStringLiteral(TEVRIN_SCREENSHOTS "/empty_scene.png"));
    // The grid spreads over a good part of the view, not a speck in its middle.
    const Difference grid = Compare(withGrid, withoutGrid);
    EXPECT_GT(grid.box.width(), view.width() / 2) << grid.box.width();
    EXPECT_GT(grid.count, view.width() * view.height() / 100);

    apptest::WriteTorus(File("torus.obj"), 64, 48);
    m_window->GetInterface()->OpenFile(false, File("torus.obj"), 0);
    QApplication::processEvents();
    grab().save(QStringLiteral(TEVRIN_SCREENSHOTS "/torus.png"));
    // Against the background alone (the framing moved the camera, and the grid with it).
    view.m_cToggles.m_bGrid = false;
    const QImage torus = grab();
    view.m_cToggles.m_bGrid = true;
    const Difference shown = Compare(torus, withoutGrid);
    // Framed: the torus fills a good part of the view around its centre.
    ASSERT_GT(shown.count, 0);
    EXPECT_GT(std::max(shown.box.width() / double(view.width()), shown.box.height() / double(view.height())), 0.3);
    EXPECT_NEAR(shown.box.center().x(), view.width() / 2, view.width() / 8);
    EXPECT_NEAR(shown.box.center().y(), view.height() / 2, view.height() / 8);
    // Lit: its pixels are shaded, not one flat colour.
    int darkest = 255, brightest = 0;
    for (int y = shown.box.top(); y <= shown.box.bottom(); ++y)
        for (int x = shown.box.left(); x <= shown.box.right(); ++x)
            if (torus.pixel(x, y) != withoutGrid.pixel(x, y)) {
                const int grey = qGray(torus.pixel(x, y));
                darkest = std::min(darkest, grey);
                brightest = std::max(brightest, grey);
            }
    EXPECT_GT(brightest - darkest, 60) << darkest << ".." << brightest;
    EXPECT_GT(brightest, 120);
}

TEST_F(MainWindowTest, SettingsWrittenAtCloseComeBackInTheNextWindow)
{
    REQUIRE_WINDOW_GL();
    Build();
    ASSERT_NE(m_window->GetSaveReminder(), nullptr);
    m_window->GetPreferences()->LinearUnit = 3;
    m_window->GetRecentFiles().Add(QStringLiteral("/scenes/one.tev"));
    m_window->GetView()->m_cToggles.m_bWireframe = true;
    const QString folder = m_window->GetPreferences()->SettingFiles;
    ConsoleLines([this] { m_window->Quit(); });
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/settings.sav")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/recent.sav")));
    m_window.reset();

    Build();
    EXPECT_EQ(m_window->GetPreferences()->LinearUnit, 3);
    EXPECT_EQ(m_window->GetRecentFiles().Files(), QStringList{QStringLiteral("/scenes/one.tev")});
    EXPECT_TRUE(m_window->GetView()->m_cToggles.m_bWireframe);
}
