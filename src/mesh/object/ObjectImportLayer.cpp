// A mesh sculpted elsewhere brought in as a new layer of an object: the differences
// between its positions and the object's become the layer's offsets.
#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/MeshEdits.h"
#include "mesh/object/Object.h"
#include "mesh/core/Placement.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Object", text); }

bool Refuse(const char *text)
{
    General::Shell().SetStatusMessage(Tr(text), 2);
    return false;
}

// A level's (local vertex, global id) pairs in ascending global id; the identity for a
// level without a vertex map.
class GlobalOrder {
public:
    explicit GlobalOrder(SubdivLevel &level) : m_rLevel(level)
    {
        if (level.m_aVertexMap.HasItems())
            level.m_aVertexMap.Sort(General::Map::kBySecond);
    }
    unsigned Count() const
    {
        return m_rLevel.m_aVertexMap.HasItems() ? m_rLevel.m_aVertexMap.GetItemCount() : m_rLevel.m_iVertexCount;
    }
    General::IntPair At(unsigned i) const
    {
        return m_rLevel.m_aVertexMap.HasItems() ? m_rLevel.m_aVertexMap[i] : General::IntPair{int(i), int(i)};
    }
    // The local vertex of a global id; -1 when the level does not hold it.
    int Find(int global, unsigned hint) const
    {
        if (hint < Count() && At(hint).second == global)
            return At(hint).first;
        unsigned lo = 0, hi = Count();
        while (lo < hi) {
            const unsigned mid = lo + (hi - lo) / 2;
            const int id = At(mid).second;
            if (id == global)
                return At(mid).first;
            if (id < global)
                lo = mid + 1;
            else
                hi = mid;
        }
        return -1;
    }

private:
    SubdivLevel &m_rLevel;
};

// The other visible layers locked to the level, their offsets off the mesh while they are isolated.
class IsolatedLayers {
public:
    explicit IsolatedLayers(SubdivLevel &level) : m_rLevel(level) {}
    ~IsolatedLayers() { PutBack(); }
    IsolatedLayers(const IsolatedLayers &) = delete;
    IsolatedLayers &operator=(const IsolatedLayers &) = delete;

    // False when a layer cannot be noted for putting back (no memory): the offsets would
    // then be measured with it on.
    bool TakeOff(Object &object, const Layer3D *except)
    {
        for (Layer3D *layer = object.GetFirstLayer(); layer; layer = layer->m_pNext) {
            if (layer == except || !layer->IsVisible() || layer->m_pLockedMesh != &m_rLevel)
                continue;
            if (m_aHidden.Add(layer) < 0)
                return false;
            if (LayerLevel *data = layer->GetLevel(&m_rLevel))
                data->ApplyToMesh(-layer->GetStrength());
        }
        return true;
    }
    void PutBack()
    {
        for (Layer3D *layer : m_aHidden)
            if (LayerLevel *data = layer->GetLevel(&m_rLevel))
                data->ApplyToMesh(layer->GetStrength());
        m_aHidden.Clear();
    }

private:
    SubdivLevel &m_rLevel;
    General::Store<Layer3D *> m_aHidden{"object tolayer hidden"};
};

General::Matrix SourceToTarget(Object &source, Object &target)
{
    General::Matrix full;
    if (Placement *placement = source.GetPlacement())
        full = placement->GetFullMatrix();
    General::Matrix inverse;
    if (Placement *placement = target.GetPlacement()) {
        inverse = placement->GetFullMatrix();
        if (!inverse.Invert())
            inverse.SetIdentity();
    }
    // Row vectors: the source's placement applies first, then the inverse of the target's.
    return full.Multiply(inverse);
}

// The grid cell of a texture coordinate; -1 for one that is not a number.
class TCGrid {
public:
    TCGrid(unsigned side, const AABB &bounds) : m_iSide(side), m_cBounds(bounds)
    {
        m_fCellU = (bounds.m_vMax.x - bounds.m_vMin.x) / float(side);
        m_fCellV = (bounds.m_vMax.y - bounds.m_vMin.y) / float(side);
    }
    int Cell(const TC &tc) const
    {
        const float u = (tc.u - m_cBounds.m_vMin.x) / m_fCellU, v = (tc.v - m_cBounds.m_vMin.y) / m_fCellV;
        if (!std::isfinite(u) || !std::isfinite(v))
            return -1;
        // The upper bound itself belongs to the last cell.
        const unsigned i = unsigned(std::clamp(u, 0.0f, float(m_iSide - 1)));
        const unsigned j = unsigned(std::clamp(v, 0.0f, float(m_iSide - 1)));
        return int(i * m_iSide + j);
    }

private:
    unsigned m_iSide;
    AABB m_cBounds;
    float m_fCellU, m_fCellV;
};

}  // namespace

