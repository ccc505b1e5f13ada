// The installation's pictures: every path the program names is shipped and found from any
// current folder, in any case and with either slash; a missing one is a placeholder, looked
// for once; the user's own pictures still come from disk.
#include "foundation/images/Pictures.h"
#include "scene/Brush.h"
#include "support/MemoryLimit.h"
#include "support/PngFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace General;

// The picture paths named in the program's sources, templates ("%1") expanded with what fills
// them: the tool table's icon names and the kinds of the Properties window's pages.
QSet<QString> PathsTheProgramNames()
{
    QSet<QString> paths;
    const QRegularExpression literal(QStringLiteral(R"re("([Ii]cons(?:/|\\\\)[A-Za-z0-9_%]+\.png)")re"));
    QDirIterator files(QStringLiteral(TEVRIN_TEST_DATA "/../../src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch &match : literal.globalMatch(text))
            paths.insert(match.captured(1).replace(QStringLiteral("\\\\"), QStringLiteral("\\")));
    }
    EXPECT_GT(paths.size(), 40) << "the scan of the sources found too little: is the source folder right?";
    Brush::Tools().clear();
    CreateDefaultTools();
    for (const auto &tool : Brush::Tools())
        paths.insert(tool->IconPath());
    for (const char *page : {"Camera", "Geometry", "Light", "Material", "Stencil", "ImagePlane", "Curve", "Stamp", "node"})
        paths.insert(QStringLiteral("Icons/object_%1.png").arg(QLatin1String(page)));
    QSet<QString> expanded;
    for (const QString &path : paths)
        if (!path.contains(QLatin1Char('%')))
            expanded.insert(path);
    return expanded;
}

TEST(Pictures, EveryPictureTheProgramNamesIsShippedAndDrawn)
{
    const QString before = QDir::currentPath();
    TempDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.Path()));  // the program may be started from anywhere
    for (const QString &path : PathsTheProgramNames()) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(Pictures::Resolve(path).isEmpty());
        const QImage image = Pictures::Image(path);
        EXPECT_GE(image.width(), 11);
        EXPECT_GE(image.height(), 11);
        EXPECT_FALSE(Pictures::Icon(path).isNull());
    }
    EXPECT_FALSE(Recorder().log.contains(QStringLiteral("missing"))) << Recorder().log.toStdString();
    QDir::setCurrent(before);
}

TEST(Pictures, InstallationPathsResolveInAnyCaseAndWithEitherSlash)
{
    const struct {
        const char *path;
        const char *shipped;  // the base name it resolves to; empty for a user's path
    } cases[] = {
        {"Icons/lock.png", "lock"},         {"icons/roll.png", "roll"},
        {"icons\\Off.png", "off"},          {"ICONS/Tool_PropPaint.PNG", "tool_proppaint"},
        {"Icons/splashScreen.png", "splashscreen"}, {"Icons", ""},
        {"MyIcons/lock.png", ""},           {"/home/someone/Icons/lock.png", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const QString resolved = Pictures::Resolve(QString::fromLatin1(c.path));
        if (*c.shipped)
            EXPECT_TRUE(resolved.endsWith(QStringLiteral("/%1.svg").arg(QLatin1String(c.shipped))))
                << resolved.toStdString();
        else
            EXPECT_TRUE(resolved.isEmpty()) << resolved.toStdString();
    }
    EXPECT_TRUE(Pictures::Shipped().contains(QStringLiteral("tool_sculpting")));
}

TEST(Pictures, AMissingPictureIsAPlaceholderLookedForOnceWithOneLogLine)
{
    const QString path = QStringLiteral("Icons/noSuchPicture.png");
    for (int step = 0; step < 3; ++step) {  // as a roll redraws its picture at every step
        const QImage image = Pictures::Image(path);
        EXPECT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(16, 16));
    }
    EXPECT_FALSE(Pictures::Icon(path).isNull());
    EXPECT_EQ(Recorder().log.count(QStringLiteral("noSuchPicture")), 1) << Recorder().log.toStdString();
}

TEST(Pictures, AUsersPictureIsReadFromDiskAndScaledKeepingItsShape)
{
    TempDir dir;
    QImage wide(40, 20, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    const QString path = dir.File("stamp.png");
    ASSERT_TRUE(wide.save(path));
    EXPECT_EQ(Pictures::Image(path).size(), QSize(40, 20));
    EXPECT_EQ(Pictures::Pixmap(path, QSize(20, 20)).size(), QSize(20, 10));
    EXPECT_TRUE(Pictures::Image(dir.File("gone.png")).isNull());
    EXPECT_EQ(Pictures::Pixmap(QStringLiteral("Icons/folder.png"), QSize(64, 64)).size(), QSize(64, 64));
}

// A tray button's picture is the person's file: one whose header declares more pixels than a
// button's picture may have, or that is far longer than its pixels, is refused before it is
// decoded or copied (a tray of such pictures kept the window from answering), and says so
// once in the log, naming the file.
TEST(Pictures, AUsersPictureTooLargeForAButtonIsRefusedUnread)
{
    TempDir dir;
    const struct {
        const char *kind;
        std::function<bool(const QString &)> write;
    } files[] = {
        {"4200 x 4200 pixels", [](const QString &f) { return testsupport::WriteLargePng(f, 4200); }},
        {"a private chunk of 64 MB", [](const QString &f) { return testsupport::WriteLongPng(f, 64LL << 20); }},
        {"a private chunk of 2 GB", [](const QString &f) { return testsupport::WriteLongPng(f, 0x7FFFFFF0LL); }},
    };
    const struct {
        const char *name;
        std::function<bool(const QString &)> refused;
    } roads[] = {
        {"tray button", [](const QString &f) { return Pictures::Icon(f).pixmap(QSize(40, 40)).isNull(); }},
        {"scaled picture", [](const QString &f) { return Pictures::Pixmap(f, QSize(40, 40)).isNull(); }},
    };
    for (const auto &file : files) {
        const QString path = dir.File("picture.png");
        ASSERT_TRUE(file.write(path)) << file.kind;
        for (const auto &road : roads) {
            // Warm up once here: the reader plugins the child would otherwise load.
            Recorder().Clear();
            road.refused(path);
            EXPECT_EQ(Recorder().log.count(path), 1) << file.kind << " by " << road.name;
            EXPECT_TRUE(testsupport::RunsWithin(48LL << 20, [&] { return road.refused(path); }, 5))
                << file.kind << " by " << road.name;
        }
    }
}

TEST(Pictures, ButtonPicturesAreDrawnAtTheirSizeAndAtTwiceIt)
{
    const QList<QSize> sizes = Pictures::Icon(QStringLiteral("Icons/eye.png")).availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

}  // namespace
