#include "interaction/commands/TopologicalSymmetry.h"

#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"

namespace {

bool Continues(const SubdivLevel &level, unsigned face)
{
    return (level.m_pTriangles[face].m_iIndices[2] & MeshFlags::kBit31) != 0;
}

// The first triangle of the face's polygon.
unsigned PolygonStart(const SubdivLevel &level, unsigned face)
{
    while (face > 0 && Continues(level, face))
        --face;
    return face;
}

unsigned SelectedCount(const SubdivLevel &level)
{
    if (level.m_eType != Mesh::typeTriangular || level.m_iPolygonCount == level.m_iFaceCount)
        return level.m_iSelectedFaces;
    unsigned polygons = 0;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f)
        if (level.IsFaceSelected(f) && !Continues(level, f))
            ++polygons;
    return polygons;
}

// Two selected triangles of different polygons that share an edge.
bool InitFromTriangles(SubdivLevel &level)
{
    for (unsigned i = 0; i < level.m_iFaceCount; ++i) {
        if (!level.IsFaceSelected(i))
            continue;
        const unsigned a = PolygonStart(level, i);
        for (unsigned edge = 0; edge < 3; ++edge) {
            const int32_t word = level.m_pTriangles[i].m_iAdjacent[edge];
            if (word < 0)
                continue;
            const unsigned j = unsigned(word) / 3;
            if (j >= level.m_iFaceCount || !level.IsFaceSelected(j) || PolygonStart(level, j) == a)
                continue;
            if (level.InitSymmetry(i, j))
                return true;
        }
    }
    return false;
}

// Tries the first selected face with each later one; the number of symmetry maps made,
// stopping at the first with `firstOnly`.
int PairWithFirstSelected(SubdivLevel &level, bool firstOnly)
{
    int made = 0;
    unsigned first = level.m_iFaceCount;
    for (unsigned f = 0; f < level.m_iFaceCount; ++f) {
        if (!level.IsFaceSelected(f))
            continue;
        if (first == level.m_iFaceCount) {
            first = f;
        } else if (level.InitSymmetry(first, f)) {
            ++made;
            if (firstOnly)
                break;
        }
    }
    return made;
}

bool InitFromQuads(SubdivLevel &level) { return PairWithFirstSelected(level, true) > 0; }

}  // namespace

bool SetTopologicalSymmetry(Scene &scene)
{
    for (int i = 0; i < scene.GetObjectCount(); ++i) {
        Object *object = scene.GetObject(i);
        SubdivLevel *level = object->m_pActiveLevel ? object->m_pActiveLevel : object;
        if (SelectedCount(*level) != 2)
            continue;
        if (level != object && level != object->GetNextLevel(false)) {
            Commands::Status("This tool can be used only on full level 0 or 1 objects.", 2);
            return false;
        }
        if (level->m_eType == Mesh::typeTriangular) {
            if (InitFromTriangles(*level)) {
                Commands::Status("Symmetry initialized. Since this is not a full quad mesh you have to repeat this on the "
                       "second subdivision level.",
                       0);
                return true;
            }
        } else if (InitFromQuads(*level)) {
            Commands::Status("Symmetry initialized.", 0);
            return true;
        }
    }
    Commands::Status("Symmetry not found. Select two adjacent faces which are on opposite sides of the topological axis and "
           "try again.",
           2);
    Interface::Redraw();
    return false;
}

int CountTopologicalAxes(Scene &scene)
{
    int count = 0;
    for (int i = 0; i < scene.GetObjectCount(); ++i) {
        Object *object = scene.GetObject(i);
        if (object->m_iSelectedFaces == 2)
            count += PairWithFirstSelected(*object, false);
    }
    return count;
}
