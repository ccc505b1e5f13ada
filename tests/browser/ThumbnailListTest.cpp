// The thumbnail tiles and the list that chains, selects and walks them.

#include "GuiApplication.h"

#include "browser/scanner/ImgInfo.h"
#include "browser/thumbnails/ThumbnailItem.h"
#include "browser/thumbnails/ThumbnailList.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ThumbnailListTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(guitest::Application(), nullptr);
        m_list.resize(400, 300);
    }
    // Adds tiles by kind: 'i' an image, 'f' a folder, named t0, t1, ...
    void Fill(const char *kinds)
    {
        for (int i = 0; kinds[i]; ++i) {
            auto *item = new ThumbnailItem(100, 100, QStringLiteral("/x/t%1").arg(m_iNext++), kinds[i] == 'f',
                                           QPixmap(), nullptr);
            m_list.AddItem(item);
            m_items.push_back(item);
        }
    }
    QString Name(const ThumbnailItem *item) const { return item ? item->GetCaption() : QStringLiteral("none"); }

    ThumbnailList m_list{nullptr};
    std::vector<ThumbnailItem *> m_items;
    int m_iNext = 0;
};

TEST_F(ThumbnailListTest, WalksStopAtTilesOfTheRequestedKind)
{
    Fill("fiifif");
    const struct {
        int from;
        bool forward;
        int mode;
        const char *expected;
    } walks[] = {{1, true, ThumbnailList::Images, "t2"},  {2, true, ThumbnailList::Images, "t4"},
                 {4, true, ThumbnailList::Images, "none"}, {4, true, ThumbnailList::Folders, "t5"},
                 {4, true, ThumbnailList::Any, "t5"},      {1, false, ThumbnailList::Images, "none"},
                 {1, false, ThumbnailList::Folders, "t0"}, {5, false, ThumbnailList::Images, "t4"},
                 {3, false, ThumbnailList::Any, "t2"}};
    for (const auto &w : walks) {
        ThumbnailItem *from = m_items[size_t(w.from)];
        EXPECT_EQ(Name(w.forward ? m_list.Next(from, w.mode) : m_list.Previous(from, w.mode)), w.expected)
            << w.from << w.forward << w.mode;
    }
    EXPECT_EQ(Name(m_list.First(ThumbnailList::Images)), "t1");
    EXPECT_EQ(Name(m_list.Last(ThumbnailList::Images)), "t4");
    EXPECT_EQ(Name(m_list.First(ThumbnailList::Folders)), "t0");
    EXPECT_EQ(Name(m_list.Last(ThumbnailList::Any)), "t5");
    EXPECT_EQ(m_list.Next(nullptr, ThumbnailList::Any), nullptr);
    EXPECT_EQ(Name(m_list.FindByPath(QStringLiteral("/x/t3"))), "t3");
    EXPECT_EQ(m_list.FindByPath(QStringLiteral("/x/t")), nullptr);
}

TEST_F(ThumbnailListTest, ClickingSelectsOneTileAtATime)
{
    Fill("iii");
    m_list.show();
    QSignalSpy first(m_items[0], &ThumbnailItem::select);
    QTest::mouseClick(m_items[0], Qt::LeftButton);
    EXPECT_EQ(m_list.Current(), m_items[0]);
    QTest::mouseClick(m_items[1], Qt::LeftButton);
    EXPECT_EQ(m_list.Current(), m_items[1]);
    EXPECT_FALSE(m_items[0]->IsSelected());
    EXPECT_TRUE(m_items[1]->IsSelected());
    EXPECT_EQ(first.count(), 1);
    // The current tile again: still current, and it says select() once more.
    QSignalSpy second(m_items[1], &ThumbnailItem::select);
    QTest::mouseClick(m_items[1], Qt::LeftButton);
    EXPECT_EQ(second.count(), 1);
    EXPECT_EQ(m_list.Current(), m_items[1]);
}

TEST_F(ThumbnailListTest, RemovingTheCurrentTileLeavesNoCurrentTile)
{
    Fill("iii");
    m_items[2]->SetSelected(true);
    ASSERT_EQ(m_list.Current(), m_items[2]);
    m_list.RemoveItem(m_items[2]);
    EXPECT_EQ(m_list.Current(), nullptr);
    EXPECT_EQ(Name(m_list.Last(ThumbnailList::Any)), "t1");
    EXPECT_EQ(m_list.Next(m_items[1], ThumbnailList::Any), nullptr);
    // Selecting another tile afterwards touches nothing that is gone.
    m_items[0]->SetSelected(true);
    EXPECT_EQ(m_list.Current(), m_items[0]);
    m_list.RemoveItem(m_items[0]);
    EXPECT_EQ(Name(m_list.First(ThumbnailList::Any)), "t1");
    m_list.RemoveItem(nullptr);
    EXPECT_EQ(m_list.Count(), 1);

    m_list.Clear();
    EXPECT_EQ(m_list.Count(), 0);
    EXPECT_EQ(m_list.First(ThumbnailList::Any), nullptr);
    m_items.clear();
    Fill("fi");
    EXPECT_EQ(Name(m_list.First(ThumbnailList::Any)), "t3");
    EXPECT_EQ(m_list.Previous(m_items[0], ThumbnailList::Any), nullptr);
}

TEST_F(ThumbnailListTest, AThumbnailGetsItsShadowAndARecordWithoutOneChangesNothing)
{
    Fill("i");
    ThumbnailItem *item = m_items[0];
    const qint64 before = item->pixmap().cacheKey();
    item->SetThumbnail(ImgInfo{QStringLiteral("/x/t0"), 8, 0, 0, QImage()});
    EXPECT_EQ(item->pixmap().cacheKey(), before);

    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    item->SetThumbnail(ImgInfo{QStringLiteral("/x/t0"), 32, 40, 20, picture});
    const QImage shown = item->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(44, 24));
    EXPECT_EQ(shown.pixelColor(10, 10), QColor(255, 0, 0));
    // The shadow strips right of and below the picture are greys.
    const QColor right = shown.pixelColor(41, 12);
    const QColor below = shown.pixelColor(20, 21);
    EXPECT_EQ(right.red(), right.green());
    EXPECT_EQ(below.red(), below.blue());
    EXPECT_LT(right.red(), 200);
}

TEST_F(ThumbnailListTest, ShortNamesAreCentredAndLongOnesStartAtTheLeft)
{
    auto *shortName = new ThumbnailItem(100, 100, QStringLiteral("/x/a.png"), false, QPixmap(), nullptr);
    auto *longName = new ThumbnailItem(
        100, 100, QStringLiteral("/x/a_very_long_file_name_that_will_not_fit_in_the_band.png"), false, QPixmap(), nullptr);
    m_list.AddItem(shortName);
    m_list.AddItem(longName);
    // The first dark (text) column of the caption band.
    const auto firstInk = [](ThumbnailItem *item) {
        const QImage image = item->grab().toImage();
        const int y0 = image.height() - 4 - item->fontMetrics().height();
        for (int x = 2; x < image.width() - 2; ++x)
            for (int y = y0; y < y0 + item->fontMetrics().height(); ++y)
                if (qGray(image.pixel(x, y)) < 100)
                    return x;
        return -1;
    };
    const int shortInk = firstInk(shortName);
    const int longInk = firstInk(longName);
    ASSERT_GT(shortInk, 0);
    ASSERT_GT(longInk, 0);
    EXPECT_LT(longInk, 6);
    EXPECT_GT(shortInk, 20);
}

}  // namespace
