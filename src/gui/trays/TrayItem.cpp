#include "gui/trays/TrayItem.h"

#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/OperationBuffer.h"
#include "gui/trays/FalloffPreview.h"
#include "interaction/Interface.h"
#include "interaction/TrayTargets.h"
#include "scene/Brush.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"

#include <cstdlib>

namespace GUI {

TrayItem::TrayItem(const QString &name, const QString &icon, const QString &label, const QString &extra)
    : m_sName(name), m_sLabel(label.isEmpty() ? name : label), m_sIcon(icon), m_sExtra(extra)
{
}

void TrayItem::Rename(const QString &name)
{
    if (!m_sLabel.isEmpty())
        m_sLabel = name;
    SetName(name);
}

// --- stamps and stencils -------------------------------------------------------------

StampItem::StampItem(const QString &name, const QString &icon, const QString &label) : TrayItem(name, icon, label)
{
    SetType(QStringLiteral("Stamp"));
    ClearLabel();
}

void StampItem::Activate() { TrayTargets::SetStamp(GetName()); }

StencilItem::StencilItem(const QString &name, const QString &icon, const QString &label)
    : TrayItem(name, icon, label)
{
    SetType(QStringLiteral("Stencil"));
    ClearLabel();
}

void StencilItem::Activate() { TrayTargets::SetStencil(GetName()); }

// --- tools -----------------------------------------------------------------------------

BrushItem::BrushItem(const QString &name, const QString &icon, const QString &label, const QString &extra)
    : TrayItem(name, icon, label, extra)
{
    SetType(QStringLiteral("Tool"));
    if (Brush::Find(name))
        return;
    auto tool = std::make_unique<Brush>();
    Interface *controller = Interface::Get();
    if (controller && controller->m_pCurrentTool) {
        tool->CopySettings(*controller->m_pCurrentTool);
        tool->m_iType = controller->m_pCurrentTool->m_iType;
    } else {
        tool->m_iType = 1;
    }
    tool->m_sName = name;
    tool->m_bHidden = true;
    Brush::Tools().push_back(std::move(tool));
}

void BrushItem::Activate() { TrayTargets::ApplyTool(Brush::Find(GetName())); }

// --- falloffs --------------------------------------------------------------------------

FalloffItem::FalloffItem(const QString &name, const QString &icon, const QString &label)
    : TrayItem(name, icon, label)
{
    SetType(QStringLiteral("Falloff"));
    if (name.isEmpty()) {
        m_iIndex = int(Brush::Falloffs().size()) - 1;
        SetName(QString::number(m_iIndex));
    } else {
        m_iIndex = std::atoi(name.toLatin1().constData());
    }
}

void FalloffItem::Activate() { TrayTargets::SelectFalloff(m_iIndex); }

QWidget *FalloffItem::CreateIconWidget(QWidget *parent) { return new FalloffPreview(m_iIndex, parent); }

// --- camera bookmarks ------------------------------------------------------------------

bool CopyCamera(const Camera &from, Camera &to)
{
    AttributeStream record;
    if (!record.IsOpen() || !const_cast<Camera &>(from).Serialize(record) || !record.Reopen(false))
        return false;
    return to.Serialize(record);
}

BookmarkItem::BookmarkItem(const QString &name, const QString &label, bool capture)
    : TrayItem(name, QStringLiteral("Icons/object_camera.png"), label)
{
    SetType(QStringLiteral("Camera Bookmark"));
    StoreCamera(name, capture);
}

BookmarkItem::~BookmarkItem() = default;

void BookmarkItem::StoreCamera(const QString &name, bool capture)
{
    m_pCamera.reset();
    SetName(name);
    const Camera *active = SceneHost().GetViewCamera();
    if (capture && active)
        SetCamera(*active);
}

void BookmarkItem::SetCamera(const Camera &camera)
{
    auto copy = std::make_unique<Camera>();
    if (CopyCamera(camera, *copy))
        m_pCamera = std::move(copy);
}

void BookmarkItem::Activate()
{
    Camera *active = SceneHost().GetViewCamera();
    if (!active || !m_pCamera)
        return;
    CopyCamera(*m_pCamera, *active);
    Interface::Redraw();
}

// --- the factory ---------------------------------------------------------------------

std::unique_ptr<TrayItem> CreateTrayItem(const QString &type, const QString &name, const QString &icon,
                                         const QString &label)
{
    std::unique_ptr<TrayItem> item;
    if (type == QLatin1String("Stamp"))
        item = std::make_unique<StampItem>(name, icon, label);
    else if (type == QLatin1String("Stencil"))
        item = std::make_unique<StencilItem>(name, icon, label);
    else if (type == QLatin1String("Camera Bookmark"))
        item = std::make_unique<BookmarkItem>(name, label);
    else if (type == QLatin1String("Tool")) {
        QString toolIcon = icon;
        if (toolIcon.isEmpty())
            if (Interface *controller = Interface::Get(); controller && controller->m_pCurrentTool)
                toolIcon = controller->m_pCurrentTool->IconPath();
        item = std::make_unique<BrushItem>(name, toolIcon, label, QString());
    } else if (type == QLatin1String("Falloff"))
        item = std::make_unique<FalloffItem>(name, icon, label);
    if (!item)
        AssertFailed("gui/Tray", 209, "new_item", nullptr);
    return item;
}

void InitTrayItemTypes()
{
    QStringList &types = General::TrayItemTypes();
    if (types.isEmpty())
        types << QStringLiteral("Camera Bookmark") << QStringLiteral("Falloff") << QStringLiteral("Stamp")
              << QStringLiteral("Stencil") << QStringLiteral("Tool");
}

}  // namespace GUI
