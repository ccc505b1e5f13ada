#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/Commands.h"
#include "interaction/commands/ViewCommandHost.h"
#include "foundation/Diagnostics.h"
#include "foundation/curves/NURBSCurve.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "viewport/view/ViewToggles.h"

namespace {

const char *OnOff(bool on) { return on ? "on" : "off"; }

// After a display toggle the Display menu's check marks and the picture follow.
void MenuAndRedraw()
{
    InteractionHost().UpdateDisplayMenu();
    Interface::Redraw();
}

struct FlagToggle {
    const char *m_pHandler;
    bool ViewToggles::*m_pFlag;
    const char *m_pLog;  // the log line's words before the state
};

constexpr FlagToggle kFlagToggles[] = {
    {"Toggle light", &ViewToggles::m_bLighting, "Toggle light"},
    {"Toggle 2-sided light", &ViewToggles::m_bTwoSidedLight, "Toggle 2-sided light"},
    {"Toggle wireframe", &ViewToggles::m_bWireframe, "Toggle wireframe"},
    {"Toggle point render", &ViewToggles::m_bPoints, "Toggle point rendering"},
    {"Toggle shading", &ViewToggles::m_bSmoothShade, "Toggle shading"},
    {"Toggle culling", &ViewToggles::m_bCulling, "Toggle cull"},
    {"Toggle grid display", &ViewToggles::m_bGrid, "Toggle grid"},
    {"Toggle object display", &ViewToggles::m_bShowMeshes, "Toggle show objects"},
    {"Toggle curve display", &ViewToggles::m_bShowCurves, "Toggle show curves"},
    {"Toggle cube display", &ViewToggles::m_bShowOctree, "Toggle show cubes"},
    {"Toggle selection highlight", &ViewToggles::m_bSelectionHighlight, "Toggle selection highlight"},
    {"Toggle gradient background", &ViewToggles::m_bGradientBackground, "Toggle gradient background"},
};

// Every material switches as a group: all off when every one shows its texture, else all
// on. Objects without a material are passed over. Returns what was done, for the log: the
// view's own textures flag (the Display menu's tick) is not among it.
QString ToggleTextures()
{
    Scene *scene = Scene::GetCurrent();
    const int count = scene ? scene->GetObjectCount() : 0;
    bool all = true, any = false;
    for (int i = 0; i < count; ++i)
        if (Surface::Material *material = scene->GetObject(i)->GetMaterial()) {
            all = all && material->m_aShowTextures.GetValue();
            any = true;
        }
    if (!any)
        return QStringLiteral("no material to switch");
    const bool value = !all;
    for (int i = 0; i < count; ++i)
        if (Surface::Material *material = scene->GetObject(i)->GetMaterial())
            material->m_aShowTextures.SetValue(value, true);
    return QStringLiteral("the materials' textures %1").arg(QLatin1String(OnOff(value)));
}

}  // namespace

void Commands::InstallViewToggleCommands(EventHandler &handlers, Interface &owner)
{
    for (const FlagToggle &toggle : kFlagToggles) {
        handlers.SetBody(toggle.m_pHandler, [toggle](int event) -> Function * {
            if (!Commands::OnPress(event))
                return nullptr;
            ViewToggles *flags = ViewCommands().Toggles();
            if (!flags)
                return nullptr;
            bool &flag = flags->*toggle.m_pFlag;
            flag = !flag;
            Log("%s %s\n", toggle.m_pLog, OnOff(flag));
            if (toggle.m_pFlag == &ViewToggles::m_bShowCurves)
                if (Scene *scene = Scene::GetCurrent(); scene && scene->m_pCurrentCurve)
                    scene->m_pCurrentCurve->SetBeingEdited(false);
            MenuAndRedraw();
            return nullptr;
        });
    }
    handlers.SetBody("Toggle show textures", [](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        Log("Toggle show textures: %s\n", qUtf8Printable(ToggleTextures()));
        MenuAndRedraw();
        return nullptr;
    });
    // The current brush's two surface switches; the ring's shape follows the first at once.
    struct BrushToggle {
        const char *m_pHandler;
        bool Brush::*m_pFlag;
        bool m_bRepaint;
    };
    static const BrushToggle kBrushToggles[] = {
        {"Toggle orient to surface", &Brush::m_bOrientToSurface, true},
        {"Toggle project through", &Brush::m_bProjectThrough, false},
    };
    for (const BrushToggle &toggle : kBrushToggles) {
        handlers.SetBody(toggle.m_pHandler, [&owner, &toggle](int event) -> Function * {
            if (!Commands::OnPress(event) || !owner.m_pCurrentTool)
                return nullptr;
            bool &flag = owner.m_pCurrentTool->*toggle.m_pFlag;
            flag = !flag;
            Log("%s %s\n", toggle.m_pHandler, OnOff(flag));
            if (toggle.m_bRepaint)
                InteractionHost().RepaintView();
            InteractionHost().RefreshBrushPage();
            return nullptr;
        });
    }
    handlers.SetBody("Toggle stencil visibility", [](int event) -> Function * {
        if (!Commands::OnPress(event) || !ViewCommands().HasStencil())
            return nullptr;
        ViewCommands().ToggleStencil();
        Interface::Redraw();
        InteractionHost().ShowInProperties(QStringLiteral("Stencil"), nullptr);
        return nullptr;
    });
    handlers.SetBody("Toggle stamp", [](int event) -> Function * {
        if (!Commands::OnPress(event) || !ViewCommands().HasStamp())
            return nullptr;
        ViewCommands().ToggleStamp();
        InteractionHost().RefreshBrushPage();
        return nullptr;
    });
    handlers.SetBody("Speed review mode", [](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        ViewCommands().EnableVideoBuffers();
        Scene *scene = Scene::GetCurrent();
        const int count = scene ? scene->GetObjectCount() : 0;
        for (int i = 0; i < count; ++i)
            for (SubdivLevel *level = scene->GetObject(i); level; level = level->GetNextLevel(false))
                level->RecreateBuffers(true);
        return nullptr;
    });
}
