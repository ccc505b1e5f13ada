// The Preferences window offscreen: what it shows for the defaults, what each editor
// writes back, the refused values, the folders, the colours and the camera guard.
#include "AppTestFolders.h"
#include "app/dialogs/PreferencesDialog.h"
#include "app/dialogs/PreferencesDialogHost.h"
#include "app/settings/Preferences.h"
#include "app/settings/WindowPrompts.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/PathPreferences.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "scene/camera/Camera.h"
#include "support/RecordingShell.h"
#include "viewport/view/ViewToggles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

class RecordingHost : public PreferencesDialogHost {
public:
    Camera *ActiveCamera() override { return camera; }
    ViewToggles *ViewFlags() override { return view; }
    void Redraw() override { ++redraws; }
    void RefreshPropertiesPage(const QString &page) override { pages << page; }
    void ShowSaveReminder(bool shown) override { reminderShown = shown; }
    void RefreshStatusText() override { ++statusTexts; }
    void UpdateLayerList() override { ++layerLists; }
    void RefreshObjectLists() override { ++objectLists; }

    Camera *camera = nullptr;
    ViewToggles *view = nullptr;
    int redraws = 0, statusTexts = 0, layerLists = 0, objectLists = 0;
    QStringList pages;
    bool reminderShown = true;
};

class ScriptedModals : public GUI::ModalDialogs {
public:
    QColor GetColor(const QColor &, QWidget *) override { return Next(colours); }
    QString GetExistingDirectory(QWidget *, const QString &, const QString &) override { return Next(folders); }
    bool AskYesNo(QWidget *, const QString &, const QString &) override { return false; }

    std::deque<QColor> colours;
    std::deque<QString> folders;

private:
    template <class T> static T Next(std::deque<T> &queue)
    {
        if (queue.empty())
            return T();
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

class PreferencesWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pPreferences = std::make_unique<Preferences>();
        m_pPreferences->MaximumTextureSize = 2048;
        PreferencesDialogHost::Install(&m_cHost);
        GUI::ModalDialogs::Install(&m_cModals);
        m_cHost.camera = &m_cCamera;
        m_cHost.view = &m_cView;
        m_pDialog = std::make_unique<GUI::PreferencesDialog>(nullptr, "prefs");
        Recorder().Clear();
    }
    void TearDown() override
    {
        m_pDialog.reset();
        GUI::ModalDialogs::Install(nullptr);
        PreferencesDialogHost::Install(nullptr);
    }

