#include "foundation/math/Matrix.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/core/Placement.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "mesh/subdivision/ChildNumbers.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"

#include <algorithm>
#include <new>

namespace {

constexpr unsigned kNoFace = 0xFFFFFFFFu;

// Adds the faces whose numbers are listed to the target, selected, where they exist and show.
void AddVisible(SubdivLevel &level, General::Store<unsigned int> &numbers, FaceEdit::Target &target)
{
    level.MapFaceListToLocal(numbers);  // global numbers of a partial level to indices
    for (unsigned index : numbers)
        if (index != kNoFace && index < level.m_iFaceCount && level.IsFaceVisible(index))
            target.faces.emplace_back(index, true);
}

// The view position (0 to 1 from the top left) and depth of a world point, in the picture
// the view shows: with an off-screen buffer larger than the view the frame's projection
// places the picture in the buffer's lower-left part, and the ratios take it back out.
General::Vector ToView(const Camera &camera, const General::Vector &world)
{
    const General::Vector screen = camera.WorldToScreen(world, false);
    return General::Vector(screen.x * 0.5f + 0.5f, 0.5f - screen.y * 0.5f, screen.z * 0.5f + 0.5f);
}

General::Vector FaceCenter(const Mesh &mesh, unsigned face)
{
    General::Vector sum = mesh.CornerPosition(face, 0);
    for (unsigned c = 1; c < mesh.Corners(); ++c)
        sum = sum + mesh.CornerPosition(face, c);
    return mesh.Corners() == 4 ? sum * 0.25f : sum * 0.3333333432674408f;
}

// Both marker bits of a face that hiding everything set aside to be shown again.
bool HasShowMarks(const SubdivLevel &level, unsigned face)
{
    if (level.m_eType == Mesh::typeTriangular) {
        const Triangle &t = level.m_pTriangles[face];
        return (t.m_iIndices[0] & MeshFlags::kBit30) && (t.m_iIndices[1] & MeshFlags::kBit30);
    }
    const Quad &q = level.m_pQuads[face];
    return (q.m_iIndices[2] & MeshFlags::kBit31) && (q.m_iIndices[3] & MeshFlags::kBit31);
}

}  // namespace

SelectionSet *Scene::CreateSelectionSet(const QString &name, bool fill)
{
    for (SelectionSet *set = m_pSelectionSets; set; set = set->m_pNext)
        if (set->m_sSetName == name)
            return set;
    auto *set = new SelectionSet(name);
    for (Object *object = fill ? m_pObjects : nullptr; object; object = object->m_pNextObject) {
        for (SubdivLevel *level = object; level; level = level->m_pNext) {
            if (!level->m_iSelectedFaces)
                continue;
            SelectionSet::Entry *entry = set->AddLevel(level);
            for (unsigned face = 0; face < level->m_iFaceCount; ++face)
                if (level->IsFaceSelected(face))
                    entry->faces.Add(face);
            level->MapFaceListToGlobal(entry->faces);
        }
    }
    set->m_pNext = m_pSelectionSets;
    m_pSelectionSets = set;
    return set;
}

void Scene::RemoveSelectionSet(SelectionSet *set)
{
    for (SelectionSet **link = &m_pSelectionSets; *link; link = &(*link)->m_pNext) {
        if (*link == set) {
            *link = set->m_pNext;
            break;
        }
    }
    set->m_pNext = nullptr;
    delete set;
}

namespace {

// The set's faces on their levels and on every coarser and finer level, selected.
void AddSetFaces(const SelectionSet &set, FaceEdit &edit)
{
    const auto addVisible = [&](SubdivLevel &level, const std::vector<unsigned> &faces) {
        General::Store<unsigned int> numbers("selection set faces");
        if (!numbers.Reserve(unsigned(faces.size()), false))
            return;
        for (unsigned f : faces)
            numbers.Add(f);
        AddVisible(level, numbers, edit.AddTarget(&level));
    };
    for (const auto &entry : set.m_aEntries) {
        SubdivLevel *start = entry->level;
        if (!start)
            continue;
        // Numbers go a level at a time through the children each level's faces have.
        const std::vector<unsigned> recorded(entry->faces.begin(), entry->faces.end());
        std::vector<unsigned> faces = recorded;
        for (SubdivLevel *level = start;;) {
            addVisible(*level, faces);
            if (!level->m_pPrev || faces.empty())
                break;
            level = level->m_pPrev;
            faces = ChildNumbers(*level).Parents(faces);
        }
        faces = recorded;
        for (SubdivLevel *level = start; level->m_pNext && !faces.empty(); level = level->m_pNext) {
            faces = ChildNumbers(*level).Children(faces);
            addVisible(*level->m_pNext, faces);
        }
    }
}

}  // namespace

void Scene::SelectSetFaces(SelectionSet *set)
{
    FaceEdit edit;
    AddSetFaces(*set, edit);
    SceneHost().ExecuteSelection(edit);
    for (SelectionSet *s = m_pSelectionSets; s; s = s->m_pNext)
        s->m_bActive = false;
    set->m_bActive = true;
}

