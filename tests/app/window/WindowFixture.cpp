#include "WindowFixture.h"

#include "app/services/WindowShell.h"
#include "app/startup/OpenGLProbe.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTextStream>


#include <cmath>
#include <cstdlib>

namespace apptest {
namespace {

bool s_bHasGL = false;

class WindowEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        // The window needs a window system that shows OpenGL widgets: the display when
        // there is one, whatever platform the rest of the suite runs on.
        qputenv("QT_QPA_PLATFORM", std::getenv("DISPLAY") ? "xcb" : "offscreen");
        // Undo files, settings and data of the tests' windows stay in a folder of this process.
        static QTemporaryDir home;
        qputenv("TMPDIR", home.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
        static int argc = 1;
        static char name[] = "app_window_tests";
        static char *argv[] = {name, nullptr};
        // Kept to the process's end, like the OpenGL driver it loads.
        new QApplication(argc, argv);
        s_bHasGL = HasOpenGL();
    }
};
const auto *s_pEnvironment = testing::AddGlobalTestEnvironment(new WindowEnvironment);

}  // namespace

bool HasGL() { return s_bHasGL; }

int DifferingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

void WriteTorus(const QString &file, int rings, int sides)
{
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Text));
    QTextStream text(&out);
    const double pi = 3.14159265358979;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            const double u = 2 * pi * i / rings, v = 2 * pi * j / sides;
            const double r = 10.0 + 4.0 * std::cos(v);
            text << "v " << r * std::cos(u) << ' ' << 4.0 * std::sin(v) << ' ' << r * std::sin(u) << '\n';
        }
    auto index = [&](int i, int j) { return (i % rings) * sides + (j % sides) + 1; };
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < sides; ++j)
            text << "f " << index(i, j) << ' ' << index(i, j + 1) << ' ' << index(i + 1, j + 1) << ' '
                 << index(i + 1, j) << '\n';
}

void MainWindowTest::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    // Boxes and answers of an earlier test in the same process are not this one's.
    Recorder().Clear();
    WindowShell::SetModalOverride(&Recorder());
}

void MainWindowTest::TearDown()
{
    if (m_window)
        ConsoleLines([this] { m_window.reset(); });
    WindowShell::SetModalOverride(nullptr);
}

void MainWindowTest::Build()
{
    ConsoleLines([this] { m_window = std::make_unique<Tevrin>(); });
    Settle();
}

void MainWindowTest::Settle()
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    QApplication::processEvents();
    QTest::qWait(50);
}

}  // namespace apptest
