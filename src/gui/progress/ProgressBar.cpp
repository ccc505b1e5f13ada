#include "gui/progress/ProgressBar.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"

#include <QApplication>
#include <QPainter>

namespace GUI {

ProgressBar::ProgressBar(QWidget *parent, const QString &text, uint64_t total) : QFrame(parent)
{
    // The bar paints every pixel itself, so nothing behind it is painted again.
    setAttribute(Qt::WA_OpaquePaintEvent);
    Start(parent, text, total);
}

ProgressBar::~ProgressBar() { End(); }

void ProgressBar::Start(QWidget *parent, const QString &text, uint64_t total)
{
    if (parentWidget() != parent)
        setParent(parent);
    setFixedSize(100, 18);
    General::Shell().SetStatusMessage(text, 0);
    m_iTotal = total;
    m_iValue = 0;
    m_cPaints.Reset();
    m_iPaints = 0;
    show();
    if (!m_bRunning)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_bRunning = true;
}

void ProgressBar::SetProgress(uint64_t value)
{
    // A value after the run ended (a slip of nested operations) would show a stale bar
    // that no End hides again.
    if (!m_bRunning || value > m_iTotal)
        return;
    m_iValue = value;
    if (!m_cPaints.Due() && value != m_iTotal)
        return;
    ++m_iPaints;
    m_cPaints.Run([this] {
        if (isHidden())
            show();
        repaint();
    });
}

void ProgressBar::End()
{
    if (m_bRunning)
        QApplication::restoreOverrideCursor();
    m_bRunning = false;
    General::Shell().SetStatusMessage(QString(), 0);
    hide();
}

int ProgressBar::FillWidth() const
{
    if (m_iTotal == 0)
        return 0;
    return int(double(width() - 4) * (double(m_iValue) / double(m_iTotal)));
}

QString ProgressBar::PercentText() const
{
    if (m_iValue == 0 || m_iTotal == 0)
        return QString();
    const int percent = int(double(m_iValue) * 100.0 / double(m_iTotal));
    TV_ASSERT(percent <= 100 && percent >= 0);
    return QStringLiteral("%1%").arg(percent);
}

void ProgressBar::paintEvent(QPaintEvent *event)
{
    {
        QPainter background(this);
        background.fillRect(rect(), palette().window());
    }
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(QRect(2, 2, FillWidth(), height() - 4), QColor(0, 128, 255, 255));
    painter.setPen(Qt::white);
    const QString text = PercentText();
    if (!text.isEmpty())
        painter.drawText(QRect(4, 2, 60, 15), 0, text);
}

}  // namespace GUI