bool Object::ImportLayer(Object &imported, int mode, bool isolate, float tolerance)
{
    SubdivLevel *target = m_pActiveLevel ? m_pActiveLevel : this;
    SubdivLevel *source = imported.m_pActiveLevel ? imported.m_pActiveLevel : &imported;
    const General::Matrix matrix = SourceToTarget(imported, *this);
    auto sourcePosition = [&](unsigned vertex) { return matrix.Transform(source->m_pVertices[vertex].m_vPosition); };

    // Every refusal comes before anything is made or moved.
    GlobalOrder targetOrder(*target), sourceOrder(*source);
    if (mode == 0) {
        if (target->m_iVertexCount != source->m_iVertexCount)
            return Refuse("ERROR: Vertex counts on the active object and the imported mesh should be identical!");
        for (unsigned i = 0; i < targetOrder.Count(); ++i) {
            const int vertex = sourceOrder.Find(targetOrder.At(i).second, i);
            if (vertex < 0 || unsigned(vertex) >= source->m_iVertexCount)
                return Refuse("ERROR: The vertex IDs cannot be matched!");
        }
    } else {
        if (target->m_eType != typeQuadric || source->m_eType != typeQuadric)
            return Refuse("ERROR: This operation works yet on quadric meshes only!");
        if (!source->m_iTCCount)
            return Refuse("ERROR: UV coordinates must exist on the source!");
        // Fewer than four would make a grid without a cell.
        if (source->m_iTCCount < 4)
            return Refuse("ERROR: At least 4 UV coordinates must exist on the source!");
        if (!target->m_iTCCount)
            target->RecreateUVs(false);
        if (!target->m_iTCCount)
            return Refuse("ERROR: UV coordinates cannot be automatically created on the target!");
    }

    // The layer's records are made before the layer: the layer's creation goes into the undo
    // history, so once it exists nothing may fail for memory and take it away again.
    General::Store<LayerLevel::VertexData> records("object tolayer records");
    IsolatedLayers hidden(*target);
    if (isolate && !hidden.TakeOff(*this, nullptr))
        return Refuse("Not enough memory to complete this operation.");
    if (mode == 0) {
        if (!records.SetItemCount(targetOrder.Count(), false))
            return Refuse("Not enough memory to complete this operation.");
        for (unsigned i = 0; i < targetOrder.Count(); ++i) {
            const General::IntPair pair = targetOrder.At(i);
            const unsigned vertex = unsigned(pair.first);
            const unsigned from = unsigned(sourceOrder.Find(pair.second, i));
            records[i] = {sourcePosition(from) - target->m_pVertices[vertex].m_vPosition, 1.0f, pair.second};
        }
    } else {
        // Per texture coordinate of the source, the vertex that uses it.
        General::Store<int> vertexOfTC("object tolayer tc");
        const unsigned side = std::max(1u, unsigned(std::sqrt(double(source->m_iTCCount / 4))));
        General::Store<unsigned int> start("object tolayer squares");
        General::Store<unsigned int> entries("object tolayer squares");
        General::Store<unsigned int> fill("object tolayer squares");
        General::Store<uint8_t> done("object tolayer vertices");
        // The global id of each target vertex.
        General::Store<int> globalOf("unknown");
        if (!vertexOfTC.SetItemCount(source->m_iTCCount, false) || !start.SetItemCount(side * side + 1, false) ||
            !entries.SetItemCount(source->m_iTCCount, false) || !fill.SetItemCount(side * side, false) ||
            !done.SetItemCount(target->m_iVertexCount, false) || !records.Reserve(target->m_iVertexCount, false) ||
            (target->m_aVertexMap.HasItems() && !globalOf.SetItemCount(target->m_iVertexCount, false)))
            return Refuse("Not enough memory to complete this operation.");
        vertexOfTC.Fill(-1);
        for (unsigned f = 0; f < source->m_iFaceCount; ++f)
            for (unsigned k = 0; k < 4; ++k) {
                const Quad &quad = source->m_pQuads[f];
                if (uint32_t(quad.m_iTCI[k]) < source->m_iTCCount)
                    vertexOfTC[unsigned(quad.m_iTCI[k])] = int(quad.m_iIndices[k] & MeshFlags::kIndexMask);
            }

        AABB bounds(General::Vector(0, 0, 0), General::Vector(1, 1, 0));
        auto extend = [&](const SubdivLevel &level) {
            for (unsigned t = 0; t < level.m_iTCCount; ++t)
                if (std::isfinite(level.m_pTCs[t].u) && std::isfinite(level.m_pTCs[t].v))
                    bounds.Extend(General::Vector(level.m_pTCs[t].u, level.m_pTCs[t].v, 0));
        };
        extend(*source);
        extend(*target);
        bounds.m_vMin -= General::Vector(tolerance, tolerance, 0);
        bounds.m_vMax += General::Vector(tolerance, tolerance, 0);
        const TCGrid grid(side, bounds);

        // The cells as one list of source texture coordinates, cell by cell in index order.
        start.Fill(0);
        done.Fill(0);
        if (globalOf.HasItems()) {
            globalOf.Fill(-1);
            for (const General::IntPair &pair : target->m_aVertexMap)
                if (unsigned(pair.first) < target->m_iVertexCount)
                    globalOf[unsigned(pair.first)] = pair.second;
        }
        for (unsigned t = 0; t < source->m_iTCCount; ++t)
            if (const int cell = grid.Cell(source->m_pTCs[t]); cell >= 0)
                ++start[unsigned(cell) + 1];
        for (unsigned c = 0; c < side * side; ++c)
            start[c + 1] += start[c];
        for (unsigned c = 0; c < side * side; ++c)
            fill[c] = start[c];
        for (unsigned t = 0; t < source->m_iTCCount; ++t)
            if (const int cell = grid.Cell(source->m_pTCs[t]); cell >= 0)
                entries[fill[unsigned(cell)]++] = t;

        for (unsigned f = 0; f < target->m_iFaceCount; ++f)
            for (unsigned k = 0; k < 4; ++k) {
                const Quad &quad = target->m_pQuads[f];
                const unsigned vertex = quad.m_iIndices[k] & MeshFlags::kIndexMask;
                if (vertex >= target->m_iVertexCount || done[vertex] || uint32_t(quad.m_iTCI[k]) >= target->m_iTCCount)
                    continue;
                done[vertex] = 1;
                const TC &tc = target->m_pTCs[unsigned(quad.m_iTCI[k])];
                const int cell = grid.Cell(tc);
                if (cell < 0)
                    continue;
                int from = -1;
                for (unsigned e = start[unsigned(cell)]; e < start[unsigned(cell) + 1]; ++e) {
                    const TC &candidate = source->m_pTCs[entries[e]];
                    if (std::fabs(candidate.u - tc.u) < tolerance && std::fabs(candidate.v - tc.v) < tolerance &&
                        vertexOfTC[entries[e]] >= 0)
                        from = vertexOfTC[entries[e]];
                }
                if (from < 0 || unsigned(from) >= source->m_iVertexCount)
                    continue;
                const int global = globalOf.HasItems() ? globalOf[vertex] : int(vertex);
                // One record per target vertex, within the room reserved above.
                if (global >= 0)
                    records.Add({sourcePosition(unsigned(from)) - target->m_pVertices[vertex].m_vPosition, 1.0f, global});
            }
        std::sort(records.begin(), records.end(),
                  [](const LayerLevel::VertexData &a, const LayerLevel::VertexData &b) {
                      return a.m_iGlobalVertexIndex < b.m_iGlobalVertexIndex;
                  });
    }

    Layer3D *layer = MeshEdits::Get().AddLayer(*this, m_pActiveLayer);
    if (!layer)
        return false;
    layer->SetName(imported.GetObjectName());
    // A refused lock leaves the new, empty layer in place, as the history has it.
    if (!layer->LockToLevel(target))
        return false;
    LayerLevel *data = layer->GetLevel(target);
    if (!data)
        return false;
    SetActiveLayer(layer);
    // The level takes the imported shape only once the records are the layer's.
    const unsigned count = records.GetItemCount();
    data->m_aData.Take(records);
    data->m_iVertexCount = count;
    data->ApplyToMesh(1.0f);

    if (target->m_iPropagationStamp == target->m_iStamp)
        ++target->m_iStamp;
    hidden.PutBack();
    target->CalculateNormals(false);
    target->BuildOctree();
    return true;
}
