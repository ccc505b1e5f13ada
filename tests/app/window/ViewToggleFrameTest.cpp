// The display toggles run as the menus run them, on a torus in the real 3D view: what the
// next frame draws and what the Display menu's check marks show.
#include "WindowFixture.h"

#include "interaction/Interface.h"
#include "scene/Scene.h"
#include "viewport/view/SceneView.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

namespace apptest {

namespace {

QAction *DisplayEntry(QMenuBar *bar, const char *label)
{
    for (QAction *menu : bar->actions())
        if (menu->menu() && menu->text() == QStringLiteral("Display"))
            for (QAction *action : menu->menu()->actions())
                if (action->text().section(QLatin1Char('\t'), 0, 0) == QLatin1String(label))
                    return action;
    return nullptr;
}

}  // namespace

TEST_F(MainWindowTest, DisplayTogglesChangeTheNextFrameAndTheMenuFollows)
{
    REQUIRE_WINDOW_GL();
    Build();
    WriteTorus(File("torus.obj"), 64, 48);
    Interface &controller = *m_window->GetInterface();
    controller.OpenFile(false, File("torus.obj"), 0);
    ASSERT_EQ(m_window->GetScene()->GetObjectCount(), 1);
    Settle();
    SceneView &view = *m_window->GetView();
    const auto grab = [&view] {
        Interface::Redraw();
        return view.grabFramebuffer();
    };

    const struct {
        const char *handler;
        const char *entry;  // its Display menu entry, null for none
        bool ViewToggles::*flag;
        bool menuShowsFlag;  // "Show Both Sides" is checked while culling is off
        bool changesFrame;   // on a closed torus without curves or textures
    } cases[] = {
        {"Toggle light", "Lighting", &ViewToggles::m_bLighting, true, true},
        {"Toggle wireframe", "Wireframe", &ViewToggles::m_bWireframe, true, true},
        {"Toggle point render", "Points", &ViewToggles::m_bPoints, true, true},
        {"Toggle shading", "Smooth Shade", &ViewToggles::m_bSmoothShade, true, true},
        {"Toggle grid display", "Grid", &ViewToggles::m_bGrid, true, true},
        {"Toggle object display", "Meshes", &ViewToggles::m_bShowMeshes, true, true},
        {"Toggle gradient background", "Gradient Background", &ViewToggles::m_bGradientBackground, true, true},
        {"Toggle cube display", nullptr, &ViewToggles::m_bShowOctree, true, true},
        {"Toggle 2-sided light", "Light Both Sides", &ViewToggles::m_bTwoSidedLight, true, false},
        {"Toggle culling", "Show Both Sides", &ViewToggles::m_bCulling, false, false},
        {"Toggle curve display", "Curves", &ViewToggles::m_bShowCurves, true, false},
        {"Toggle selection highlight", nullptr, &ViewToggles::m_bSelectionHighlight, true, false},
    };
    const QImage original = grab();
    original.save(QStringLiteral(TEVRIN_SCREENSHOTS "/toggles_before.png"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.handler);
        const bool before = view.m_cToggles.*c.flag;
        controller.RunCommand(c.handler);
        QApplication::processEvents();
        ASSERT_EQ(view.m_cToggles.*c.flag, !before);
        const QImage toggled = grab();
        if (c.changesFrame) {
            EXPECT_GT(DifferingPixels(original, toggled), view.width() * view.height() / 1000);
            toggled.save(QStringLiteral(TEVRIN_SCREENSHOTS "/toggle_%1.png")
                             .arg(QString::fromLatin1(c.handler).section(QLatin1Char(' '), 1).replace(' ', '_')));
        }
        if (c.entry) {
            QAction *entry = DisplayEntry(m_window->menuBar(), c.entry);
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(entry->isChecked(), c.menuShowsFlag ? !before : before);
        }
        // Toggled back, the frame is the one before, pixel for pixel.
        controller.RunCommand(c.handler);
        QApplication::processEvents();
        EXPECT_EQ(DifferingPixels(original, grab()), 0);
    }
}

}  // namespace apptest
