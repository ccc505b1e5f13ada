#include "gui/style/TevrinStyle.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyleFactory>
#include <QStyleOption>
#include <QWidget>

namespace GUI {

namespace {

// The check mark, by colour slot; '-' is transparent. The two marks differ in row 8.
const char *const kMarkSunken[9] = {"--------0", "-------01", "2-----010", "02---010-", "102-010--",
                                    "010010---", "-0110----", "--10-----", "--0------"};
const char *const kMarkOn[9] = {"--------0", "-------01", "2-----010", "02---010-", "102-010--",
                                "010010---", "-0110----", "--00-----", "--0------"};

QImage Mark(const char *const rows[9], const QColor colours[3])
{
    QImage image(9, 9, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            if (rows[y][x] != '-')
                image.setPixelColor(x, y, colours[rows[y][x] - '0']);
    return image;
}

// The colours every drawing derives from the option's palette.
struct Shades {
    explicit Shades(const QPalette &p)
        : border(p.window().color().darker(178)),
          gradientStart(p.button().color().lighter(104)),
          baseGradientStart(p.base().color().darker(101)),
          baseGradientStop(p.base().color().darker(106)),
          highlightedBaseGradientStart(p.base().color()),
          highlightedBaseGradientStop(MergeColors(p.base().color().darker(105), p.highlight().color(), 70)),
          highlightedDarkInnerBorder(MergeColors(p.button().color(), p.highlight().color(), 35)),
          highlightedLightInnerBorder(MergeColors(p.button().color(), p.highlight().color(), 58)),
          alphaCorner(MergeColors(p.window().color(), border, 50)),
          alphaText(MergeColors(p.window().color(), p.text().color(), 50)),
          alphaLightText(MergeColors(p.window().color().lighter(250), p.text().color().lighter(250), 50))
    {
    }
    QColor border;
    QColor gradientStart;
    QColor baseGradientStart;
    QColor baseGradientStop;
    QColor highlightedBaseGradientStart;
    QColor highlightedBaseGradientStop;
    QColor highlightedDarkInnerBorder;
    QColor highlightedLightInnerBorder;
    QColor alphaCorner;
    QColor alphaText;
    QColor alphaLightText;
};

// The outline with its corners cut, corner pixels in the softer colour.
void DrawCutOutline(QPainter *painter, const QRect &r, const QColor &edge, const QColor &corner)
{
    painter->setPen(edge);
    painter->drawLine(r.left() + 1, r.top(), r.right() - 1, r.top());
    painter->drawLine(r.left() + 1, r.bottom(), r.right() - 1, r.bottom());
    painter->drawLine(r.left(), r.top() + 1, r.left(), r.bottom() - 1);
    painter->drawLine(r.right(), r.top() + 1, r.right(), r.bottom() - 1);
    painter->setPen(corner);
    painter->drawPoint(r.topLeft());
    painter->drawPoint(r.topRight());
    painter->drawPoint(r.bottomLeft());
    painter->drawPoint(r.bottomRight());
}

QImage OnMark(const QColor &text, const QColor &alphaText)
{
    const QColor colours[3] = {text, alphaText, QColor(0xA7, 0xA7, 0xA7)};
    return Mark(kMarkOn, colours);
}

}  // namespace

QColor MergeColors(const QColor &a, const QColor &b, int f)
{
    QColor merged = a;
    merged.setRed(a.red() * f / 100 + b.red() * (100 - f) / 100);
    merged.setGreen(a.green() * f / 100 + b.green() * (100 - f) / 100);
    merged.setBlue(a.blue() * f / 100 + b.blue() * (100 - f) / 100);
    return merged;
}

QString GradientKey(const QSize &size, const QColor &start, const QColor &stop)
{
    return QString::asprintf("%dx%d-%x-%x", size.width(), size.height(), start.rgba(), stop.rgba());
}

QString UniqueName(const QString &key, const QStyleOption &option, const QSize &size)
{
    int subControls = 0;
    if (option.type >= QStyleOption::SO_Complex && option.version >= 1)
        subControls = int(static_cast<const QStyleOptionComplex &>(option).activeSubControls);
    return QString::asprintf("%s-%d-%d-%lld-%dx%d", key.toLatin1().constData(), int(option.state), subControls,
                             static_cast<long long>(option.palette.cacheKey()), size.width(), size.height());
}

void DrawGradient(QPainter *painter, const QRect &rect, const QColor &start, const QColor &stop, bool transparent)
{
    if (rect.isEmpty())
        return;
    const QString key = GradientKey(rect.size(), start, stop);
    QPixmap cached;
    if (!QPixmapCache::find(key, &cached)) {
        cached = QPixmap(rect.size());
        cached.fill(transparent ? QColor(Qt::transparent) : QColor(Qt::white));
        QPainter fill(&cached);
        QLinearGradient gradient(rect.width() / 2.0, 0, rect.width() / 2.0, rect.height());
        gradient.setColorAt(0, start);
        gradient.setColorAt(1, stop);
        fill.fillRect(QRect(0, 0, rect.width(), rect.height()), gradient);
        fill.end();
        QPixmapCache::insert(key, cached);
    }
    painter->drawPixmap(rect.topLeft(), cached);
}

TevrinStyle::TevrinStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void TevrinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                const QWidget *widget) const
{
    if (element == PE_IndicatorCheckBox) {
        DrawCheckBox(option, painter, widget);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TevrinStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                              const QWidget *widget) const
{
    if (element == CE_MenuItem) {
        QProxyStyle::drawControl(element, option, painter, widget);
        DrawMenuItem(option, painter, widget);
        return;
    }
    if (element == CE_ToolButtonLabel && qstyleoption_cast<const QStyleOptionToolButton *>(option)) {
        DrawToolButtonLabel(option, painter, widget);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void TevrinStyle::DrawCheckBox(const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    if (!qstyleoption_cast<const QStyleOptionButton *>(option))
        return;
    const QRect r = option->rect;
    if (r.isEmpty())
        return;
    const QString key = UniqueName(QStringLiteral("checkbox"), *option, r.size());
    QPixmap cached;
    if (QPixmapCache::find(key, &cached)) {
        painter->drawPixmap(r.topLeft(), cached);
        return;
    }
    // Qt 6 has no propagated contents: the pixmap starts transparent and the fill covers it.
    const bool propagated = false;
    const bool hover = (option->state & State_Enabled) && (option->state & State_MouseOver);
    const Shades shades(option->palette);
    cached = QPixmap(r.size());
    cached.fill(Qt::transparent);
    QPainter p(&cached);
    const QRect local(0, 0, r.width(), r.height());
    DrawCutOutline(&p, local, shades.border, shades.alphaCorner);
    const QRect inside = local.adjusted(1, 1, -1, -1);
    if (!hover) {
        DrawGradient(&p, inside, shades.baseGradientStart, shades.baseGradientStop, propagated);
    } else {
        DrawGradient(&p, inside, shades.highlightedBaseGradientStart, shades.highlightedBaseGradientStop,
                     propagated);
        const QRect bevel = inside;
        p.setPen(shades.highlightedDarkInnerBorder);
        p.drawLine(bevel.topLeft(), bevel.topRight());
        p.drawLine(bevel.topLeft(), bevel.bottomLeft());
        p.setPen(shades.highlightedLightInnerBorder);
        p.drawLine(bevel.left() + 1, bevel.top() + 1, bevel.right() - 1, bevel.top() + 1);
        p.drawLine(bevel.left() + 1, bevel.top() + 1, bevel.left() + 1, bevel.bottom() - 1);
        p.setPen(shades.highlightedDarkInnerBorder.darker(110));
        p.drawLine(bevel.left() + 1, bevel.bottom(), bevel.right(), bevel.bottom());
        p.drawLine(bevel.right(), bevel.top() + 1, bevel.right(), bevel.bottom());
        p.setPen(shades.highlightedLightInnerBorder.darker(110));
        p.drawLine(bevel.left() + 2, bevel.bottom() - 1, bevel.right() - 1, bevel.bottom() - 1);
        p.drawLine(bevel.right() - 1, bevel.top() + 2, bevel.right() - 1, bevel.bottom() - 1);
    }
    if (option->state & (State_Sunken | State_NoChange)) {
        const QColor colours[3] = {shades.alphaLightText, shades.alphaLightText.lighter(130),
                                 shades.alphaLightText.lighter(110)};
        p.drawImage(2, 2, Mark(kMarkSunken, colours));
    } else if (option->state & State_On) {
        p.drawImage(2, 2, OnMark(option->palette.text().color(), shades.alphaText));
    }
    p.end();
    QPixmapCache::insert(key, cached);
    painter->drawPixmap(r.topLeft(), cached);
}

void TevrinStyle::DrawMenuItem(const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (!item)
        return;
    const Shades shades(option->palette);
    const QPalette &pal = option->palette;
    const QRect r = option->rect;
    painter->save();
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->setPen(shades.alphaCorner);
        painter->drawLine(r.left(), r.top(), r.right(), r.top());
        painter->restore();
        return;
    }
    const bool selected = option->state & State_Selected;
    const bool enabled = option->state & State_Enabled;
    if (selected) {
        DrawGradient(painter, r, pal.highlight().color().lighter(105), pal.highlight().color().darker(110), false);
        painter->setPen(pal.highlight().color().lighter(110));
        painter->drawLine(r.topLeft(), r.topRight());
        painter->setPen(pal.highlight().color().darker(115));
        painter->drawLine(r.bottomLeft(), r.bottomRight());
    } else {
        painter->fillRect(r, pal.window().color().lighter(103));
    }

    const int checkColumn = std::max(item->maxIconWidth, 20) + 7;
    const QRect square = visualRect(option->direction, r, QRect(r.left() + 7, r.center().y() - 6, 13, 13));
    const bool checkable = item->checkType != QStyleOptionMenuItem::NotCheckable;
    if (checkable && item->icon.isNull()) {
        painter->setPen(shades.border);
        painter->drawRect(square.adjusted(0, 0, -1, -1));
        painter->setPen(MergeColors(shades.border, selected ? pal.highlight().color() : pal.window().color(), 50));
        painter->drawPoint(square.topLeft());
        painter->drawPoint(square.topRight() - QPoint(1, 0));
        painter->drawPoint(square.bottomLeft() - QPoint(0, 1));
        painter->drawPoint(square.bottomRight() - QPoint(1, 1));
        painter->fillRect(square.adjusted(1, 1, -2, -2), pal.base());
        if (item->checked) {
            const QImage mark = OnMark(pal.text().color(), pal.text().color());
            painter->drawImage(square.center() - QPoint(4, 4), mark);
        }
    }
    if (!item->icon.isNull()) {
        const int size = pixelMetric(PM_SmallIconSize, option, widget);
        const QPixmap pixmap = item->icon.pixmap(size, enabled ? QIcon::Normal : QIcon::Disabled);
        QRect place(QPoint(0, 0), pixmap.deviceIndependentSize().toSize());
        place.moveCenter(square.center());
        painter->drawPixmap(place.topLeft(), pixmap);
    }

    const QColor pen = selected ? pal.highlightedText().color() : pal.text().color();
    const int tab = item->text.indexOf(QLatin1Char('\t'));
    const QString label = tab < 0 ? item->text : item->text.left(tab);
    const QString shortcut = tab < 0 ? QString() : item->text.mid(tab + 1);
    int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
    if (!styleHint(SH_UnderlineShortcut, option, widget))
        flags |= Qt::TextHideMnemonic;
    const int arrowSide = r.height();
    const QRect textRect = visualRect(option->direction, r,
                                      QRect(r.left() + checkColumn + 4, r.top(),
                                            r.width() - checkColumn - arrowSide - 8, r.height()));
    QFont font = item->font;
    if (item->menuItemType == QStyleOptionMenuItem::DefaultItem)
        font.setBold(true);
    painter->setFont(font);
    auto drawText = [&](const QRect &where, const QString &text, int align) {
        if (!enabled) {
            painter->setPen(pal.light().color());
            painter->drawText(where.translated(1, 1), flags | align, text);
        }
        painter->setPen(pen);
        painter->drawText(where, flags | align, text);
    };
    drawText(textRect, label, Qt::AlignLeft);
    if (!shortcut.isEmpty())
        drawText(textRect, shortcut, Qt::AlignRight);

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOptionMenuItem arrow = *item;
        arrow.rect = visualRect(option->direction, r, QRect(r.right() - arrowSide + 1, r.top(), arrowSide, arrowSide));
        if (selected)
            arrow.palette.setColor(QPalette::ButtonText, pal.highlightedText().color());
        drawPrimitive(QApplication::isRightToLeft() ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight, &arrow,
                      painter, widget);
    }
    painter->restore();
}

void TevrinStyle::DrawToolButtonLabel(const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionToolButton *>(option);
    QRect r = option->rect;
    QPoint shift(0, 0);
    if (option->state & (State_Sunken | State_On))
        shift = QPoint(pixelMetric(PM_ButtonShiftHorizontal, option, widget),
                       pixelMetric(PM_ButtonShiftVertical, option, widget));
    int mnemonic = Qt::TextShowMnemonic;
    if (!styleHint(SH_UnderlineShortcut, option, widget))
        mnemonic |= Qt::TextHideMnemonic;
    const bool enabled = option->state & State_Enabled;
    const bool hasArrow = button->features & QStyleOptionToolButton::Arrow;
    if ((!hasArrow && button->icon.isNull() && !button->text.isEmpty()) ||
        button->toolButtonStyle == Qt::ToolButtonTextOnly) {
        drawItemText(painter, r.translated(shift), Qt::AlignCenter | mnemonic, option->palette, enabled,
                     button->text, QPalette::ButtonText);
        return;
    }
    QPixmap pixmap;
    QSize iconSize = button->iconSize;
    if (!button->icon.isNull()) {
        const QIcon::Mode mode = !enabled ? QIcon::Disabled
                                 : ((option->state & State_MouseOver) && (option->state & State_AutoRaise))
                                     ? QIcon::Active
                                     : QIcon::Normal;
        const QIcon::State state = (option->state & State_On) ? QIcon::On : QIcon::Off;
        pixmap = button->icon.pixmap(r.size().boundedTo(button->iconSize), mode, state);
        iconSize = pixmap.deviceIndependentSize().toSize();
    }
    auto drawPicture = [&](const QRect &where) {
        if (hasArrow) {
            QStyleOption arrow;
            arrow.rect = where;
            arrow.palette = option->palette;
            arrow.state = option->state;
            PrimitiveElement primitive = PE_IndicatorArrowRight;
            switch (button->arrowType) {
            case Qt::UpArrow: primitive = PE_IndicatorArrowUp; break;
            case Qt::DownArrow: primitive = PE_IndicatorArrowDown; break;
            case Qt::LeftArrow: primitive = PE_IndicatorArrowLeft; break;
            case Qt::RightArrow: primitive = PE_IndicatorArrowRight; break;
            default: return;
            }
            drawPrimitive(primitive, &arrow, painter, widget);
        } else {
            drawItemPixmap(painter, where, Qt::AlignCenter, pixmap);
        }
    };
    if (button->toolButtonStyle == Qt::ToolButtonIconOnly) {
        drawPicture(r.translated(shift));
        return;
    }
    painter->setFont(button->font);
    QRect picture;
    QRect text;
    int align;
    if (button->toolButtonStyle == Qt::ToolButtonTextUnderIcon) {
        const int h = painter->fontMetrics().height();
        picture = r.adjusted(0, 3, 0, -(3 + h));
        text = QRect(r.left(), picture.bottom(), r.width(), r.bottom() - 3 - picture.bottom());
        align = painter->fontMetrics().horizontalAdvance(button->text) < r.width() ? Qt::AlignCenter : Qt::AlignLeft;
    } else {
        picture = QRect(r.left(), r.top(), iconSize.width() + 8, r.height());
        text = QRect(picture.right(), r.top(), r.right() - picture.right(), r.height());
        align = Qt::AlignLeft | Qt::AlignVCenter;
    }
    drawPicture(picture.translated(shift));
    drawItemText(painter, text.translated(shift), align | mnemonic, option->palette, enabled, button->text,
                 QPalette::ButtonText);
}

}  // namespace GUI
