#include "gui/trays/FalloffPreview.h"

#include "scene/Brush.h"

#include <QPainter>
#include <QPainterPath>

namespace GUI {

FalloffPreview::FalloffPreview(int index, QWidget *parent) : QWidget(parent), m_iIndex(index)
{
    setObjectName(QStringLiteral("falloff"));
    setFixedSize(32, 32);
    move(4, 4);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void FalloffPreview::paintEvent(QPaintEvent *)
{
    const auto &falloffs = Brush::Falloffs();
    if (m_iIndex < 0 || m_iIndex >= int(falloffs.size()))
        return;
    const General::NURBSCurve &curve = *falloffs[size_t(m_iIndex)];
    const float last = curve.GetLastKnot();
    if (!(last > 0.0f))
        return;
    constexpr int kSteps = 32;
    QPainterPath path;
    for (int i = 0; i <= kSteps; ++i) {
        const General::Vector point = curve.Evaluate(last * float(i) / kSteps);
        const QPointF at(double(point.x) * (width() - 1), (1.0 - double(point.y)) * (height() - 1));
        if (i == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1.5));
    painter.drawPath(path);
}

}  // namespace GUI
