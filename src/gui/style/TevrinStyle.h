#pragma once
// The program's look: Qt's Fusion style with its own check box indicator, menu items and
// tool button labels, all shaded from the palette with vertical two-colour gradients that
// are drawn once and then come from the pixmap cache.

#include <QColor>
#include <QProxyStyle>
#include <QString>

class QPainter;
class QStyleOption;

namespace GUI {

// a's components weighted by f percent against b's (integer steps); a's alpha.
QColor MergeColors(const QColor &a, const QColor &b, int f = 50);
// The pixmap-cache key of a vertical gradient of that size and colours.
QString GradientKey(const QSize &size, const QColor &start, const QColor &stop);
// The pixmap-cache key of a styled element: its state, sub-controls, palette and size.
QString UniqueName(const QString &key, const QStyleOption &option, const QSize &size);
// Fills `rect` with the vertical gradient, from the cache when it was drawn before.
void DrawGradient(QPainter *painter, const QRect &rect, const QColor &start, const QColor &stop, bool transparent);

class TevrinStyle : public QProxyStyle {
    Q_OBJECT

public:
    TevrinStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;

private:
    void DrawCheckBox(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    void DrawMenuItem(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
    void DrawToolButtonLabel(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
};

}  // namespace GUI
