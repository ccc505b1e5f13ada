#include "AppTestFolders.h"
#include "app/settings/Preferences.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(Preferences, FoldersAreThisUsersAndExistOnceBuilt)
{
    apptest::PrivateHome home;
    {
        Preferences preferences;
        EXPECT_EQ(Preferences::Get(), &preferences);
        EXPECT_TRUE(preferences.DataFolder.startsWith(home.Path())) << qPrintable(preferences.DataFolder);
        EXPECT_TRUE(preferences.SettingFiles.startsWith(home.Path())) << qPrintable(preferences.SettingFiles);
        EXPECT_EQ(preferences.TempFiles, Preferences::DefaultTempFolder());
        for (const QString &folder : {preferences.SettingFiles, preferences.TempFiles, preferences.LogFiles,
                                      preferences.StampFiles, preferences.StencilFiles, preferences.ShaderFiles})
            EXPECT_TRUE(QFileInfo(folder).isDir()) << qPrintable(folder);
        EXPECT_TRUE(preferences.StampFiles.endsWith(QLatin1Char('/')));
        EXPECT_FALSE(preferences.LogFiles.endsWith(QLatin1Char('/')));
        EXPECT_EQ(preferences.PressureLow, 0);
        EXPECT_EQ(preferences.PressureHigh, 1);
        EXPECT_TRUE(preferences.SaveReminder);
    }
    EXPECT_EQ(Preferences::Get(), nullptr);
}