    template <class T> T *Child(const char *name) { return m_pDialog->findChild<T *>(QString::fromLatin1(name)); }
    // Types into a field and leaves it, as a user does.
    void Enter(const char *key, const QString &text)
    {
        QLineEdit *edit = Child<QLineEdit>(key);
        edit->setText(text);
        emit edit->editingFinished();
    }
    void Choose(const char *combo, int index)
    {
        Child<QComboBox>(combo)->setCurrentIndex(index);
        emit Child<QComboBox>(combo)->activated(index);
    }
    void Click(const char *swatch) { QTest::mouseClick(Child<QFrame>(swatch), Qt::LeftButton); }
    QStringList PathsLines() const
    {
        QFile file(Preferences::PathsFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                              : QStringList();
    }

    apptest::PrivateHome m_cHome;
    std::unique_ptr<Preferences> m_pPreferences;
    RecordingHost m_cHost;
    ScriptedModals m_cModals;
    Camera m_cCamera;
    ViewToggles m_cView;
    std::unique_ptr<GUI::PreferencesDialog> m_pDialog;
};

TEST_F(PreferencesWindow, DefaultsShowAsTheWindowOpens)
{
    std::vector<QString> open;
    for (GUI::CollapsableFrame *frame : m_pDialog->findChildren<GUI::CollapsableFrame *>())
        if (frame->IsOpen())
            open.push_back(frame->GetTitle());
    EXPECT_EQ(open, std::vector<QString>{QStringLiteral("User Interface")});
    EXPECT_EQ(m_pDialog->findChildren<GUI::CollapsableFrame *>().size(), 11);
    EXPECT_EQ(m_pDialog->findChildren<QCheckBox *>().size(), 18);

    struct Shown {
        const char *key;
        QString text;
    } texts[] = {{"ReminderTime", "60"}, {"MaximumTextureSize", "2048"}, {"DragBoxSize", "20"},
                 {"DoubleClick", QString::number(QApplication::doubleClickInterval())}};
    for (const Shown &s : texts)
        EXPECT_EQ(Child<QLineEdit>(s.key)->text(), s.text) << s.key;
    EXPECT_EQ(Child<GUI::TextSlider>("RollArea")->GetValue(), 50.0f);
    EXPECT_EQ(Child<GUI::TextSlider>("DollySensitivity")->GetValue(), 6.0f);  // 2.0 x 3
    EXPECT_EQ(Child<QComboBox>("ImportAutoFocus")->currentText(), QStringLiteral("Empty Scene Only"));
    EXPECT_EQ(Child<QComboBox>("InactiveLevels")->currentText(), QStringLiteral("Shade"));
    EXPECT_EQ(Child<QComboBox>("LinearUnit")->currentText(), QStringLiteral("Centimeter"));
    EXPECT_TRUE(Child<QSpinBox>("DraftPoints")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>("ShowBothSides")->isChecked()) << "the view hides back faces";
    EXPECT_EQ(Child<QFrame>("Grid")->palette().color(QPalette::Window), QColor(206, 206, 206));
}

TEST_F(PreferencesWindow, RefreshConvertsStoredValuesAndWritesNothingBack)
{
    struct Case {
        int reminderMs;
        QString minutes;
    } reminders[] = {{90000, "1"}, {59999, "0"}, {3600000, "60"}, {300000, "5"}};
    for (const Case &c : reminders) {
        m_pPreferences->ReminderTime = c.reminderMs;
        m_pDialog->Refresh();
        EXPECT_EQ(Child<QLineEdit>("ReminderTime")->text(), c.minutes) << c.reminderMs;
        EXPECT_EQ(m_pPreferences->ReminderTime, c.reminderMs) << "a refresh stores nothing";
    }
    // A sensitivity the 0-decimal slider cannot show exactly stays as it is.
    m_cCamera.m_fDollySensitivity = 0.5f;
    m_pPreferences->UseDraftRender = false;
    m_pDialog->Refresh();
    EXPECT_EQ(m_cCamera.m_fDollySensitivity, 0.5f);
    for (const char *key : {"DraftPoints", "DraftPoints_label", "FaceCountLimit", "FaceCountLimit_label"})
        EXPECT_FALSE(Child<QWidget>(key)->isEnabled()) << key;

    // Two windows: a refresh of the newest reaches the older one too.
    GUI::PreferencesDialog second(nullptr, "second");
    EXPECT_EQ(GUI::PreferencesDialog::First(), &second);
    m_pPreferences->DragBoxSize = 44;
    second.Refresh();
    EXPECT_EQ(Child<QLineEdit>("DragBoxSize")->text(), QStringLiteral("44"));
}

TEST_F(PreferencesWindow, EditorsWriteBackConvertedAndRefuseWhatIsNotANumber)
{
    struct Case {
        const char *key;
        QString text;
        int Preferences::*field;  // null: the application's double-click interval
        int stored;
        bool refused;
    } cases[] = {
        {"ReminderTime", "5", &PreferenceValues::ReminderTime, 300000, false},
        {"ReminderTime", "abc", &PreferenceValues::ReminderTime, 300000, true},
        {"ReminderTime", "0", &PreferenceValues::ReminderTime, 300000, true},
        {"ReminderTime", "-4", &PreferenceValues::ReminderTime, 300000, true},
        {"MaximumTextureSize", "4096", &PreferenceValues::MaximumTextureSize, 4096, false},
        {"MaximumTextureSize", "lots", &PreferenceValues::MaximumTextureSize, 4096, true},
        {"DragBoxSize", "12", &PreferenceValues::DragBoxSize, 12, false},
        {"DragBoxSize", "0", &PreferenceValues::DragBoxSize, 12, true},
        {"DoubleClick", "300", nullptr, 300, false},
        {"DoubleClick", "x", nullptr, 300, true},
    };
    for (const Case &c : cases) {
        Enter(c.key, c.text);
        const int stored = c.field ? m_pPreferences.get()->*c.field : QApplication::doubleClickInterval();
        EXPECT_EQ(stored, c.stored) << c.key << " " << qPrintable(c.text);
        EXPECT_EQ(GUI::PreferencesDialog::IsMarked(Child<QWidget>(c.key)), c.refused) << c.key << " " << qPrintable(c.text);
    }

    // Sliders and combos.
    Child<GUI::TextSlider>("RollArea")->setValue(25.0f);
    EXPECT_FLOAT_EQ(m_pPreferences->RollArea, 0.25f);
    Child<GUI::TextSlider>("DollySensitivity")->setValue(6.0f);
    EXPECT_FLOAT_EQ(m_cCamera.m_fDollySensitivity, 2.0f);
    struct Focus {
        int index;
        bool empty, always;
    } focus[] = {{2, false, false}, {1, false, true}, {0, true, false}};
    for (const Focus &f : focus) {
        Choose("ImportAutoFocus", f.index);
        EXPECT_EQ(m_pPreferences->ImportFocusEmptyScene, f.empty) << f.index;
        EXPECT_EQ(m_pPreferences->ImportFocusAlways, f.always) << f.index;
    }
    m_cHost.pages.clear();
    Choose("LinearUnit", 3);
    EXPECT_EQ(m_pPreferences->LinearUnit, 3);
    EXPECT_EQ(m_cHost.pages, (QStringList{"Brush", "Stamp", "Camera"}));
    EXPECT_GE(m_cHost.redraws, 1);

    // Flags with side effects.
    const int redraws = m_cHost.redraws;
    Child<QCheckBox>("ExpertMenuBar")->toggle();
    EXPECT_TRUE(m_pPreferences->ExpertMenuBar);
    EXPECT_EQ(m_cHost.redraws, redraws);
    Child<QCheckBox>("ShowFrozenVertices")->toggle();
    EXPECT_EQ(m_cHost.redraws, redraws + 1);
    Child<QCheckBox>("SaveReminder")->setChecked(false);
    EXPECT_FALSE(m_cHost.reminderShown);
    EXPECT_FALSE(Child<QWidget>("ReminderTime")->isEnabled());
    Child<QCheckBox>("SaveReminder")->setChecked(true);
    EXPECT_TRUE(m_cHost.reminderShown);
    Child<QCheckBox>("ShowBothSides")->setChecked(true);
    EXPECT_FALSE(m_cView.m_bCulling);
}

TEST_F(PreferencesWindow, FoldersThatAreMissingRevertAndANewSettingsFolderIsRecorded)
{
    const QString temp = m_pPreferences->TempFiles;
    Enter("TempFiles", QStringLiteral("/no/such/folder"));
    EXPECT_EQ(m_pPreferences->TempFiles, temp);
    EXPECT_EQ(Child<QLineEdit>("TempFiles")->text(), temp);

    const int lines = PathsLines().size();
    Enter("SettingFiles", m_pPreferences->SettingFiles);
    EXPECT_EQ(PathsLines().size(), lines) << "the same folder again adds no line";
    QTemporaryDir other;
    Enter("SettingFiles", other.path());
    EXPECT_EQ(m_pPreferences->SettingFiles, other.path());
    EXPECT_EQ(PathsLines().size(), lines + 1);

    // The chooser: cancelled changes nothing; a choice is stored and shown.
    m_cModals.folders = {QString(), other.path()};
    m_pDialog->OnSetLogPath();
    EXPECT_NE(m_pPreferences->LogFiles, other.path());
    m_pDialog->OnSetLogPath();
    EXPECT_EQ(m_pPreferences->LogFiles, other.path());
    EXPECT_EQ(Child<QLineEdit>("LogFiles")->text(), other.path());
}

TEST_F(PreferencesWindow, SwatchesStoreTheChosenColourOpaqueAndTellWhoShowsIt)
{
    m_cModals.colours = {QColor(255, 0, 0, 10), QColor(), QColor(0, 255, 0), QColor(0, 0, 255)};
    Click("Grid");
    EXPECT_EQ(m_pPreferences->Grid, General::Color(1.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_EQ(Child<QFrame>("Grid")->palette().color(QPalette::Window), QColor(255, 0, 0));
    const int redraws = m_cHost.redraws;
    Click("Selection");  // cancelled
    EXPECT_EQ(m_pPreferences->Selection, PreferenceValues().Selection);
    EXPECT_EQ(m_cHost.redraws, redraws);
    m_cHost.pages.clear();
    Click("FalloffFill");
    EXPECT_EQ(m_cHost.pages, (QStringList{"Brush", "Curve"}));
    EXPECT_EQ(m_cHost.redraws, redraws);
    Click("ActiveLayer");
    EXPECT_EQ(m_cHost.layerLists, 1);
    EXPECT_EQ(m_cHost.redraws, redraws + 1);
}

TEST_F(PreferencesWindow, WithoutACameraOrViewTheirEditorsRestAndChangeNothing)
{
    m_pDialog.reset();
    m_cHost.camera = nullptr;
    m_cHost.view = nullptr;
    m_pDialog = std::make_unique<GUI::PreferencesDialog>(nullptr, "prefs");
    EXPECT_FALSE(Child<GUI::TextSlider>("DollySensitivity")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>("LightBothSides")->isEnabled());
    Child<GUI::TextSlider>("TrackSensitivity")->setValue(9.0f);
    m_pDialog->Update();
    EXPECT_EQ(m_cCamera.m_fTrackSensitivity, 2.0f);
}

TEST(PathPreferences, BothFoldersMustExistAndTakeAFile)
{
    QTemporaryDir settings, data;
    Recorder().Clear();
    GUI::PathPreferences dialog(nullptr, QStringLiteral("/no/such/settings"), data.path());
    dialog.OnOK();
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("Settings directory does not exist!")});
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.findChild<QLineEdit *>(QStringLiteral("settings"))->setText(settings.path());
    dialog.findChild<QLineEdit *>(QStringLiteral("data"))->setText(QStringLiteral("/no/data"));
    dialog.OnOK();
    EXPECT_EQ(Recorder().messages.last(), QStringLiteral("Data directory does not exist!"));
    dialog.findChild<QLineEdit *>(QStringLiteral("data"))->setText(data.path());
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetSettingsFolder(), settings.path());
    EXPECT_TRUE(QDir(settings.path()).entryList(QDir::Files).isEmpty()) << "the write test leaves nothing";
}

}  // namespace

