// The face removal and level commands, with "Object To Layer", "Repair TEV" and "Create
// selection set" beside them. Removing, restoring and stepping levels cannot be undone: those
// commands end by emptying the undo and redo histories, which name faces by places that changed.
#include "interaction/commands/Commands.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/TargetRule.h"
#include "mesh/core/MeshSwitches.h"
#include "scene/SelectionSet.h"
#include "mesh/object/ShownSelection.h"

#include <QStringList>

#include <cstring>
#include <functional>

namespace Commands {

namespace {

SubdivLevel *ActiveLevel(Object &object) { return object.m_pActiveLevel ? object.m_pActiveLevel : &object; }

void ShowGeometry() { InteractionHost().ShowInProperties(QStringLiteral("Geometry"), nullptr); }

// After faces were removed or restored: the history goes (it names faces by places that
// changed), the view and the panels follow.
void RemovalEpilogue()
{
    Interface::ClearHistory();
    Interface::Redraw();
    InteractionHost().RefreshObjectList();
    InteractionHost().RefreshLayers();
    ShowGeometry();
}

// After levels changed: as above, and with `repick` the object and brush ring under the
// mouse follow the changed mesh.
void LevelEpilogue(Interface &controller, bool repick)
{
    Interface::ClearHistory();
    Interface::Redraw();
    ShowGeometry();
    InteractionHost().RefreshLayers();
    InteractionHost().RefreshObjectList();
    if (repick) {
        InteractionServices &host = InteractionHost();
        controller.UpdateMousePosition(controller.m_fMouseX * float(host.GetViewWidth()),
                                       controller.m_fMouseY * float(host.GetViewHeight()));
    }
}

void CopySubdivisionOptions()
{
    const SubdivisionOptions options = InteractionHost().GetSubdivisionOptions();
    MeshSwitches::s_bSmoothPositions = options.smoothPositions;
    MeshSwitches::s_bCreateTCs = options.subdivideUVs;
    MeshSwitches::s_bSmoothTCs = options.smoothUVs;
    MeshSwitches::s_bFreezeBorder = options.freezeBorder;
}

void RemoveSelectedFaces(Scene &scene)
{
    Log("Remove faces\n");
    General::Store<unsigned int> list("removefaces list");
    bool shown = false;
    for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject) {
        if (object->m_bLocked)
            continue;
        ForEachLevel(*object, [&](SubdivLevel &level) {
            if (!HasShownSelection(level))
                return;
            if (&level != ActiveLevel(*object)) {
                if (!shown)
                    Status("Only faces on the active level can be removed", 2);
                shown = true;
                return;
            }
            list.Clear();
            list.Reserve(level.m_iSelectedFaces, false);
            for (unsigned f = 0; f < level.m_iFaceCount; ++f)
                if (level.IsFaceSelected(f))
                    list.Add(f);
            // An empty list would stand for every face of the level.
            if (list.HasItems())
                level.RemoveFaces(list, true, 0);
            level.m_iSelectedFaces = 0;
        });
    }
    RemovalEpilogue();
}

void UnremoveNote()
{
    General::Shell().SetStatusMessage(Tr("Only the active level was unremoved. To unremove all faces, go to the "
                                         "level on which they were removed and Unremove All."),
                                      0);
}

void UnremoveAll(Scene &scene)
{
    Log("Unremove all faces\n");
    General::Store<unsigned int> list("unremovefaces list");
    for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject) {
        if (object->m_bLocked)
            continue;
        SubdivLevel *level = ActiveLevel(*object);
        level->RestoreFaces(list, true, true, nullptr, true);
        level->FreezeLocalBorder();
    }
    RemovalEpilogue();
    UnremoveNote();
}

void UnremoveSets(Scene &scene)
{
    Log("Unremove selection\n");
    General::Store<unsigned int> list("unremovefaces list");
    for (SelectionSet *set = scene.m_pSelectionSets; set; set = set->m_pNext) {
        if (!set->m_bActive)
            continue;
        for (const auto &entry : set->m_aEntries) {
            SubdivLevel *level = entry->level;
            Object *object = level ? level->GetObject() : nullptr;
            if (!object || ActiveLevel(*object) != level)
                continue;
            list.Clear();
            General::Map &map = level->m_aFaceMap;
            map.Sort(General::Map::kBySecond);
            for (unsigned global : entry->faces) {
                bool absent = false;
                if (map.HasItems()) {
                    const General::IntPair key{0, int(global)};
                    const General::IntPair *found = map.Find(&key);
                    absent = !found || found->first == -1;
                } else {
                    // Without a map a full level holds every face, and a partial one the
                    // faces up to its count: a level that lost every face holds none.
                    absent = !level->m_bFull && global >= level->m_iFaceCount;
                }
                if (absent)
                    list.Add(global);
            }
            // An empty list would restore every removed face of the level.
            if (list.HasItems())
                level->RestoreFaces(list, true, false, nullptr, true);
            level->FreezeLocalBorder();
        }
    }
    RemovalEpilogue();
    UnremoveNote();
}

