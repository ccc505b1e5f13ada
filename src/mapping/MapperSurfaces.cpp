// The surfaces of a run: the subdivided working copy of the low mesh and the high
// surface given by a selection set.
#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "mapping/Mapper.h"
#include "mesh/core/MeshSwitches.h"
#include "scene/SelectionSet.h"

#include <algorithm>

namespace MapExtraction {

namespace {

// Gives the vertices a subdivision added their places: the level's positions are made
// relative, the smooth positions computed from the level below, and absolute again.
bool SubdivideListed(SubdivLevel &lower, General::Store<unsigned int> &faces)
{
    SubdivLevel *next = lower.GetNextLevel(true);
    if (!next)
        return false;
    next->m_iNewVertexCount = next->m_iVertexCount;
    if (!next->Subdivide(faces))
        return false;
    next->MakeRelative();
    const bool smoothed = next->UpdateCC(false);
    const unsigned held = next->m_pVertices.GetItemCount();
    if (next->m_iNewVertexCount > held) {
        if (!next->m_pVertices.SetItemCount(next->m_iNewVertexCount, true)) {
            next->MakeAbsolute();
            return false;
        }
        for (unsigned v = held; v < next->m_iNewVertexCount; ++v)
            next->m_pVertices[v] = Vertex{};
    }
    next->m_iVertexCount = next->m_iNewVertexCount;
    next->MakeAbsolute();
    return smoothed;
}

}  // namespace

bool Mapper::GrowSupport(Mesh &mesh, General::Store<unsigned int> &faces)
{
    // A smoothed corner depends on every face around it: two rings of edge neighbours
    // reach the faces across the region's corners too, so the region's faces come out as
    // in a subdivision of the whole mesh.
    for (int ring = 0; ring < 2; ++ring) {
        if (!mesh.GrowFaceList(faces))
            return false;
        // A partial level links to faces it does not hold; the list is sorted.
        unsigned kept = faces.GetItemCount();
        while (kept && faces[kept - 1] >= mesh.m_iFaceCount)
            --kept;
        faces.SetItemCount(kept, true);
    }
    return true;
}

bool Mapper::BuildWorkingMesh(General::Store<unsigned int> &faces, float uMin, float vMin, float uMax, float vMax)
{
    ReleaseWorkingMesh();
    Mesh &low = *m_pLowMesh;
    try {
        m_pWorkingCopy = std::make_unique<Object>(low);
    } catch (const std::bad_alloc &) {
        return false;
    }
    SubdivLevel *level = m_pWorkingCopy.get();
    level->CalculateAdjacency();
    // The texels are placed by the texture coordinates of the finer levels: they are made
    // whatever the modelling setting says.
    struct CreateTCs {
        bool m_bBefore = MeshSwitches::s_bCreateTCs;
        CreateTCs() { MeshSwitches::s_bCreateTCs = true; }
        ~CreateTCs() { MeshSwitches::s_bCreateTCs = m_bBefore; }
    } createTCs;
    for (int step = 0; step < m_iSubdivisionSteps; ++step) {
        Log("\tlevel %d:%d", step, int(level->m_iFaceCount));
        if (!SubdivideListed(*level, faces)) {
            Log("\n");
            ReleaseWorkingMesh();
            return false;
        }
        level = level->GetNextLevel(false);
        Log("=>%d", int(level->m_iFaceCount));
        if (step + 1 < m_iSubdivisionSteps) {
            // The next step needs the faces of the region and their neighbours only.
            if (!CollectRegionFaces(*level, faces, uMin, vMin, uMax, vMax, false) || !GrowSupport(*level, faces)) {
                Log("\n");
                ReleaseWorkingMesh();
                return false;
            }
            Log(" - ");
        }
        Log("OK\n");
    }
    level->CalculateNormals(false);

    // Subdivision does not carry the selection: the faces taken are the descendants of
    // the selected low faces, found through their global numbers.
    m_aWantedFaces.assign(level->m_iFaceCount, 1);
    if (m_aSelectedOnly.GetValue()) {
        General::Store<unsigned int> globals("mapper wanted faces");
        if (!globals.SetItemCount(level->m_iFaceCount, false)) {
            ReleaseWorkingMesh();
            return false;
        }
        for (unsigned f = 0; f < level->m_iFaceCount; ++f)
            globals[f] = f;
        if (!level->m_bFull)
            level->MapFaceListToGlobal(globals);
        const unsigned baseSides = low.m_eType == Mesh::typeQuadric ? 4u : 3u;
        for (unsigned f = 0; f < level->m_iFaceCount; ++f) {
            // Every step above the base splits a quad into four; the first splits a base face
            // into one quad per side.
            const unsigned ancestor = (globals[f] >> (2 * unsigned(m_iSubdivisionSteps - 1))) / baseSides;
            m_aWantedFaces[f] = ancestor < low.m_iFaceCount && low.IsFaceSelected(ancestor);
        }
    }
    m_pWorkingMesh = level;
    uint64_t bytes = 0;
    for (SubdivLevel *l = m_pWorkingCopy.get(); l; l = l->GetNextLevel(false))
        bytes += l->GetMemorySize();
    m_iLowMeshMemory = bytes;
    return true;
}

void Mapper::ReleaseWorkingMesh()
{
    m_pWorkingMesh = m_pLowMesh;
    m_pWorkingCopy.reset();
    m_aWantedFaces.clear();
}

bool Mapper::FaceWanted(unsigned f) const
{
    if (!m_aWantedFaces.empty())
        return f < m_aWantedFaces.size() && m_aWantedFaces[f];
    return !m_aSelectedOnly.GetValue() || m_pWorkingMesh->IsFaceSelected(f);
}

bool Mapper::HasHighSource() const
{
    if (m_aHighMesh.GetValue() || !m_aLoadMeshFromFile.GetValue().isEmpty())
        return true;
    const auto *set = dynamic_cast<const SelectionSet *>(m_aSelectionSet.GetValue());
    if (!set)
        return false;
    return std::any_of(set->m_aEntries.begin(), set->m_aEntries.end(), [](const auto &entry) {
        return entry->level && entry->level->m_iFaceCount && entry->faces.HasItems();
    });
}

bool Mapper::CollectSelectionSet()
{
    const auto *set = dynamic_cast<const SelectionSet *>(m_aSelectionSet.GetValue());
    if (!set)
        return true;
    for (const auto &entry : set->m_aEntries) {
        SubdivLevel *level = entry->level;
        if (!level || !level->m_iFaceCount || !entry->faces.HasItems())
            continue;
        // The set records global numbers on a partial level; faces the level does not hold
        // now are left out.
        General::Store<unsigned int> faces("mapper selection faces");
        if (!faces.SetItemCount(entry->faces.GetItemCount(), false))
            return false;
        std::copy(entry->faces.begin(), entry->faces.end(), faces.begin());
        if (!level->m_bFull)
            level->MapFaceListToLocal(faces);
        unsigned kept = 0;
        for (unsigned face : faces)
            if (face < level->m_iFaceCount)
                faces[kept++] = face;
        if (!kept)
            continue;
        faces.SetItemCount(kept, true);
        faces.RemoveDuplicates();
        auto tree = std::make_unique<BTree::Tree>();
        if (!tree->Build(*level, faces, 0.0f, 0.0f) || m_aHighMeshes.Add(level) < 0)
            return false;
        m_aOwnedTrees.resize(m_aHighMeshes.GetItemCount());
        m_aOwnedTrees.back() = std::move(tree);
    }
    return true;
}

}  // namespace MapExtraction
