// The image viewer: fit, rotation, channel views, zoom and the pixel under the mouse.

#include "BrowserFixtures.h"
#include "GuiApplication.h"

#include "browser/viewer/ImageArea.h"
#include "browser/viewer/ImageWidget.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ImageViewerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(guitest::Application(), nullptr); }
    // A w x h image whose four quarters are red, green, blue and white.
    QString Quarters(const char *name, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixelColor(x, y,
                                    y < h / 2 ? (x < w / 2 ? QColor(200, 0, 0) : QColor(0, 150, 0))
                                              : (x < w / 2 ? QColor(0, 0, 100) : QColor(255, 255, 255)));
        const QString path = m_dir.File(name);
        image.save(path);
        return path;
    }
    QColor Shown(int x, int y) const { return m_widget.GetPixmap().toImage().pixelColor(x, y); }

    TempDir m_dir;
    ImageWidget m_widget{nullptr};
};

TEST_F(ImageViewerTest, FitScalesUseTheRotatedImage)
{
    const struct {
        int width, height, rotation, w, h;
        double zoom;
    } cases[] = {{1000, 500, 0, 501, 501, 0.5}, {1000, 500, 90, 501, 501, 0.5}, {1000, 500, 270, 501, 2001, 1.0},
                 {200, 100, 180, 101, 1001, 0.5}, {100, 100, 0, 51, 201, 0.5}};
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(ImageWidget::FitScale(c.width, c.height, c.rotation, c.w, c.h), c.zoom) << c.rotation;

    ASSERT_TRUE(m_widget.Load(Quarters("wide.png", 1000, 500)));
    m_widget.SetFit(true, QSize(501, 501));
    EXPECT_DOUBLE_EQ(m_widget.GetZoom(), 0.5);
    EXPECT_EQ(m_widget.GetPixmap().size(), QSize(500, 250));
    m_widget.Rotate(90);
    EXPECT_DOUBLE_EQ(m_widget.GetZoom(), 0.5);
    EXPECT_EQ(m_widget.GetPixmap().size(), QSize(250, 500));
}

TEST_F(ImageViewerTest, RotationsWrapIntoOneTurn)
{
    // Before an image everything but Load does nothing.
    m_widget.Rotate(90);
    EXPECT_EQ(m_widget.GetRotation(), 0);
    ASSERT_TRUE(m_widget.Load(Quarters("q.png", 8, 4)));
    m_widget.Rotate(-90);
    EXPECT_EQ(m_widget.GetRotation(), 270);
    m_widget.Rotate(90);
    EXPECT_EQ(m_widget.GetRotation(), 0);
    m_widget.Rotate(-450);
    EXPECT_EQ(m_widget.GetRotation(), 270);
    // The next load starts from the initial rotation.
    m_widget.setInitDegree(180);
    ASSERT_TRUE(m_widget.Load(Quarters("q.png", 8, 4)));
    EXPECT_EQ(m_widget.GetRotation(), 180);
    EXPECT_EQ(Shown(0, 0), QColor(255, 255, 255));
}

TEST_F(ImageViewerTest, ChannelViewsShowWhatIsLeftAndZoomingShowsAllAgain)
{
    ASSERT_TRUE(m_widget.Load(Quarters("q.png", 8, 8)));
    QSignalSpy plans(&m_widget, &ImageWidget::showPlans);
    // Blue off: red and green stay in colour.
    m_widget.ToggleBlue(true);
    EXPECT_EQ(Shown(6, 6), QColor(255, 255, 0));
    // Red off too: green alone is shown in grey.
    m_widget.ToggleRed(true);
    EXPECT_EQ(Shown(6, 1), QColor(150, 150, 150));
    EXPECT_EQ(Shown(1, 1), QColor(0, 0, 0));
    ASSERT_FALSE(plans.isEmpty());
    EXPECT_EQ(plans.last(), (QList<QVariant>{false, true, false}));
    // Green off as well: black.
    m_widget.ToggleGreen(true);
    EXPECT_EQ(Shown(6, 6), QColor(0, 0, 0));

    // A zoom shows every channel again; the flags stay, so red on shows red alone in grey.
    m_widget.SetZoom(2.0);
    EXPECT_EQ(Shown(2, 2), QColor(200, 0, 0));
    m_widget.ToggleRed(true);
    EXPECT_EQ(Shown(2, 2), QColor(200, 200, 200));
    EXPECT_EQ(Shown(12, 2), QColor(0, 0, 0));
    // A new image resets the flags.
    ASSERT_TRUE(m_widget.Load(Quarters("q.png", 8, 8)));
    EXPECT_TRUE(m_widget.Channel(0) && m_widget.Channel(1) && m_widget.Channel(2));
}