void RemoveHiddenFaces(Scene &scene)
{
    Log("Removing hidden faces\n");
    General::Store<unsigned int> list("removehiddenfaces list");
    ForEachSceneLevel(scene, [&](Object &, SubdivLevel &level) {
        if (!level.m_iHiddenFaces)
            return;
        list.Clear();
        list.Reserve(level.m_iHiddenFaces, false);
        for (unsigned f = 0; f < level.m_iFaceCount; ++f)
            if (!level.IsFaceVisible(f))
                list.Add(f);
        if (list.HasItems())
            level.RemoveFaces(list, true, 0);
    });
    Interface::ClearHistory();
    Interface::Redraw();
    InteractionHost().RefreshObjectList();
}

void MoveLevelsData(Object &object)
{
    if (object.m_bLocked) {
        Status("Levels cannot be moved for locked object!", 2);
        return;
    }
    const QString name = object.GetObjectName();
    const QString text =
        object.m_bLevelsOnDisk
            ? Tr("The Level data for %1 is currently stored on the Hard Drive.\nTo move it to RAM to speed up "
                 "Level functions, press OK.")
            : Tr("The Level data for %1 is currently stored in RAM.\nTo move it to the Hard Drive to free up RAM, "
                 "press OK.");
    // Cancel is also the answer of Escape and of the close button: the levels stay where they are.
    enum { kOK, kCancel };
    if (General::Shell().AskQuestion(Tr("Move Levels Data"), text.arg(name), {Tr("OK"), Tr("Cancel")}, kCancel,
                                     kCancel) != kOK)
        return;
    if (object.m_bLevelsOnDisk)
        object.MoveLevelsToRAM();
    else
        object.MoveLevelsToDisk();
}

void RepairStamps(Scene &scene)
{
    ForEachSceneLevel(scene, [](Object &, SubdivLevel &level) {
        for (unsigned v = 0; v < level.m_iVertexCount && v < level.m_pVertices.GetItemCount(); ++v)
            level.VertexStrokeID(v) = int32_t(level.m_iPropagationStamp);
        ++level.m_iStamp;
    });
}

}  // namespace

void InstallLevelCommands(EventHandler &handlers, Interface &controller)
{
    using Body = std::function<void(Scene &)>;
    const auto onPress = [&handlers](const char *name, Body body) {
        handlers.SetBody(name, [body](int event) -> Function * {
            if (Scene *scene = Scene::GetCurrent(); scene && OnPress(event))
                body(*scene);
            return nullptr;
        });
    };
    onPress("Remove faces", RemoveSelectedFaces);
    onPress("Unremove faces", UnremoveAll);
    onPress("Unremove selected", UnremoveSets);
    onPress("Remove hidden faces", RemoveHiddenFaces);
    onPress("Repair TEV", RepairStamps);
    onPress("Delete highest level", [&controller](Scene &scene) {
        Log("Removing highest level\n");
        for (Object *object : FindTargets(controller, scene).objects)
            object->RemoveHighestLevel();
        Interface::ClearHistory();
        Interface::Redraw();
        ShowGeometry();
        InteractionHost().RefreshObjectList();
        InteractionHost().RefreshLayers();
    });
    onPress("Object To Layer", [&controller](Scene &) {
        Object *active = controller.m_pActiveObject;
        Object *source = controller.m_lSelection.isEmpty() ? nullptr : controller.m_lSelection.front();
        if (!active || !source || source == active) {
            Status("ERROR: This operation needs an active and a selected object!", 2);
            return;
        }
        active->ImportLayer(*source, 0, true, 0.001f);
        Interface::Redraw();
    });
    onPress("Create selection set", [](Scene &scene) {
        QString name;
        if (!InteractionHost().AskText(Tr("Enter name:"), QStringLiteral("Set1"), name) || name.isEmpty())
            return;
        scene.CreateSelectionSet(name, true);
        InteractionHost().RefreshObjectList();
    });

    // The level steps act on release, so a held key does not step again and again.
    using Step = std::function<void(Object &)>;
    const auto onRelease = [&handlers, &controller](const char *name, bool subdivisionOptions, Step step) {
        handlers.SetBody(name, [&controller, name, subdivisionOptions, step](int event) -> Function * {
            Scene *scene = Scene::GetCurrent();
            if (event == eventMenuOption && std::strcmp(name, "Subdivide faces") == 0) {
                InteractionHost().ShowSubdivisionOptions();
                return nullptr;
            }
            if (!scene || !OnRelease(event))
                return nullptr;
            if (subdivisionOptions)
                CopySubdivisionOptions();
            for (Object *object : FindTargets(controller, *scene).objects)
                step(*object);
            LevelEpilogue(controller, true);
            return nullptr;
        });
    };
    onRelease("Subdivide faces", true, [&controller](Object &object) {
        if (object.m_bLocked) {
            Status("Cannot subdivide locked object!", 2);
            return;
        }
        MeshSwitches::s_bLevelsOnDisk = object.m_bLevelsOnDisk;
        object.Subdivide();
        controller.SelectObject(nullptr, false);
    });
    for (const bool up : {true, false}) {
        onRelease(up ? "Level up faces" : "Level down faces", true, [&controller, up](Object &object) {
            MeshSwitches::s_bLevelsOnDisk = object.m_bLevelsOnDisk;
            object.ChangeLevel(up ? 1 : -1, true);
            controller.SelectObject(nullptr, false);
        });
    }
    onRelease("Move Levels Data", false, MoveLevelsData);
}

}  // namespace Commands
