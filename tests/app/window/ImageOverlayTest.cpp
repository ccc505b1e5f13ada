// The stencil and the picture at the cursor as a person sees them in the running window:
// loaded, uploaded when the view paints, and hidden again by their commands.
#include "WindowFixture.h"

#include "interaction/Interface.h"
#include "interaction/commands/ViewCommandHost.h"
#include "scene/Scene.h"
#include "viewport/view/SceneView.h"

#include <QApplication>
#include <QFile>

namespace apptest {

TEST_F(MainWindowTest, AStencilDarkensTheViewWhereItIsBlackAndItsKeyHidesIt)
{
    REQUIRE_WINDOW_GL();
    Build();
    WriteTorus(File("torus.obj"), 32, 24);
    Interface &controller = *m_window->GetInterface();
    controller.OpenFile(false, File("torus.obj"), 0);
    Settle();
    SceneView &view = *m_window->GetView();
    const auto grab = [&view] {
        Interface::Redraw();
        QApplication::processEvents();
        return view.grabFramebuffer();
    };
    const QImage plain = grab();

    // A black square with a white left half: drawn at its own size in the middle of the view.
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 32; ++x)
            picture.setPixel(x, y, qRgb(255, 255, 255));
    ASSERT_TRUE(picture.save(File("stencil.png")));
    ASSERT_TRUE(controller.SetStencil(File("stencil.png")));
    const QImage stenciled = grab();
    stenciled.save(QStringLiteral(TEVRIN_SCREENSHOTS "/stencil.png"));
    const QPoint centre(view.width() / 2, view.height() / 2);
    // Right of the centre the black half covers the view; left of it the white half is clear.
    EXPECT_EQ(qGray(stenciled.pixel(centre + QPoint(16, 0))), 0);
    EXPECT_EQ(stenciled.pixel(centre - QPoint(16, 0)), plain.pixel(centre - QPoint(16, 0)));
    EXPECT_NE(controller.m_cStencil.m_iTexture, 0u);

    controller.RunCommand("Toggle stencil visibility");
    EXPECT_FALSE(controller.m_cStencil.m_bState);
    EXPECT_EQ(DifferingPixels(plain, grab()), 0);
    controller.RunCommand("Toggle stencil visibility");
    EXPECT_GT(DifferingPixels(plain, grab()), 0);
    controller.SetStencil(QStringLiteral("OFF"));
    EXPECT_EQ(DifferingPixels(plain, grab()), 0);
}

TEST_F(MainWindowTest, ThePictureAtTheCursorIsReadOnceAndFadesWithItsOpacity)
{
    REQUIRE_WINDOW_GL();
    Build();
    Settle();
    SceneView &view = *m_window->GetView();
    Interface &controller = *m_window->GetInterface();
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(picture.save(File("sign.png")));

    controller.m_fMouseX = controller.m_fMouseY = 0.5f;
    ViewCommands().LoadOverlayImage(File("sign.png"));
    EXPECT_FALSE(controller.m_cOverlay.m_bActive);
    ViewCommands().ShowOverlayImage(true, 1.0f);
    Interface::Redraw();
    QApplication::processEvents();
    const QImage shown = view.grabFramebuffer();
    // The picture's middle sits just right of and above the cursor.
    const QPoint inside(view.width() / 2 + int(0.02f * view.width()), view.height() / 2 - int(0.02f * view.height()));
    EXPECT_EQ(shown.pixel(inside), qRgb(255, 0, 0));

    // A fainter picture comes from the same read: the file may go.
    QFile::remove(File("sign.png"));
    ViewCommands().ShowOverlayImage(true, 0.5f);
    Interface::Redraw();
    QApplication::processEvents();
    const QRgb faded = view.grabFramebuffer().pixel(inside);
    EXPECT_GT(qRed(faded), 100);
    EXPECT_LT(qRed(faded), 255);
    ViewCommands().ShowOverlayImage(false, 0.0f);
    EXPECT_FALSE(controller.m_cOverlay.m_bActive);
}

}  // namespace apptest
