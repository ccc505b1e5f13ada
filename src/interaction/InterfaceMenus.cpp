// The pop-up menus of scene items: each builds its rows, lets the window run the menu and
// carries out the chosen entry at once. Deleting objects and curves and activating a
// selection set go through undoable operations; renames and the other deletions change
// the scene directly.
#include "interaction/Interface.h"

#include "foundation/ShellServices.h"
#include "foundation/curves/NURBSCurve.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "operations/CurveOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "scene/Scene.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QCoreApplication>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr int kMaterialBase = 65536;

QString Tr(const char *text) { return QCoreApplication::translate("Interface", text); }

MenuRow Row(const char *text, int id, bool enabled = true) { return MenuRow{Tr(text), id, enabled, {}}; }
MenuRow Separator() { return MenuRow{}; }

// The new name, or false when the user cancelled or left it empty.
bool AskName(const QString &current, QString &name)
{
    return InteractionHost().AskText(Tr("Enter new name:"), current, name) && !name.isEmpty();
}

void Rename(const QString &current, const std::function<void(const QString &)> &set)
{
    QString name;
    if (AskName(current, name))
        set(name);
    InteractionHost().RefreshObjectList();
}

// After a deletion: the whole view is drawn again.
void RedrawScene()
{
    Scene *scene = Scene::GetCurrent();
    if (scene && scene->m_pActiveCamera)
        scene->m_pActiveCamera->ResetViewRegion(false);
    InteractionHost().RepaintView();
}

// Runs the operation as a new user action; the scene is marked modified either way.
void RecordAction(Operations::Operation &operation)
{
    Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, true);
}

int Choose(const QList<MenuRow> &rows, const QPoint &position) { return FileHost().ChooseFromMenu(rows, position); }

}  // namespace

int Interface::NextMaterialNumber()
{
    const Surface::MaterialList &materials = Surface::Materials();
    int next = 0;
    for (int i = 0; i < materials.Count(); ++i)
        next = std::max(next, materials.At(i)->GetIndex() + 1);
    return next;
}

void Interface::CameraContextMenu(Camera *camera, const QPoint &position)
{
    Scene *scene = Scene::GetCurrent();
    if (!camera || !scene)
        return;
    const bool deletable = camera != scene->m_pCameras && camera != scene->m_pActiveCamera;
    switch (Choose({Row("Look Through", 0), Row("Rename Camera", 1), Row("Delete Camera", 2, deletable), Separator(),
                    Row("Properties", 3)},
                   position)) {
    case 0:
        if (Interface *controller = Get())
            controller->SetActiveCamera(camera);
        break;
    case 1:
        Rename(camera->GetName(), [camera](const QString &name) { camera->m_sCameraName = name; });
        break;
    case 2: {
        if (!deletable)
            break;
        // The chain's head is a plain pointer owned by the scene; the rest hang from it.
        for (Camera *previous = scene->m_pCameras; previous; previous = previous->m_pNext.get())
            if (previous->m_pNext.get() == camera) {
                std::unique_ptr<Camera> gone = std::move(previous->m_pNext);
                previous->m_pNext = std::move(gone->m_pNext);
                break;
            }
        InteractionHost().RefreshObjectList();
        RedrawScene();
        break;
    }
    case 3:
        FileHost().ShowProperties(QStringLiteral("Camera"), camera, false);
        break;
    default:
        break;
    }
}

void Interface::LightContextMenu(Light *light, const QPoint &position)
{
    Scene *scene = Scene::GetCurrent();
    if (!light || !scene)
        return;
    const bool deletable = light != scene->m_pLights;
    switch (Choose({Row("Rename Light", 0), Row("Delete Light", 1, deletable), Separator(), Row("Properties", 2)},
                   position)) {
    case 0:
        Rename(light->m_sLightName, [light](const QString &name) { light->m_sLightName = name; });
        break;
    case 1:
        if (!deletable)
            break;
        for (Light *previous = scene->m_pLights; previous; previous = previous->m_pNext.get())
            if (previous->m_pNext.get() == light) {
                if (scene->m_pCurrentLight == light)
                    scene->m_pCurrentLight = scene->m_pLights;
                std::unique_ptr<Light> gone = std::move(previous->m_pNext);
                previous->m_pNext = std::move(gone->m_pNext);
                break;
            }
        InteractionHost().RefreshObjectList();
        RedrawScene();
        break;
    case 2:
        FileHost().ShowProperties(QStringLiteral("Light"), light, false);
        break;
    default:
        break;
    }
}

void Interface::MaterialContextMenu(Surface::Material *material, const QPoint &position)
{
    Scene *scene = Scene::GetCurrent();
    Surface::MaterialList &materials = Surface::Materials();
    if (!material || !scene)
        return;
    switch (Choose({Row("Rename Material", 0), Row("Delete Material", 1), Separator(), Row("Properties", 2)}, position)) {
    case 0:
        Rename(material->GetName(), [material](const QString &name) { material->SetNodeName(name); });
        break;
    case 1: {
        Surface::Material *fallback = materials.First();
        // The default material stays.
        if (material == fallback)
            break;
        for (Object *object = scene->m_pObjects; object; object = object->m_pNextObject)
            if (object->GetMaterial() == material)
                object->m_aMaterial.SetValue(fallback, true);
        materials.Remove(material);
        RedrawScene();
        InteractionHost().RefreshObjectList();
        break;
    }
    case 2:
        FileHost().ShowProperties(QStringLiteral("Material"), material, false);
        break;
    default:
        break;
    }
}

