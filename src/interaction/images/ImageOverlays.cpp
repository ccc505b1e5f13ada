// The controller's images as the 3D view draws them (part of ToolOverlayHost). The view
// asks while it paints, with its context current: a changed picture is uploaded then.

#include "interaction/Interface.h"
#include "interaction/tools/ToolOverlayHost.h"
#include "scene/camera/CameraHost.h"

namespace {
// The texture of `picture`, uploaded again when it went stale; 0 when there is none.
uint32_t Fresh(unsigned &texture, bool &stale, const QImage &picture)
{
    if (stale) {
        stale = false;
        if (picture.isNull())
            return 0;
        if (const uint32_t name = CameraHost::Get().UploadTexture(texture, picture))
            texture = name;
    }
    return texture;
}
}  // namespace

bool ToolOverlayHost::GetStencil(OverlayTexture &out) const
{
    Interface *controller = Interface::Get();
    if (!controller || !controller->m_cStencil.m_bState || controller->m_cStencil.m_bHiddenForStroke)
        return false;
    StencilImage &stencil = controller->m_cStencil;
    const InteractionServices &host = InteractionHost();
    if (!stencil.BuildPlacementMatrix(out.m_mPlacement, host.GetViewWidth(), host.GetViewHeight()))
        return false;
    // Repeated over the view only when sampling repeats it too.
    out.m_bTiled = stencil.m_bUseTile && stencil.m_bShowTile;
    if (stencil.m_bTextureStale)
        Fresh(stencil.m_iTexture, stencil.m_bTextureStale, stencil.TextureImage());
    out.m_iTexture = stencil.m_iTexture;
    return out.m_iTexture != 0;
}

bool ToolOverlayHost::GetStamp(OverlayTexture &out) const
{
    Interface *controller = Interface::Get();
    if (!controller)
        return false;
    AlphaImage &stamp = controller->m_cStamp;
    if (!stamp.m_bEnabled || !stamp.IsPresent() || !stamp.IsPlaced())
        return false;
    // The pixel square of the first stamp of the stroke, taken back to the object's space.
    General::Matrix placement = stamp.m_mFirstStamp;
    if (!placement.Invert())
        return false;
    out.m_mPlacement = placement.Multiply(stamp.m_mWorld);
    out.m_fWidth = float(stamp.m_iWidth);
    out.m_fHeight = float(stamp.m_iHeight);
    if (stamp.m_bTextureStale)
        Fresh(stamp.m_iTexture, stamp.m_bTextureStale, stamp.TextureImage());
    out.m_iTexture = stamp.m_iTexture;
    return out.m_iTexture != 0;
}

bool ToolOverlayHost::GetCursorImage(OverlayTexture &out) const
{
    Interface *controller = Interface::Get();
    if (!controller || !controller->m_cOverlay.m_bActive)
        return false;
    OverlayImage &image = controller->m_cOverlay;
    const InteractionServices &host = InteractionHost();
    if (!image.GetCursorMatrix(out.m_mPlacement, controller->m_fMouseX, controller->m_fMouseY, host.GetViewWidth(),
                               host.GetViewHeight()))
        return false;
    if (image.m_bTextureStale)
        Fresh(image.m_iTexture, image.m_bTextureStale, image.TextureImage());
    out.m_iTexture = image.m_iTexture;
    return out.m_iTexture != 0;
}