void Scene::SelectOnly(const std::vector<SubdivLevel *> &levels, const std::vector<SelectionSet *> &sets)
{
    FaceEdit edit;
    try {
        // Everything off first; the later targets win for the faces they name.
        for (Object *object = m_pObjects; object; object = object->m_pNextObject)
            for (SubdivLevel *level = object; level; level = level->m_pNext) {
                if (!level->m_iSelectedFaces)
                    continue;
                FaceEdit::Target &target = edit.AddTarget(level);
                target.faces.reserve(level->m_iFaceCount);
                for (unsigned face = 0; face < level->m_iFaceCount; ++face)
                    target.faces.emplace_back(face, false);
            }
        for (SubdivLevel *level : levels) {
            FaceEdit::Target &target = edit.AddTarget(level);
            for (unsigned face = 0; face < level->m_iFaceCount; ++face)
                if (level->IsFaceVisible(face))
                    target.faces.emplace_back(face, true);
        }
        for (const SelectionSet *set : sets)
            AddSetFaces(*set, edit);
    } catch (const std::bad_alloc &) {
        return;  // nothing was changed yet
    }
    SceneHost().ExecuteSelection(edit);
    for (SelectionSet *s = m_pSelectionSets; s; s = s->m_pNext)
        s->m_bActive = std::find(sets.begin(), sets.end(), s) != sets.end();
}

void Scene::ClearSelection()
{
    for (Object *object = m_pObjects; object; object = object->m_pNextObject)
        MeshHost::Get().SelectObject(object, false);
    SelectOnly({}, {});
}

void Scene::RemoveMeshFromSelectionSets(Mesh *mesh)
{
    SelectionSet *set = m_pSelectionSets;
    while (set) {
        SelectionSet *next = set->m_pNext;
        if (!set->RemoveLevel(mesh))
            RemoveSelectionSet(set);
        set = next;
    }
}

void Scene::SelectFacesInRectangle(bool wholeLevel, int mode, float x1, float y1, float x2, float y2)
{
    if (!m_pActiveCamera)
        return;
    const Camera &camera = *m_pActiveCamera;
    const auto inside = [&](const General::Vector &p) {
        return p.x >= x1 && p.x <= x2 && p.y >= y1 && p.y <= y2 && p.z >= 0.0f && p.z <= 1.0f;
    };
    FaceEdit edit;
    for (Object *object = m_pObjects; object; object = object->m_pNextObject) {
        const AABB box = object->GetWorldAABB(false);
        if (box.IsEmpty())
            continue;
        General::Vector low = ToView(camera, box.GetCorner(0));
        General::Vector high = low;
        for (int corner = 1; corner < 8; ++corner) {
            const General::Vector p = ToView(camera, box.GetCorner(corner));
            low = General::Vector(std::min(low.x, p.x), std::min(low.y, p.y), 0);
            high = General::Vector(std::max(high.x, p.x), std::max(high.y, p.y), 0);
        }
        if (high.x < x1 || low.x > x2 || high.y < y1 || low.y > y2)
            continue;
        Placement *placement = object->GetPlacement();
        for (SubdivLevel *level = object; level; level = level->m_pNext) {
            FaceEdit::Target &target = edit.AddTarget(level);
            for (unsigned face = 0; face < level->m_iFaceCount; ++face) {
                if (!level->IsFaceVisible(face))
                    continue;
                General::Vector center = FaceCenter(*level, face);
                if (placement)
                    center = placement->GetFullMatrix().Transform(center, 1.0f);
                if (!inside(ToView(camera, center)))
                    continue;
                const bool value = mode == 0 ? true : mode == 1 ? !level->IsFaceSelected(face) : false;
                if (!wholeLevel) {
                    target.faces.emplace_back(face, value);
                    continue;
                }
                target.faces.clear();
                for (unsigned f = 0; f < level->m_iFaceCount; ++f)
                    if (level->IsFaceVisible(f))
                        target.faces.emplace_back(f, value);
                break;
            }
        }
    }
    SceneHost().ExecuteSelection(edit);
}

void Scene::HideFaces(bool hideAll, Object *only)
{
    FaceEdit edit;
    for (Object *object = only ? only : m_pObjects; object; object = only ? nullptr : object->m_pNextObject) {
        if (hideAll) {
            for (SubdivLevel *level = object; level; level = level->m_pNext) {
                FaceEdit::Target &target = edit.AddTarget(level);
                for (unsigned face = 0; face < level->m_iFaceCount; ++face)
                    if (level->IsFaceVisible(face))
                        target.faces.emplace_back(face, false);
            }
            continue;
        }
        for (int index = object->LevelCount() - 1; index >= 0; --index) {
            SubdivLevel *level = object->GetLevel(index);
            if (!level || !level->m_iHiddenFaces)
                continue;
            FaceEdit::Target &target = edit.AddTarget(level);
            for (unsigned face = 0; face < level->m_iFaceCount; ++face)
                if (!level->IsFaceVisible(face) && HasShowMarks(*level, face))
                    target.faces.emplace_back(face, true);
        }
    }
    SceneHost().ExecuteVisibility(edit);
    for (Object *object = m_pObjects; object; object = object->m_pNextObject)
        for (SubdivLevel *level = object; level; level = level->m_pNext)
            if (!level->m_bFull)
                level->FreezeLocalBorder();  // the border of a partial level's worked region
    MeshHost::Get().Redraw();
}
