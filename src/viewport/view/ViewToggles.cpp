#include "viewport/view/ViewToggles.h"

#include "foundation/Stream.h"

bool ViewToggles::Serialize(Stream &stream)
{
    ViewToggles copy = *this;
    const int version = stream.GetVersion();
    bool ok = true;
    auto flag = [&](bool &value) {
        unsigned char byte = value ? 1 : 0;
        ok = ok && stream.Transfer(&byte, 1);
        value = byte != 0;
    };
    flag(copy.m_bGrid);
    flag(copy.m_bGradientBackground);
    flag(copy.m_bWireframe);
    flag(copy.m_bUnused);
    flag(copy.m_bCulling);
    flag(copy.m_bLighting);
    flag(copy.m_bSmoothShade);
    flag(copy.m_bShowMeshes);
    flag(copy.m_bShowOctree);
    if (version >= 23)
        flag(copy.m_bTwoSidedLight);
    if (version >= 59)
        flag(copy.m_bPoints);
    if (version >= 80)
        flag(copy.m_bSelectionHighlight);
    if (version >= 122) {
        flag(copy.m_bWireOverlay);
        ok = ok && stream.Transfer(&copy.m_iWireOverlayLevel, 4);
    }
    if (version >= 154)
        flag(copy.m_bShowCurves);
    if (ok && !stream.IsStoring())
        *this = copy;
    return ok;
}

const ViewMenuEntry *ViewMenuEntries(int &count)
{
    static const ViewMenuEntry kEntries[] = {
        {"Smooth Shade", "Toggle shading", [](const ViewToggles &t) { return t.m_bSmoothShade; }},
        {"Wireframe", "Toggle wireframe", [](const ViewToggles &t) { return t.m_bWireframe; }},
        {"Points", "Toggle point render", [](const ViewToggles &t) { return t.m_bPoints; }},
        {"Textures", "Toggle show textures", [](const ViewToggles &t) { return t.m_bTextures; }},
        {nullptr, nullptr, nullptr},
        {"Lighting", "Toggle light", [](const ViewToggles &t) { return t.m_bLighting; }},
        {"Light Both Sides", "Toggle 2-sided light", [](const ViewToggles &t) { return t.m_bTwoSidedLight; }},
        // The entry names what the user sees, so it is checked when culling is off.
        {"Show Both Sides", "Toggle culling", [](const ViewToggles &t) { return !t.m_bCulling; }},
        {nullptr, nullptr, nullptr},
        {"Grid", "Toggle grid display", [](const ViewToggles &t) { return t.m_bGrid; }},
        {"Meshes", "Toggle object display", [](const ViewToggles &t) { return t.m_bShowMeshes; }},
        {"Curves", "Toggle curve display", [](const ViewToggles &t) { return t.m_bShowCurves; }},
        {nullptr, nullptr, nullptr},
        {"Gradient Background", "Toggle gradient background",
         [](const ViewToggles &t) { return t.m_bGradientBackground; }},
    };
    count = int(std::size(kEntries));
    return kEntries;
}
