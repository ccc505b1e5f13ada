#include "GuiApplication.h"
#include "gui/layouts/FlowBoxLayout.h"
#include "gui/layouts/FlowLayout.h"

#include <QSpacerItem>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

QWidget *Button(QWidget *parent, int width, int height = 20)
{
    auto *button = new QWidget(parent);
    button->setFixedSize(width, height);
    return button;
}

// Both layouts place three 40-pixel items the same way while all are shown.
template <class Layout>
void ExpectWrapsAfterTwoItems()
{
    QWidget owner;
    auto *layout = new Layout(&owner, 0, 5);
    std::vector<QWidget *> buttons;
    for (int i = 0; i < 3; ++i) {
        buttons.push_back(Button(&owner, 40));
        layout->addWidget(buttons.back());
    }
    layout->setGeometry(QRect(0, 0, 100, 200));  // right edge 99
    EXPECT_EQ(buttons[0]->geometry(), QRect(0, 0, 40, 20));
    EXPECT_EQ(buttons[1]->geometry(), QRect(45, 0, 40, 20));
    EXPECT_EQ(buttons[2]->geometry(), QRect(0, 25, 40, 20));
    EXPECT_EQ(layout->heightForWidth(100), 45);
    // One row needs 40 + 5 + 40 + 5 + 40 = 130 pixels, so its right edge at 130: width 131.
    EXPECT_EQ(layout->heightForWidth(131), 20);
    EXPECT_EQ(layout->heightForWidth(130), 45);
}

TEST(FlowLayout, ItemsWrapIntoANewRowWhenTheRowIsFull)
{
    ExpectWrapsAfterTwoItems<FlowLayout>();
    ExpectWrapsAfterTwoItems<FlowBoxLayout>();
}

TEST(FlowLayout, AnItemWiderThanTheRowStandsAloneInIt)
{
    FlowLayout layout(nullptr, 0, 4);
    layout.addItem(new QSpacerItem(30, 10));
    layout.addItem(new QSpacerItem(300, 12));
    layout.addItem(new QSpacerItem(30, 10));
    layout.setGeometry(QRect(10, 20, 100, 0));
    EXPECT_EQ(layout.itemAt(0)->geometry(), QRect(10, 20, 30, 10));
    EXPECT_EQ(layout.itemAt(1)->geometry(), QRect(10, 34, 300, 12));
    EXPECT_EQ(layout.itemAt(2)->geometry(), QRect(10, 50, 30, 10));
    EXPECT_EQ(layout.heightForWidth(100), 10 + 4 + 12 + 4 + 10);
}

TEST(FlowLayout, SizesCountTheLargestItemAndTheMargins)
{
    FlowLayout empty(nullptr, 3, 5);
    EXPECT_EQ(empty.heightForWidth(100), 0);
    EXPECT_EQ(empty.minimumSize(), QSize(6, 6));

    QWidget owner;
    auto *layout = new FlowLayout(&owner, 3, 5);
    layout->addWidget(Button(&owner, 40, 10));
    layout->addWidget(Button(&owner, 20, 30));
    EXPECT_EQ(layout->minimumSize(), QSize(46, 36));
    EXPECT_EQ(layout->sizeHint(), layout->minimumSize());
    EXPECT_TRUE(layout->hasHeightForWidth());
    EXPECT_EQ(layout->expandingDirections(), Qt::Orientations());
}

TEST(FlowLayout, IndicesOutsideTheListGiveNothingAndRemoveNothing)
{
    FlowLayout layout(nullptr, 0, 0);
    layout.addItem(new QSpacerItem(1, 1));
    layout.addItem(new QSpacerItem(2, 2));
    for (int index : {-1, 2, 100}) {
        EXPECT_EQ(layout.itemAt(index), nullptr) << index;
        EXPECT_EQ(layout.takeAt(index), nullptr) << index;
    }
    EXPECT_EQ(layout.count(), 2);
    std::unique_ptr<QLayoutItem> taken(layout.takeAt(0));
    EXPECT_EQ(taken->sizeHint(), QSize(1, 1));
    EXPECT_EQ(layout.count(), 1);
}

TEST(FlowBoxLayout, ItemsAddedEitherWayShareOneList)
{
    QWidget owner;
    auto *layout = new FlowBoxLayout(&owner, 0, 5);
    QWidget *first = Button(&owner, 40);
    QWidget *second = Button(&owner, 40);
    layout->addWidget(second);
    auto *item = new QWidgetItem(first);
    layout->insertItem(0, item);
    ASSERT_EQ(layout->count(), 2);
    EXPECT_EQ(layout->itemAt(0), item);
    EXPECT_EQ(layout->itemAt(1)->widget(), second);

    layout->setGeometry(QRect(0, 0, 200, 100));
    EXPECT_EQ(first->pos(), QPoint(0, 0));
    EXPECT_EQ(second->pos(), QPoint(45, 0));

    layout->RemoveItem(item);
    std::unique_ptr<QLayoutItem> owned(item);
    EXPECT_EQ(layout->count(), 1);
    EXPECT_EQ(layout->indexOf(first), -1);
    layout->setGeometry(QRect(0, 0, 200, 100));
    EXPECT_EQ(second->pos(), QPoint(0, 0));
}

TEST(FlowBoxLayout, AHiddenButtonGivesUpItsPlaceButStillCountsForTheMinimum)
{
    QWidget owner;
    auto *layout = new FlowBoxLayout(&owner, 0, 5);
    QWidget *a = Button(&owner, 40);
    QWidget *wide = Button(&owner, 70, 30);
    QWidget *c = Button(&owner, 40);
    for (QWidget *button : {a, wide, c})
        layout->addWidget(button);
    // A spacer has no widget to hide: it keeps its place.
    layout->addItem(new QSpacerItem(10, 10));
    wide->hide();
    layout->setGeometry(QRect(0, 0, 100, 100));
    EXPECT_EQ(a->pos(), QPoint(0, 0));
    EXPECT_EQ(c->pos(), QPoint(45, 0));
    EXPECT_EQ(layout->itemAt(3)->geometry(), QRect(0, 25, 10, 10));
    EXPECT_EQ(layout->minimumSize(), QSize(70, 30));
}

}  // namespace
