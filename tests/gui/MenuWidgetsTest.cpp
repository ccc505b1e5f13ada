// The program's own menu rows: what each row shows, the option box, the check box that
// runs its command, the row width without rich-text tags, and the hover sub-menu delay.
#include "GuiApplication.h"
#include "gui/menus/QTvAction.h"
#include "gui/menus/QTvMenu.h"
#include "gui/menus/QTvMenuItem.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class MenuWidgets : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(guitest::Application(), nullptr); }

    QTvAction *Add(const char *text, const char *shortcut, bool optionBox)
    {
        auto *action = new QTvAction(QString::fromLatin1(text), QString::fromLatin1(shortcut), optionBox, &m_menu);
        m_menu.AddAction(action);
        return action;
    }
    QTvMenuItem *Row(int index) { return m_menu.Rows().at(index); }

    QTvMenu m_menu;
};

TEST_F(MenuWidgets, RowsShowTheirShortcutWithoutBindingItAndLineUpTheirGaps)
{
    QTvAction *subdivide = Add("Subdivide Selection", "Shift+D", true);
    QTvAction *up = Add("Step Level Up", "PgUp", false);
    Add("Delete Highest Level", "", false);
    // A bound shortcut would take the key before the 3D view and the handler table.
    EXPECT_TRUE(subdivide->shortcut().isEmpty());
    EXPECT_TRUE(up->shortcut().isEmpty());
    EXPECT_EQ(Row(0)->ShortcutLabel()->text(), QStringLiteral("Shift+D"));
    EXPECT_EQ(Row(1)->ShortcutLabel()->text(), QStringLiteral("PgUp"));
    EXPECT_EQ(Row(2)->ShortcutLabel()->text(), QString());
    ASSERT_NE(Row(0)->OptionBox(), nullptr);
    EXPECT_EQ(Row(1)->OptionBox(), nullptr);
    EXPECT_EQ(Row(0)->OptionBox()->size(), QSize(20, 18));
    // Every row's text label takes the widest text.
    EXPECT_EQ(Row(0)->TextLabel()->width(), Row(2)->TextLabel()->width());
    EXPECT_GT(m_menu.sizeHint().height(), 3 * 20);
}

TEST_F(MenuWidgets, OptionBoxAndRowReleaseReachTheMenuOnce)
{
    QTvAction *subdivide = Add("Subdivide Selection", "Shift+D", true);
    QSignalSpy options(&m_menu, &QTvMenu::optionBoxActivated);
    QSignalSpy own(subdivide, &QTvAction::optionBoxActivated);
    QSignalSpy triggered(&m_menu, &QMenu::triggered);
    QTest::mouseClick(Row(0)->OptionBox(), Qt::LeftButton);
    ASSERT_EQ(options.count(), 1);
    EXPECT_EQ(options.at(0).at(0).value<QAction *>(), subdivide);
    EXPECT_EQ(own.count(), 1);
    EXPECT_EQ(triggered.count(), 0);

    QSignalSpy actionTriggered(subdivide, &QAction::triggered);
    QTest::mouseClick(Row(0)->TextLabel(), Qt::LeftButton);
    ASSERT_EQ(triggered.count(), 1);
    EXPECT_EQ(triggered.at(0).at(0).value<QAction *>(), subdivide);
    EXPECT_EQ(actionTriggered.count(), 1);
}

TEST_F(MenuWidgets, TickingTheBoxLeavesTheActionAsTheBoxAndRunsIt)
{
    // The row's lead widget is chosen when the row is built.
    QTvMenu menu;
    auto *toggle = new QTvAction(QStringLiteral("Wireframe"), QString(), false, &menu);
    toggle->setCheckable(true);
    toggle->setIcon(QIcon(QPixmap(16, 16)));
    menu.AddAction(toggle);
    auto *box = qobject_cast<QCheckBox *>(menu.Rows().at(0)->LeadWidget());
    ASSERT_NE(box, nullptr) << "a checkable action shows a check box, not its icon";
    QSignalSpy triggered(&menu, &QMenu::triggered);
    for (const bool expected : {true, false}) {
        box->click();
        EXPECT_EQ(box->isChecked(), expected);
        EXPECT_EQ(toggle->isChecked(), expected);
    }
    EXPECT_EQ(triggered.count(), 2);
    // A state set elsewhere shows in the box.
    toggle->setChecked(true);
    EXPECT_TRUE(box->isChecked());
}

TEST_F(MenuWidgets, RichTextTagsDoNotWidenTheRow)
{
    EXPECT_EQ(QTvMenu::TextWidth(QStringLiteral("<b>Bold</b> text"), 0), QTvMenu::TextWidth(QStringLiteral("Bold text"), 0));
    EXPECT_EQ(QTvMenu::TextWidth(QStringLiteral("x"), 2), QTvMenu::TextWidth(QStringLiteral("x"), 0) + 4);
}

TEST_F(MenuWidgets, SubMenuOpensOnlyAfterTheRowIsRestedOn)
{
    QMenu sub;
    sub.addAction(QStringLiteral("Inner"));
    QTvMenu menu;
    auto *parent = new QTvAction(QStringLiteral("More"), QString(), false, &menu);
    parent->setMenu(&sub);
    menu.AddAction(parent);
    QTvMenuItem *row = menu.Rows().at(0);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(row, &enter);
    EXPECT_TRUE(row->IsHovered());
    EXPECT_TRUE(row->IsHoverTimerActive());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(row, &leave);
    EXPECT_FALSE(row->IsHoverTimerActive());
    QTest::qWait(QTvMenuItem::kHoverDelayMs + 100);
    EXPECT_FALSE(sub.isVisible());

    QApplication::sendEvent(row, &enter);
    QTest::qWait(QTvMenuItem::kHoverDelayMs + 200);
    EXPECT_TRUE(sub.isVisible());
    sub.hide();
    parent->setMenu(nullptr);
}

}  // namespace
