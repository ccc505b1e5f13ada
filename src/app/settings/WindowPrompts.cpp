#include "app/settings/WindowPrompts.h"

#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/PathPreferences.h"

#include <QCoreApplication>

bool WindowPrompts::TakeOverSettings(const QString &)
{
    return GUI::Modals().AskYesNo(
        nullptr, QCoreApplication::translate("Preferences", "Settings file found"),
        QCoreApplication::translate("Preferences", "Settings file found in a Tevrin subdirectory.\n"
                                                   "Do you want to copy the file and use these settings?"));
}

void WindowPrompts::ChooseFolders(PreferenceValues &preferences)
{
    GUI::PathPreferences dialog(m_pParent, preferences.SettingFiles, preferences.DataFolder);
    if (dialog.exec() == QDialog::Accepted) {
        preferences.SettingFiles = dialog.GetSettingsFolder();
        preferences.DataFolder = dialog.GetDataFolder();
    }
}
