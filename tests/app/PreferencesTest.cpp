#include "AppTestFolders.h"
#include "app/settings/Preferences.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

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

namespace {

// Answers the first-start questions as a script says and counts them.
class ScriptedPrompts : public PreferencesPrompts {
public:
    bool TakeOverSettings(const QString &folder) override
    {
        offered << folder;
        return takeOver;
    }
    void ChooseFolders(PreferenceValues &preferences) override
    {
        ++chosen;
        if (!settingsChoice.isEmpty())
            preferences.SettingFiles = settingsChoice;
    }
    bool takeOver = false;
    QString settingsChoice;
    QStringList offered;
    int chosen = 0;
};

QStringList PathsLines()
{
    QFile file(Preferences::PathsFile());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
}

}  // namespace

TEST(Preferences, FirstStartAsksOnceRecordsOneLineAndAStaleLineAsksAgain)
{
    apptest::PrivateHome home;
    ScriptedPrompts prompts;
    QString settings;
    {
        Preferences preferences(&prompts);
        settings = preferences.SettingFiles;
        EXPECT_TRUE(preferences.PathsJustSet);
        EXPECT_EQ(prompts.chosen, 1);
        EXPECT_EQ(settings, Preferences::DefaultSettingsFolder());
        // One lower-case folder for the tray files, on a file system that tells cases apart.
        EXPECT_TRUE(QFileInfo(settings + QStringLiteral("/trays")).isDir());
        EXPECT_FALSE(QFileInfo::exists(settings + QStringLiteral("/Trays")));
        EXPECT_EQ(PathsLines(), QStringList{preferences.UserName + QStringLiteral(": ") + settings});
    }
    // Once a settings file is there the folders count as set up: no question, no new line.
    Touch(settings + QStringLiteral("/settings.sav"));
    {
        Preferences preferences(&prompts);
        EXPECT_FALSE(preferences.PathsJustSet);
        EXPECT_EQ(prompts.chosen, 1);
        EXPECT_EQ(PathsLines().size(), 1);
    }
    // A line whose folder has gone is ignored: the set-up runs again and a line is added.
    QFile::remove(Preferences::PathsFile());
    {
        QFile file(Preferences::PathsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write(qgetenv("USER") + ": " + QFile::encodeName(home.Path()) + "/gone\n");
    }
    {
        Preferences preferences(&prompts);
        EXPECT_TRUE(preferences.PathsJustSet);
        EXPECT_EQ(PathsLines().size(), 2);
        EXPECT_EQ(preferences.SettingFiles, settings);
    }
}

TEST(Preferences, ASettingsFileFoundElsewhereIsOfferedAndCopied)
{
    apptest::PrivateHome home;
    const QString older = Preferences::DefaultDataFolder() + QStringLiteral("/old/1.0/settings");
    ASSERT_TRUE(QDir().mkpath(older));
    Touch(older + QStringLiteral("/settings.sav"));
    ScriptedPrompts prompts;
    prompts.takeOver = true;
    Preferences preferences(&prompts);
    EXPECT_EQ(prompts.offered, QStringList{older});
    EXPECT_EQ(prompts.chosen, 0);
    EXPECT_TRUE(QFileInfo::exists(Preferences::DefaultSettingsFolder() + QStringLiteral("/settings.sav")));
}

TEST(Preferences, FolderSearchIsBoundedAndSurvivesLinkCycles)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/a/b")));
    // a/b/up -> a: a cycle the search must not walk round forever.
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/a"), root + QStringLiteral("/a/b/up")));
    EXPECT_EQ(Preferences::FindSettingsFile(root), QString());
    Touch(root + QStringLiteral("/a/b/settings.sav"));
    EXPECT_EQ(Preferences::FindSettingsFile(root), root + QStringLiteral("/a/b"));
    // Deeper than the bound: not found.
    QString deep = root + QStringLiteral("/d");
    for (int i = 0; i <= Preferences::kSearchDepth; ++i)
        deep += QStringLiteral("/x");
    ASSERT_TRUE(QDir().mkpath(deep));
    Touch(deep + QStringLiteral("/settings.sav"));
    EXPECT_EQ(Preferences::FindSettingsFile(root + QStringLiteral("/d")), QString());
}

TEST(Preferences, PathsLinesSplitAtTheFirstColon)
{
    struct Case {
        const char *line, *key, *value;
    } cases[] = {{"ann: /home/ann/s", "ann", "/home/ann/s"},
                 {"ann :/x", "ann ", "/x"},
                 {"ann:  /a:b  ", "ann", "/a:b"},
                 {"no colon", "", ""}};
    for (const Case &c : cases) {
        QString key, value;
        SplitKeyValue(QString::fromLatin1(c.line), key, value);
        EXPECT_EQ(key, QString::fromLatin1(c.key)) << c.line;
        EXPECT_EQ(value, QString::fromLatin1(c.value)) << c.line;
    }
}

TEST(Preferences, ShippedDataFilesAreCopiedOnceIntoTheUsersFolder)
{
    apptest::PrivateHome home;
    QTemporaryDir program;
    ASSERT_TRUE(QDir().mkpath(program.path() + QStringLiteral("/Stamps")));
    Touch(program.path() + QStringLiteral("/Stamps/dots.png"));
    {
        Preferences preferences(nullptr, program.path());
        EXPECT_TRUE(QFileInfo::exists(preferences.StampFiles + QStringLiteral("dots.png")));
        EXPECT_TRUE(QFileInfo(preferences.ShaderFiles).isDir());
        QFile::remove(preferences.StampFiles + QStringLiteral("dots.png"));
    }
    // An existing folder gets nothing copied into it, even when empty.
    Preferences again(nullptr, program.path());
    EXPECT_FALSE(QFileInfo::exists(again.StampFiles + QStringLiteral("dots.png")));
}
