#include "gui/status/Alarm.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>

#include <memory>

namespace GUI {

AlarmFace ComputeAlarmFace(int64_t e, int64_t paused, int64_t interval, int width)
{
    AlarmFace face;
    const int64_t counted = e - paused;
    // An interval of 0 is due at once: there is nothing to divide by.
    if (interval > 0 && counted < interval) {
        face.barWidth = counted <= 0 ? 0 : int(int64_t(width) * counted / interval);
        return face;
    }
    face.due = true;
    face.red = (e / 200) % 2 == 0;
    return face;
}

Alarm::Alarm(QWidget *parent, const char *name, Clock clock) : QFrame(parent), m_fClock(std::move(clock))
{
    setObjectName(QString::fromLatin1(name));
    setFixedSize(50, 15);
    if (!m_fClock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_fClock = [timer] { return int64_t(timer->elapsed()); };
    }
    m_fInterval = [] { return 3600000; };
    m_fIdle = [] { return int64_t(0); };
    Reset();
    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, &Alarm::OnTimer);
    m_pTimer->start(kSlowTickMs);
}

void Alarm::Reset()
{
    m_iStart = m_iLastTick = m_fClock();
    m_iPaused = 0;
    update();
}

AlarmFace Alarm::Face() const
{
    return ComputeAlarmFace(m_fClock() - m_iStart, m_iPaused, m_fInterval(), contentsRect().width());
}

void Alarm::OnTimer()
{
    const int64_t now = m_fClock();
    // The time since the last tick, not the tick period: a late timer loses nothing.
    if (m_fIdle() >= kIdleMs)
        m_iPaused += now - m_iLastTick;
    m_iLastTick = now;
    const AlarmFace face = Face();
    if (face != m_cShown)
        update();
    // A still program wakes up once a second; only the blinking needs the fast tick.
    const int interval = face.due ? kTickMs : kSlowTickMs;
    if (m_pTimer->interval() != interval)
        m_pTimer->setInterval(interval);
}

void Alarm::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect r = contentsRect();
    const AlarmFace face = Face();
    m_cShown = face;
    if (!face.due) {
        painter.fillRect(QRect(r.left(), r.top(), face.barWidth, r.height()), QColor(QStringLiteral("darkgray")));
        return;
    }
    painter.fillRect(r, face.red ? QColor(QStringLiteral("red")) : QColor(QStringLiteral("darkgray")));
    const QString text = QStringLiteral("Save");
    QRect bounds = painter.boundingRect(r, 0, text);
    bounds.moveLeft(r.left() + (r.width() - bounds.width()) / 2);
    painter.drawText(bounds, 0, text);
}

void Alarm::mousePressEvent(QMouseEvent *) { Reset(); }

}  // namespace GUI
