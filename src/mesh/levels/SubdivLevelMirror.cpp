// Copying or swapping positions or layer offsets between the two halves of a level.
#include "foundation/Diagnostics.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/VertexChanges.h"

#include <QCoreApplication>

namespace {

constexpr unsigned kNone = 0xFFFFFFFF;

General::Vector Times(const General::Vector &a, const General::Vector &b)
{
    return General::Vector(a.x * b.x, a.y * b.y, a.z * b.z);
}

// Layer data whose offsets are off the level's positions while this lives.
class LayersTakenOff {
public:
    LayersTakenOff() = default;
    LayersTakenOff(const LayersTakenOff &) = delete;
    LayersTakenOff &operator=(const LayersTakenOff &) = delete;
    ~LayersTakenOff() { PutBack(); }

    bool Add(LayerLevel *data, float strength)
    {
        if (m_aData.Add(data) < 0 || m_aStrength.Add(strength) < 0)
            return false;
        data->ApplyToMesh(-strength);
        return true;
    }

    void PutBack()
    {
        for (unsigned i = 0; i < m_aData.GetItemCount(); ++i)
            m_aData[i]->ApplyToMesh(m_aStrength[i]);
        m_aData.Clear();
        m_aStrength.Clear();
    }

private:
    General::Store<LayerLevel *> m_aData{"unknown"};
    General::Store<float> m_aStrength{"unknown"};
};

}  // namespace

