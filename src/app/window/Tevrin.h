#pragma once
// The main window: it builds the program's long-lived parts in a fixed, logged order
// (scene, 3D view, controller, status bar), funnels every key, mouse and tablet event to
// the controller, owns the status bar's messages, answers the window commands and takes
// everything apart again in a fixed order. There is one per run.

#include "app/settings/RecentFiles.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>

class InstanceLock;
class Interface;
class Preferences;
class PreferencesPrompts;
class QAction;
class QLabel;
class QMenu;
class Scene;
class SceneView;
class WindowServices;

namespace General {
class Node;
class TypeInfo;
}
namespace GUI {
class Alarm;
class ElidedLabel;
class Frame;
class MTray;
class TabPanel;
}

class Tevrin : public QMainWindow {
    Q_OBJECT

public:
    // `prompts` asks the first-start questions (the settings folder); none in a run without a person.
    Tevrin(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::Window, PreferencesPrompts *prompts = nullptr);
    ~Tevrin() override;

    // The main window; null before it is built and after it is gone.
    static Tevrin *Get() { return s_pInstance; }

    // --- status bar (nothing without a main window) --------------------------------------
    // State 0 the normal background, 1 yellow, 2 red; other states keep the colour.
    static void SetStatusMessage(int state, const QString &text);
    // The info label (the face counts of the 3D view).
    static void SetInfoText(const QString &text);
    // Milliseconds since the program's start timer started.
    static int64_t ElapsedTime();
    void SetMemoryText(const QString &text);
    QString GetStatusMessage() const { return m_sLastStatus; }
    int GetStatusState() const { return m_iStatusState; }

    // The caption: the program's title and version, then " - " and the scene file when given.
    void SetVersionCaption();
    void SetSceneCaption(const QString &file);

    // --- the long operation that lets events run from inside itself ---------------------
    // While busy no input reaches the controller and no menu command runs; Escape asks the
    // running operation to stop.
    bool IsBusy() const { return m_bBusy; }
    void SetBusy(bool busy) { m_bBusy = busy; }
    // A flag the running operation watches; Escape while busy sets it. Null for none.
    void SetCancelFlag(bool *flag) { m_pCancelFlag = flag; }
    bool IsQuitting() const { return m_bQuitting; }

    // --- parts ---------------------------------------------------------------------------
    Preferences *GetPreferences() const { return m_pPreferences.get(); }
    Scene *GetScene() const { return m_pScene.get(); }
    SceneView *GetView() const { return m_pView; }
    Interface *GetInterface() const { return m_pInterface.get(); }
    GUI::ElidedLabel *GetStatusLabel() const { return m_pStatusLabel; }
    QLabel *GetInfoLabel() const { return m_pInfoLabel; }
    QLabel *GetMemoryLabel() const { return m_pMemoryLabel; }
    // The status-bar frame the progress bar lives in (left of the status text).
    QWidget *GetProgressHolder() const { return m_pProgressHolder; }
    // The status-bar place of the save indicator (shown when the preferences ask for it).
    QWidget *GetSaveReminderHost() const { return m_pSaveReminderHost; }
    GUI::TabPanel *GetTabPanel() const { return m_pTabPanel; }
    // The save indicator inside its status-bar place.
    GUI::Alarm *GetSaveReminder() const { return m_pSaveReminder; }
    // Puts the save indicator into the status bar or takes it out; one already where it
    // belongs stays as it is (its count goes on).
    void ShowSaveReminder(bool shown);
    bool IsSaveReminderShown() const { return m_bSaveReminderShown; }
    RecentFiles &GetRecentFiles() { return m_cRecentFiles; }
    // The dock frame of that object name ("North", "South", "East", "West"), or null.
    GUI::Frame *GetFrame(const QString &name) const;
    // The tray of a file of the trays folder (the name up to its first "."), or of that
    // name: an open tray is brought forward, another one made as a page of "South". Null
    // when the name cannot name a tray.
    GUI::MTray *OpenTray(const QString &fileName);

    // Closes the docked and floating panels, which show the scene's nodes (the tab panel's
    // pages stay): they must not outlive the scene.
    void ReleasePropertyWindows();

    // The dock and tool-bar layout, read from and written to the file (written whole or
    // not at all). False when the file cannot be read or written. After the window has
    // closed, the layout written is the one it had at its close: the end of the event loop
    // then closes the floating frames too, which would be kept as hidden.
    bool LoadLayout(const QString &file);
    bool SaveLayout(const QString &file) const;