TEST_F(ImageViewerTest, TheMouseReportsThePixelUnderIt)
{
    const struct {
        double x, y, zoom;
        int rotation;
        bool inside;
        int px, py;
    } cases[] = {{3, 3, 2.0, 0, true, 2, 2},  {0, 0, 1.0, 90, true, 0, 3},    {0, 0, 1.0, 180, true, 7, 3},
                 {0, 0, 1.0, 270, true, 7, 0}, {7.6, 0, 1.0, 0, false, 0, 0}, {0, 0, 1.0, 45, false, 0, 0},
                 {-1.6, 0, 1.0, 0, false, 0, 0}};
    for (const auto &c : cases) {
        QPoint pixel;
        ASSERT_EQ(ImageWidget::PixelAt(QPointF(c.x, c.y), c.zoom, c.rotation, QSize(8, 4), pixel), c.inside)
            << c.rotation;
        if (c.inside)
            EXPECT_EQ(pixel, QPoint(c.px, c.py)) << c.rotation;
    }

    ASSERT_TRUE(m_widget.Load(Quarters("q.png", 8, 8)));
    m_widget.SetZoom(2.0);
    m_widget.resize(40, 40);
    m_widget.show();
    QSignalSpy info(&m_widget, qOverload<int, int, int, int, int, int>(&ImageWidget::pixelInfo));
    QTest::mouseMove(&m_widget, QPoint(3, 3));
    ASSERT_EQ(info.count(), 1);
    EXPECT_EQ(info.last(), (QList<QVariant>{2, 2, 200, 0, 0, 255}));
}

TEST_F(ImageViewerTest, AFileThatDoesNotLoadLeavesTheImageShown)
{
    ASSERT_TRUE(m_widget.Load(Quarters("q.png", 8, 8)));
    m_widget.SetZoom(2.0);
    TempDir::Write(m_dir.File("bad.png"), "no image");
    QSignalSpy scaled(&m_widget, &ImageWidget::scaled);
    EXPECT_FALSE(m_widget.Load(m_dir.File("bad.png")));
    EXPECT_EQ(scaled.count(), 0);
    EXPECT_EQ(m_widget.GetPixmap().size(), QSize(16, 16));
    EXPECT_DOUBLE_EQ(m_widget.GetZoom(), 2.0);
}

TEST_F(ImageViewerTest, TheAreaCentresASmallPicture)
{
    ImageArea area(nullptr);
    area.resize(300, 200);
    area.show();
    ImageWidget *widget = area.GetImageWidget();
    ASSERT_TRUE(widget->Load(Quarters("q.png", 40, 20)));
    const QSize view = area.viewport()->size();
    EXPECT_EQ(widget->GetOffset(), QPoint(view.width() / 2 - 20, view.height() / 2 - 10));
    widget->SetZoom(20.0);
    EXPECT_EQ(widget->GetOffset(), QPoint(0, 0));
    EXPECT_EQ(widget->size(), QSize(800, 400));
    // Fit mode fits the viewport.
    widget->SetFit(true, area.viewport()->size());
    EXPECT_DOUBLE_EQ(widget->GetZoom(), ImageWidget::FitScale(40, 20, 0, view.width(), view.height()));
}

}  // namespace