bool SubdivLevel::Mirror(VertexChanges &changes, LayerLevel *source, LayerLevel *target, int sideMode, int axisMode)
{
    // Source offsets by local vertex: the record index, or -1.
    General::Store<int> recordOf("unknown");
    if (source) {
        General::Store<General::IntPair> table("unknown");
        if (!source->MapVertices(table) || !recordOf.SetItemCount(m_iVertexCount, false))
            return false;
        recordOf.Fill(-1);
        for (const General::IntPair &pair : table)
            if (unsigned(pair.first) < m_iVertexCount)
                recordOf[unsigned(pair.first)] = pair.second;
    }
    if (!PrepareSymmetry())
        return false;

    const SubdivLevel *base = GetBaseLevel();
    const General::Vector axis(base->m_aSymmetryValues[0], base->m_aSymmetryValues[1], base->m_aSymmetryValues[2]);
    const General::Vector reflect(1 - 2 * axis.x, 1 - 2 * axis.y, 1 - 2 * axis.z);
    General::Vector offsetReflect(1, 1, 1);
    if (axisMode == 0)
        offsetReflect.x = -1;
    else if (axisMode == 1)
        offsetReflect.y = -1;
    else if (axisMode == 2)
        offsetReflect.z = -1;

    // Each vertex's face and corner (the last face that names it).
    const unsigned n = Corners();
    General::Store<unsigned int> cornerOf("unknown");
    if (!cornerOf.SetItemCount(m_iVertexCount, false))
        return false;
    cornerOf.Fill(kNone);
    for (unsigned f = 0; f < m_iFaceCount; ++f)
        for (unsigned c = 0; c < n; ++c) {
            const unsigned v = FaceVertexIndex(f, c);
            if (v < m_iVertexCount)
                cornerOf[v] = f * n + c;
        }

    Object *object = m_pObject;
    LayersTakenOff takenOff;
    if (source && axisMode == 3 && object) {
        // Corner frames are taken from the shape without the layers.
        for (Layer3D *layer = object->GetFirstLayer(); layer; layer = layer->GetNextInTree())
            if (layer->IsVisible() && layer->m_pLockedMesh && layer->m_pLockedMesh != this)
                throw General::Error(
                    1, QCoreApplication::translate(
                           "SubdivLevel", "This mesh contains layer(s) locked to another level. The mirror operation "
                                          "can't be used.\nPlease switch to that level and make layers unvisible and "
                                          "try again with mirror."));
        for (Layer3D *layer = object->GetFirstLayer(); layer; layer = layer->GetNextInTree())
            if (layer->IsVisible() && layer->m_pLockedMesh == this)
                if (LayerLevel *data = layer->GetLevel(this); data && !takenOff.Add(data, layer->GetEffectiveStrength()))
                    return false;
    }

    auto sourceOffset = [&](unsigned v) {
        const int record = recordOf[v];
        const LayerLevel::VertexData *data = record >= 0 ? source->GetVertexData(record) : nullptr;
        return data ? data->m_vOffset : General::Vector(0, 0, 0);
    };
    // New positions are handed over once the layers are back on the mesh, relative to where
    // the vertices are then.
    struct Move {
        unsigned m_iVertex;
        General::Vector m_vChange;
    };
    General::Store<Move> moves("unknown");
    const unsigned targetRecords = target ? std::min(target->m_iVertexCount, target->m_aData.GetItemCount()) : 0;
    unsigned cursor = 0;
    bool ok = true;

    auto visit = [&](unsigned v, int global) {
        if (!ok || v >= m_iVertexCount || cornerOf[v] == kNone)
            return;
        const unsigned face = cornerOf[v] / n, corner = cornerOf[v] % n;
        unsigned mirrorFace = 0, mirrorCorner = 0;
        const int mirror = GetSymmetricVertex(face, corner, mirrorFace, mirrorCorner);
        if (mirror < 0)
            return;
        const unsigned m = unsigned(mirror);
        const bool onPlane = m == v, marked = (m_aSymmetry[face] >> 31) != 0;
        if ((sideMode == 0 && marked && !onPlane) || (sideMode == 1 && !marked && !onPlane))
            return;
        const bool average = onPlane && sideMode != 2;

        General::Vector d;
        if (source) {
            const General::Vector om = sourceOffset(m);
            General::Vector mirrored = om;
            if (axisMode >= 0 && axisMode <= 2) {
                mirrored = Times(om, offsetReflect);
            } else if (axisMode == 3) {
                General::Vector coordinates;
                ToCornerFrame(coordinates, om, mirrorFace, mirrorCorner, false);
                FromCornerFrame(mirrored, coordinates, face, corner, true);
            }
            if (average)
                mirrored = (mirrored + om) * 0.5f;
            d = mirrored - sourceOffset(v);
        } else {
            const General::Vector &p = m_pVertices[v].m_vPosition;
            d = average ? Times(p, axis) * -1.0f : Times(m_pVertices[m].m_vPosition, reflect) - p;
        }
        if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f)
            return;
        const float faceFreeze = float(WithFaces([&](const auto &faces) { return faces[face].m_iFreeze & 0xFF; }));
        d = d * ((1.0f - faceFreeze / 255.0f) * (1.0f - float(m_pVertices[v].m_cFreeze) / 255.0f));

        if (!target) {
            ok = moves.Add({v, d}) >= 0;
            return;
        }
        while (cursor < targetRecords && target->m_aData[cursor].m_iGlobalVertexIndex < global)
            ++cursor;
        if (cursor < targetRecords && target->m_aData[cursor].m_iGlobalVertexIndex == global) {
            changes.AddVertexChange(v, target->m_aData[cursor].m_vOffset + d);
            return;
        }
        if (target->m_aNewData.Add({General::Vector(0, 0, 0), 1.0f, global}) < 0) {
            ok = false;
            return;
        }
        changes.AddVertexChange(v, d);
    };

    if (m_aVertexMap.HasItems()) {
        m_aVertexMap.Sort(General::Map::kBySecond);
        for (const General::IntPair &pair : m_aVertexMap)
            visit(unsigned(pair.first), pair.second);
    } else {
        for (unsigned v = 0; v < m_iVertexCount; ++v)
            visit(v, int(v));
    }
    takenOff.PutBack();
    if (ok)
        for (const Move &move : moves)
            changes.AddVertexChange(move.m_iVertex, m_pVertices[move.m_iVertex].m_vPosition + move.m_vChange);
    if (target && !target->Extend())
        ok = false;
    return ok;
}