void Interface::StencilContextMenu(General::Node *node, const QPoint &position)
{
    if (Choose({Row("Properties", 2)}, position) == 2)
        FileHost().ShowProperties(QStringLiteral("Stencil"), node, false);
}

void Interface::ImagePlaneContextMenu(General::Node *node, const QPoint &position)
{
    if (Choose({Row("Properties", 2)}, position) == 2)
        FileHost().ShowProperties(QStringLiteral("ImagePlane"), node, false);
}

void Interface::LayerContextMenu(General::Node *node, const QPoint &position)
{
    if (Choose({Row("Properties", 2)}, position) == 2)
        FileHost().ShowProperties(QStringLiteral("Layer"), node, false);
}

void Interface::SelectionSetContextMenu(SelectionSet *set, const QPoint &position)
{
    Scene *scene = Scene::GetCurrent();
    if (!set || !scene)
        return;
    switch (Choose({Row("Activate", 0), Row("Rename", 1), Row("Delete", 2)}, position)) {
    case 0:
        scene->SelectSetFaces(set);
        Redraw();
        break;
    case 1:
        Rename(set->m_sSetName, [set](const QString &name) { set->m_sSetName = name; });
        break;
    case 2:
        scene->RemoveSelectionSet(set);
        InteractionHost().RefreshObjectList();
        break;
    default:
        break;
    }
}

void Interface::CurveContextMenu(General::NURBSCurve *curve, const QPoint &position)
{
    if (!curve)
        return;
    switch (Choose({Row("Duplicate", 0), Row("Rename", 1), Row("Delete", 2)}, position)) {
    case 0:
        if (Interface *controller = Get())
            controller->RunCommand("Duplicate curve");
        break;
    case 1:
        Rename(curve->GetName(), [curve](const QString &name) { curve->SetNodeName(name); });
        break;
    case 2: {
        Operations::CurveOperation operation(curve, Operations::CurveOperation::kRemoveCurve);
        RecordAction(operation);
        break;
    }
    default:
        break;
    }
}

void Interface::RenameGeometry(Object *object)
{
    if (!object)
        return;
    QString name;
    if (AskName(object->General::Node::GetName(), name))
        object->SetObjectName(name);
    InteractionHost().RefreshLayers();
    InteractionHost().ShowInProperties(QStringLiteral("Geometry"), nullptr);
    InteractionHost().RefreshObjectList();
}

void Interface::ObjectContextMenu(Mesh *level, const QPoint &position)
{
    Object *object = level ? level->GetObject() : nullptr;
    Scene *scene = Scene::GetCurrent();
    if (!object || !scene)
        return;
    Surface::MaterialList &materials = Surface::Materials();
    MenuRow assign{Tr("Assign Material"), -1, true, {}};
    for (int i = 0; i < materials.Count(); ++i)
        assign.rows.append(MenuRow{materials.At(i)->GetName(), kMaterialBase + materials.At(i)->GetIndex(), true, {}});
    const int chosen = Choose({Row("Assign New Material", 0), assign, Row("Edit Material", 1), Row("Remove Material", 2),
                               Separator(), Row("Rename Object", 4), Row("Delete Object", 5), Separator(),
                               Row("Properties", 6)},
                              position);
    if (chosen >= kMaterialBase) {
        for (int i = 0; i < materials.Count(); ++i)
            if (materials.At(i)->GetIndex() == chosen - kMaterialBase)
                object->m_aMaterial.SetValue(materials.At(i));
        RedrawScene();
        return;
    }
    switch (chosen) {
    case 0: {
        const int count = materials.Count();
        auto *material = new Surface::Material(NextMaterialNumber());
        material->SetNodeName(count > 0 ? Tr("material %1").arg(count) : Tr("material"));
        if (!materials.Append(material))
            break;
        object->m_aMaterial.SetValue(material);
        Redraw();
        InteractionHost().RefreshObjectList();
        FileHost().EditMaterial(material);
        break;
    }
    case 1:
        if (Surface::Material *material = object->GetMaterial())
            FileHost().EditMaterial(material);
        break;
    case 2:
        object->m_aMaterial.SetValue(materials.First());
        Redraw();
        break;
    case 4:
        RenameGeometry(object);
        break;
    case 5: {
        Operations::DeleteObjectOperation operation({object});
        RecordAction(operation);
        if (Interface *controller = Get())
            controller->m_cHit = PickHit();
        break;
    }
    case 6:
        FileHost().ShowProperties(QStringLiteral("Geometry"), object, true);
        break;
    default:
        break;
    }
}
