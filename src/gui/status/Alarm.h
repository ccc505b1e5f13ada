#pragma once
// The save reminder of the status bar: a 50 x 15 indicator whose dark grey bar grows with
// the part of the reminder interval that has passed since the scene was last saved,
// opened or started, and which blinks red with "Save" once the interval is over. Time
// during which the mouse has been idle for five minutes or more does not count.
// Time is read from a monotonic clock that tests replace.

#include <QFrame>

#include <cstdint>
#include <functional>

class QTimer;

namespace GUI {

// What one paint shows, computed without a window.
struct AlarmFace {
    bool due = false;
    int barWidth = 0;  // counting: the bar's width
    bool red = false;  // due: red (else dark grey) in this 200 ms phase

    bool operator==(const AlarmFace &) const = default;
};

// e: milliseconds since the last reset; paused: idle milliseconds not counted; interval:
// the reminder interval; width: the contents width. 64-bit throughout, so long runs and
// long intervals do not overflow.
AlarmFace ComputeAlarmFace(int64_t e, int64_t paused, int64_t interval, int width);

class Alarm : public QFrame {
    Q_OBJECT

public:
    // Milliseconds on a monotonic clock.
    using Clock = std::function<int64_t()>;
    static constexpr int kTickMs = 100;      // while due: the blinking
    static constexpr int kSlowTickMs = 1000;  // while counting: the bar grows by pixels of seconds
    static constexpr int64_t kIdleMs = 300000;

    // `clock` empty: a steady clock started now.
    Alarm(QWidget *parent, const char *name, Clock clock = Clock());

    // The reminder interval in milliseconds, read at every paint.
    void SetInterval(std::function<int()> interval) { m_fInterval = std::move(interval); }
    // Milliseconds since the user last moved or clicked the mouse.
    void SetIdleTime(std::function<int64_t()> idle) { m_fIdle = std::move(idle); }

    // Restarts the interval: after a save, a new scene and an opened file.
    void Reset();
    // What the indicator shows now.
    AlarmFace Face() const;
    int64_t GetPaused() const { return m_iPaused; }

public slots:
    // Every tick: idle time since the last tick is added to the paused time; then a repaint
    // when the face changed (a still program does no drawing).
    void OnTimer();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QTimer *m_pTimer = nullptr;
    Clock m_fClock;
    std::function<int()> m_fInterval;
    std::function<int64_t()> m_fIdle;
    int64_t m_iStart = 0;
    int64_t m_iLastTick = 0;
    int64_t m_iPaused = 0;
    AlarmFace m_cShown;  // the face of the last paint
};

}  // namespace GUI