namespace {

TEST(WindowPrompts, AFirstStartShowsTheFolderDialogAndKeepsItsChoice)
{
    apptest::PrivateHome home;
    QTemporaryDir chosen;
    bool shown = false;
    // Answers the modal folder dialog from inside its loop, as the user would.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<GUI::PathPreferences *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (shown) {
            dialog->reject();  // refused the first answer: end the loop, the test fails below
            return;
        }
        shown = true;
        dialog->findChild<QLineEdit *>(QStringLiteral("settings"))->setText(chosen.path());
        dialog->OnOK();
    });
    answer.start(10);
    WindowPrompts prompts;
    Preferences preferences(&prompts);
    answer.stop();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Recorder().messages.isEmpty()) << qPrintable(Recorder().messages.join(QLatin1Char('\n')));
    EXPECT_EQ(preferences.SettingFiles, chosen.path());
    QFile paths(Preferences::PathsFile());
    ASSERT_TRUE(paths.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(paths.readAll()), preferences.UserName + QStringLiteral(": ") + chosen.path() + '\n');
}

TEST(PreferencesWindowClass, TheRegistryMakesItByClassName)
{
    apptest::PrivateHome home;
    Preferences preferences;
    GUI::DialogFactory::Clear();
    GUI::PreferencesDialog::Register();
    EXPECT_EQ(GUI::DialogFactory::GetTitle(0), QStringLiteral("Preferences"));
    std::unique_ptr<QWidget> window(GUI::DialogFactory::CreateByName(QStringLiteral("PreferencesDialog"), nullptr, "p"));
    EXPECT_NE(qobject_cast<GUI::PreferencesDialog *>(window.get()), nullptr);
    GUI::DialogFactory::Clear();
}

}  // namespace
