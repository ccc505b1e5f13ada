// The program's style: colour merging, gradients drawn once per size and colours, the two
// check marks, menu separators and selected items, and tool button labels.
#include "GuiApplication.h"
#include "gui/style/TevrinStyle.h"

#include <QCheckBox>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionButton>
#include <QStyleOptionMenuItem>
#include <QStyleOptionToolButton>

#include <gtest/gtest.h>

namespace {

QImage Render(const QSize &size, const std::function<void(QPainter &)> &draw)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    painter.end();
    return image;
}

class TevrinStyleTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(guitest::Application(), nullptr);
        QPixmapCache::clear();
    }
    GUI::TevrinStyle m_style;
};

TEST_F(TevrinStyleTest, MergeColorsWeighsEachComponentInIntegerSteps)
{
    EXPECT_EQ(GUI::MergeColors(Qt::white, Qt::black, 85), QColor(216, 216, 216));
    EXPECT_EQ(GUI::MergeColors(QColor(200, 100, 0), QColor(0, 100, 201)), QColor(100, 100, 100));
    QColor translucent(255, 0, 0, 40);
    EXPECT_EQ(GUI::MergeColors(translucent, Qt::blue).alpha(), 40);
}

TEST_F(TevrinStyleTest, AGradientIsDrawnOnceAndSharedBySizeAndColours)
{
    const QColor start(250, 250, 250), stop(100, 100, 100);
    const QRect rect(2, 3, 10, 40);
    const QImage image = Render({20, 50}, [&](QPainter &p) { GUI::DrawGradient(&p, rect, start, stop, false); });
    QPixmap cached;
    ASSERT_TRUE(QPixmapCache::find(GUI::GradientKey(rect.size(), start, stop), &cached));
    EXPECT_EQ(cached.size(), rect.size());
    EXPECT_GT(image.pixelColor(5, rect.top()).lightness(), image.pixelColor(5, rect.bottom()).lightness());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white)) << "nothing outside the rectangle";
    // The second draw at another place blits the same pixmap.
    const qint64 key = cached.cacheKey();
    Render({20, 50}, [&](QPainter &p) { GUI::DrawGradient(&p, rect.translated(5, 0), start, stop, false); });
    ASSERT_TRUE(QPixmapCache::find(GUI::GradientKey(rect.size(), start, stop), &cached));
    EXPECT_EQ(cached.cacheKey(), key);
}

TEST_F(TevrinStyleTest, CheckBoxMarksDifferForTristateAndPaletteChangesGiveNewEntries)
{
    QStyleOptionButton option;
    option.rect = QRect(0, 0, 13, 13);
    option.state = QStyle::State_Enabled | QStyle::State_On;
    const QImage on = Render({13, 13}, [&](QPainter &p) { m_style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p); });
    option.state = QStyle::State_Enabled | QStyle::State_NoChange;
    const QImage partial =
        Render({13, 13}, [&](QPainter &p) { m_style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p); });
    option.state = QStyle::State_Enabled | QStyle::State_Off;
    const QImage off = Render({13, 13}, [&](QPainter &p) { m_style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p); });
    EXPECT_NE(on, partial);
    EXPECT_NE(on, off);
    // Row 8 of the mark (drawn from y = 2): the on mark has slot 0 where the other has slot 1.
    EXPECT_NE(on.pixelColor(2 + 2, 2 + 7), partial.pixelColor(2 + 2, 2 + 7));

    const QString before = GUI::UniqueName(QStringLiteral("checkbox"), option, option.rect.size());
    option.palette.setColor(QPalette::Base, Qt::yellow);
    EXPECT_NE(GUI::UniqueName(QStringLiteral("checkbox"), option, option.rect.size()), before);
}

TEST_F(TevrinStyleTest, SeparatorsAreOneLineAndSelectedItemsAreShaded)
{
    QStyleOptionMenuItem separator;
    separator.rect = QRect(0, 0, 60, 8);
    separator.menuItemType = QStyleOptionMenuItem::Separator;
    separator.state = QStyle::State_Enabled;
    const QImage line = Render({60, 8}, [&](QPainter &p) { m_style.drawControl(QStyle::CE_MenuItem, &separator, &p); });
    const QColor corner = line.pixelColor(30, 0);
    int rowsWithTheLine = 0;
    for (int y = 0; y < 8; ++y)
        rowsWithTheLine += line.pixelColor(30, y) == corner ? 1 : 0;
    EXPECT_EQ(rowsWithTheLine, 1);

    QStyleOptionMenuItem item;
    item.rect = QRect(0, 0, 120, 24);
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.text = QStringLiteral("Grid\tCtrl+G");
    item.state = QStyle::State_Enabled | QStyle::State_Selected;
    const QImage selected = Render({120, 24}, [&](QPainter &p) { m_style.drawControl(QStyle::CE_MenuItem, &item, &p); });
    const QColor highlight = item.palette.color(QPalette::Highlight);
    EXPECT_GT(selected.pixelColor(3, 3).lightness(), selected.pixelColor(3, 20).lightness());
    EXPECT_LT(std::abs(selected.pixelColor(3, 12).hue() - highlight.hue()), 10);
}

TEST_F(TevrinStyleTest, ToolButtonTextUnderItsIconIsLeftAlignedWhenTooWide)
{
    QPixmap icon(16, 16);
    icon.fill(Qt::red);
    QStyleOptionToolButton button;
    button.rect = QRect(0, 0, 40, 40);
    button.state = QStyle::State_Enabled;
    button.icon = QIcon(icon);
    button.iconSize = QSize(16, 16);
    button.toolButtonStyle = Qt::ToolButtonTextUnderIcon;
    button.palette.setColor(QPalette::ButtonText, Qt::black);
    auto firstInkColumn = [&](const QString &text) {
        button.text = text;
        const QImage image =
            Render({40, 40}, [&](QPainter &p) { m_style.drawControl(QStyle::CE_ToolButtonLabel, &button, &p); });
        for (int x = 0; x < 40; ++x)
            for (int y = 24; y < 40; ++y)
                if (image.pixelColor(x, y).lightness() < 128)
                    return x;
        return -1;
    };
    EXPECT_GT(firstInkColumn(QStringLiteral("i")), 10) << "a short text is centred";
    EXPECT_LE(firstInkColumn(QStringLiteral("Wide label text")), 3) << "a long one starts at the left";
}

}  // namespace
