#include "app/settings/WindowPrompts.h"

#include "app/startup/Splash.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/PathPreferences.h"

#include <QCoreApplication>

bool WindowPrompts::TakeOverSettings(const QString &)
{
    // The splash stays on top of every window: it must not hide the question.
    Splash::Finish(nullptr);
    return GUI::Modals().AskYesNo(
        nullptr, QCoreApplication::translate("Preferences", "Settings file found"),
        QCoreApplication::translate("Preferences", "Settings file found in a Tevrin subdirectory.\n"
                                                   "Do you want to copy the file and use these settings?"));
}

void WindowPrompts::ChooseFolders(PreferenceValues &preferences)
{
    Splash::Finish(nullptr);
    GUI::PathPreferences dialog(m_pParent, preferences.SettingFiles, preferences.DataFolder);
    if (dialog.exec() == QDialog::Accepted) {
        preferences.SettingFiles = dialog.GetSettingsFolder();
        preferences.DataFolder = dialog.GetDataFolder();
    }
}
