// Every file of the settings folder (and the "paths" file naming that folder) that a start
// refuses is named to the user once the window shows, in one box, and survives the run:
// left where it is, or kept aside whole.
#include "WindowFixture.h"
#include "app/settings/Preferences.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace apptest;

namespace {

QByteArray Name(const QString &path) { return QFile::encodeName(path); }

QByteArray ReadAll(const QString &path, qint64 most = 1 << 20)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(most) : QByteArray();
}

// What a path is: its link target when it is a link, else its size and first bytes.
QByteArray StateOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + Name(info.symLinkTarget());
    return info.isFile() ? QByteArray::number(info.size()) + ": " + ReadAll(path, 64) : QByteArray("none");
}

class SettingsRefusalTest : public MainWindowTest {
protected:
    // The folder and files a window of this process reads at its start.
    void FindFiles()
    {
        Build();
        const QString folder = m_window->GetPreferences()->SettingFiles;
        m_window.reset();
        m_files = {folder + QStringLiteral("/settings.sav"), folder + QStringLiteral("/recent.sav"),
                   folder + QStringLiteral("/hotkeys.txt"),  folder + QStringLiteral("/ui.sav"),
                   folder + QStringLiteral("/trays/My Tools.txt"), folder + QStringLiteral("/ImageBrowser.txt"),
                   Preferences::PathsFile()};
        QDir().mkpath(folder + QStringLiteral("/trays"));
    }

    QStringList m_files;
};

TEST_F(SettingsRefusalTest, EachRefusedFileIsNamedOnceAfterTheWindowShowsAndSurvivesTheRun)
{
    REQUIRE_WINDOW_GL();
    FindFiles();
    const QString fifo = File("fifo"), folder = File("folder");
    ASSERT_EQ(::mkfifo(Name(fifo).constData(), 0666), 0);
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto link = [](const QString &target) {
        return [target](const QString &path) { return QFile::link(target, path); };
    };
    // 2 GB of zeros and no blocks: past every text file's bound, and of version 0.
    const auto zeros = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(2LL << 30);
    };
    // Bytes of no format: a NUL byte, bytes that are not UTF-8, no line that parses.
    const auto noise = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write(QByteArray("\x09\x13\x00\xff\xfe noise\n\x01\x02\n", 14)) == 14;
    };
    const struct {
        const char *kind;
        std::function<bool(const QString &)> make;
    } kinds[] = {
        {"a link to a FIFO", link(fifo)},
        {"a link to a device", link(QStringLiteral("/dev/zero"))},
        {"a link to a folder", link(folder)},
        {"a link to nothing", link(File("nothing"))},
        {"too large", zeros},
        {"noise", noise},
    };
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.kind);
        QStringList before;
        for (const QString &path : m_files) {
            QFile::remove(path);
            QFile::remove(path + QStringLiteral(".kept"));
            ASSERT_TRUE(kind.make(path)) << path.toStdString();
            before << StateOf(path);
        }
        Recorder().Clear();
        ConsoleLines([this] { m_window = std::make_unique<Tevrin>(); });
        EXPECT_TRUE(Recorder().boxes.isEmpty()) << "nothing is shown before the window";
        m_window->LoadLayout(m_files[3]);
        Settle();
        ASSERT_EQ(Recorder().boxes.size(), 1) << Recorder().boxes.join('\n').toStdString();
        for (const QString &path : m_files)
            EXPECT_TRUE(Recorder().boxes.front().contains(path)) << path.toStdString();
        // A run that ends as a person ends it: the window closes, writes what it writes.
        ConsoleLines([this] {
            m_window->Quit();
            m_window->SaveLayout(m_files[3]);
            m_window.reset();
        });
        for (qsizetype i = 0; i < m_files.size(); ++i) {
            const QString &path = m_files[i];
            const QString kept = path + QStringLiteral(".kept");
            EXPECT_TRUE(StateOf(path) == before[i] || StateOf(kept) == before[i])
                << path.toStdString() << " is " << StateOf(path).left(40).toStdString();
            QFile::remove(path);
            QFile::remove(kept);
        }
    }
}

// A restore of the layout that ended a start leaves its marker: the next start moves that
// file aside, says so, and starts with the default layout.
TEST_F(SettingsRefusalTest, ALayoutThatEndedAStartIsNotTriedAgain)
{
    REQUIRE_WINDOW_GL();
    FindFiles();
    const QString layout = m_files[3];
    Build();
    ASSERT_TRUE(m_window->SaveLayout(layout));
    const QByteArray saved = ReadAll(layout);
    QFile marker(layout + QStringLiteral(".restoring"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    Recorder().Clear();
    EXPECT_FALSE(m_window->LoadLayout(layout));
    ASSERT_EQ(Recorder().boxes.size(), 1);
    EXPECT_TRUE(Recorder().boxes.front().contains(layout));
    EXPECT_FALSE(QFileInfo::exists(layout + QStringLiteral(".restoring")));
    EXPECT_FALSE(QFileInfo::exists(layout));
    EXPECT_EQ(ReadAll(layout + QStringLiteral(".kept")), saved);
    // The next start reads a good file again and leaves no marker.
    ASSERT_TRUE(m_window->SaveLayout(layout));
    EXPECT_TRUE(m_window->LoadLayout(layout));
    EXPECT_FALSE(QFileInfo::exists(layout + QStringLiteral(".restoring")));
    QFile::remove(layout + QStringLiteral(".kept"));
}

}  // namespace
