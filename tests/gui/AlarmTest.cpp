// The save reminder with a clock the test moves: the bar, the idle pause, the blinking.
#include "GuiApplication.h"
#include "gui/status/Alarm.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(AlarmFace, BarAndBlinkFollowTheCountedTime)
{
    struct Case {
        int64_t e, paused, interval;
        bool due;
        int bar;
        bool red;
    } cases[] = {
        {0, 0, 60000, false, 0, false},
        {30000, 0, 60000, false, 24, false},  // half way: half of 48
        {59999, 0, 60000, false, 47, false},
        {60000, 0, 60000, true, 0, true},     // due at I + paused, red in an even 200 ms phase
        {60200, 0, 60000, true, 0, false},    // 200 ms later: the other colour
        {89999, 30000, 60000, false, 47, false},
        {5, 0, 0, true, 0, true},             // no interval: due at once, no division
        // Fourteen hours into a day-long interval: no 32-bit overflow of width x elapsed.
        {int64_t(14) * 3600000, 0, int64_t(24) * 3600000, false, 28, false},
    };
    for (const Case &c : cases) {
        const GUI::AlarmFace face = GUI::ComputeAlarmFace(c.e, c.paused, c.interval, 48);
        EXPECT_EQ(face.due, c.due) << c.e;
        if (!c.due)
            EXPECT_EQ(face.barWidth, c.bar) << c.e;
        else
            EXPECT_EQ(face.red, c.red) << c.e;
    }
}

struct FakeTime {
    int64_t now = 1000;
    int64_t idle = 0;
};

TEST(Alarm, IdleMinutesPauseTheBarAndAClickRestartsIt)
{
    guitest::Application();
    FakeTime time;
    GUI::Alarm alarm(nullptr, "alarm", [&time] { return time.now; });
    alarm.SetInterval([] { return 10 * 60000; });
    alarm.SetIdleTime([&time] { return time.idle; });
    const int width = alarm.contentsRect().width();

    auto tick = [&](int64_t ms) {
        for (int64_t t = 0; t < ms; t += GUI::Alarm::kTickMs) {
            time.now += GUI::Alarm::kTickMs;
            if (time.idle > 0)
                time.idle += GUI::Alarm::kTickMs;
            alarm.OnTimer();
        }
    };
    tick(5 * 60000);
    EXPECT_EQ(alarm.Face().barWidth, width / 2);
    // The mouse rests: the first five idle minutes still count, later ones do not.
    time.idle = 1;
    tick(5 * 60000 - 100);
    EXPECT_FALSE(alarm.Face().due);
    tick(3 * 60000);
    EXPECT_FALSE(alarm.Face().due);
    EXPECT_GE(alarm.GetPaused(), 3 * 60000 - 200);
    time.idle = 0;
    tick(200);
    EXPECT_TRUE(alarm.Face().due);

    // Due: the whole indicator is red, then dark grey 200 ms later.
    alarm.show();
    const QPoint corner = alarm.contentsRect().topLeft() + QPoint(1, 1);
    auto shown = [&] { return alarm.grab().toImage().pixelColor(corner); };
    auto expected = [&] { return QColor(QString::fromLatin1(alarm.Face().red ? "red" : "darkgray")); };
    const QColor first = shown();
    EXPECT_EQ(first, expected());
    time.now += 200;
    EXPECT_EQ(shown(), expected());
    EXPECT_NE(shown(), first);

    QTest::mouseClick(&alarm, Qt::LeftButton);
    EXPECT_FALSE(alarm.Face().due);
    EXPECT_EQ(alarm.Face().barWidth, 0);
    EXPECT_EQ(alarm.GetPaused(), 0);
}

// Each repaint of a widget of the main window recomposes the window with its 3D view: the
// indicator repaints only when what it shows changes.
TEST(Alarm, ATickThatChangesNothingDrawsNothing)
{
    guitest::Application();
    FakeTime time;
    GUI::Alarm alarm(nullptr, "alarm", [&time] { return time.now; });
    alarm.SetInterval([] { return 10 * 60000; });
    alarm.show();
    QApplication::processEvents();
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    alarm.installEventFilter(&counter);
    const int width = alarm.contentsRect().width();
    // Ten minutes over `width` pixels: one pixel of bar per interval / width.
    const int64_t perPixel = 10 * 60000 / width;
    for (int64_t t = 0; t < 2 * perPixel; t += GUI::Alarm::kTickMs) {
        time.now += GUI::Alarm::kTickMs;
        alarm.OnTimer();
        QApplication::processEvents();
    }
    EXPECT_GE(counter.paints, 1);
    EXPECT_LE(counter.paints, 3);
}

}  // namespace