    // --- menus, hotkeys and expert mode ---------------------------------------------------
    // The check marks of the Display menu from the view's toggles, the window's full-screen
    // state and expert mode.
    void UpdateDisplayMenu();
    // Hides (entering) or shows again (leaving) the frames, status bar and menu bar the
    // preferences name. The menu bar stays while "Expert mode" has no key to leave by.
    void ToggleExpertMode();
    bool IsExpertMode() const { return m_bExpertMode; }
    QMenu *GetRecentMenu() const { return m_pRecentMenu; }
    // The handler table's codes from "hotkeys.txt" in the settings folder; not read while a
    // benchmark plays or records, and then not written back either.
    void LoadHotkeys();
    bool SaveHotkeys() const;
    // The What's This text of a menu entry: "help/whatsthis/<page>.html", empty when missing.
    static QString ReadHelpPage(const QString &page);

    // Sees every event of the program: window activation, mouse moves on the 3D view and
    // tablet pressure.
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    // Runs the command named by the action's data, unless quitting or busy.
    void OnMenu(QAction *action);
    // The same for the command's option step.
    void OnMenuOption(QAction *action);
    // Opens a new window of the registered dialog class the data names, captioned by the
    // action's text, floating over the main window.
    void OnWindow(QAction *action);
    // Opens the file named by the action's data.
    void OnRecent(QAction *action);
    // Makes what the action's data names: ".obj", ".tev", "Spline", "Camera", "Light",
    // "Material" or "SelectionSet".
    void OnCreate(QAction *action);
    void OnAbout();
    // Refills the Recent Files sub-menu, newest first, numbered from 1.
    void OnShowRecent();
    void OnShowMenu();
    void OnHideMenu();
    void OnDocumentation();
    void OnHelpTool();
    // Opens the "System Info" window with the machine's report.
    void OnSysInfo();
    // Sets the quitting flag and closes the window; a cancelled close clears the flag.
    void Quit();
    void MakeStyle(const QString &name);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildStatusBar();
    void BuildCentralWidget();
    // The dock frames with their trays and panels (TevrinDocks.cpp).
    void CreateFrames();
    // Deletes the frames, so their trays write their files now.
    void DeleteFrames();
    // The nine menus; most entries carry the name of the handler they run as their data.
    void BuildMainMenu();
    QMenu *AddMenu(const QString &title);
    void BuildFileMenu();
    void BuildEditMenu();
    void BuildCreateMenu();
    void BuildMeshMenu();
    void BuildCurvesMenu();
    void BuildDisplayMenu();
    void BuildUtilitiesMenu();
    // Lists the operations of one kind by name, then the entry that runs `handler`, or,
    // without one, makes a node of the kind and shows its page.
    void FillOperationMenu(QMenu *menu, const General::TypeInfo *record, const QString &handler);
    // Shows the page of the operation of that kind and name in a floating panel.
    void OpenOperation(const General::TypeInfo *record, const QString &name);
    void BuildWindowsMenu();
    void BuildHelpMenu();
    // Whether a menu command may run now.
    bool CommandsAllowed() const { return !m_bQuitting && !m_bBusy; }

    QString m_sCaption;
    // The layout when the window closed, empty before.
    QByteArray m_aClosingLayout;
    QString m_sLastStatus;
    int m_iStatusState = 0;
    QElapsedTimer m_cWindowTimer;

    QWidget *m_pProgressHolder = nullptr;
    QWidget *m_pSaveReminderHost = nullptr;
    GUI::Alarm *m_pSaveReminder = nullptr;
    RecentFiles m_cRecentFiles;
    GUI::ElidedLabel *m_pStatusLabel = nullptr;
    QLabel *m_pInfoLabel = nullptr;
    QLabel *m_pMemoryLabel = nullptr;
    GUI::TabPanel *m_pTabPanel = nullptr;
    QList<GUI::Frame *> m_lFrames;
    SceneView *m_pView = nullptr;

    bool m_bBusy = false;
    bool *m_pCancelFlag = nullptr;
    bool m_bShowMaximized = false;
    bool m_bTablet = false;
    bool m_bQuitting = false;
    bool m_bExpertMode = false;
    bool m_bSaveReminderShown = false;
    // False when the hotkeys file was not read (benchmark runs, or a file refused as no
    // regular file within its bounds): it is then not written.
    bool m_bHotkeysRead = false;
    QMenu *m_pRecentMenu = nullptr;
    // Smooth Shade, Wireframe, Points, Textures, Lighting, Light Both Sides, Show Both Sides,
    // Grid, Meshes, Curves, Gradient Background, Full Screen, Expert Mode.
    QAction *m_aDisplayActions[13] = {};
    int64_t m_iLastTabletEvent = -1000000;  // start-timer milliseconds
    uint32_t m_iModifiers = 0;

    std::unique_ptr<InstanceLock> m_pInstance;  // held for the whole run
    std::unique_ptr<Preferences> m_pPreferences;
    std::unique_ptr<Scene> m_pScene;
    // Operations made from the Utilities menu, with their node ids: those still alive end
    // with the window.
    QList<QPair<General::Node *, int>> m_aOperationsMade;
    std::unique_ptr<Interface> m_pInterface;
    std::unique_ptr<WindowServices> m_pServices;

    static Tevrin *s_pInstance;
};
