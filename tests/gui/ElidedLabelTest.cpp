// A status text wider than its label ends in an ellipsis and shows itself whole as a tooltip.
#include "GuiApplication.h"
#include "gui/status/ElidedLabel.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

TEST(ElidedLabel, AWideTextIsCutWithAnEllipsisAndItsTooltipIsWhole)
{
    guitest::Application();
    GUI::ElidedLabel label;
    label.resize(120, 20);
    label.show();
    const QString longText = QString(200, QLatin1Char('w')) + QStringLiteral(" end");
    const struct {
        QString text;
        bool elided;
    } cases[] = {{QStringLiteral("saved"), false}, {longText, true}};
    for (const auto &c : cases) {
        label.setText(c.text);
        EXPECT_EQ(label.text(), c.text);
        EXPECT_EQ(label.IsElided(), c.elided) << c.text.size();
        if (c.elided) {
            EXPECT_TRUE(label.ShownText().endsWith(QChar(0x2026)));
            EXPECT_LE(label.fontMetrics().horizontalAdvance(label.ShownText()), label.contentsRect().width());
        } else {
            EXPECT_EQ(label.ShownText(), c.text);
        }
        QToolTip::hideText();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&label, &help);
        EXPECT_EQ(QToolTip::isVisible(), c.elided);
        if (c.elided)
            EXPECT_EQ(QToolTip::text(), c.text);
    }
    // Wide enough, the same text is drawn whole again.
    label.resize(label.fontMetrics().horizontalAdvance(longText) + 10, 20);
    EXPECT_FALSE(label.IsElided());
    QToolTip::hideText();
}

}  // namespace
