// The mesh record of the scene stream, and the conversion to generic polygons.
//
// The vertex, face and texture-coordinate arrays travel as memory images, so a
// record read from a file is checked whole (counts against the file's size, every
// corner, neighbour, symmetry and octree reference against the mesh's counts)
// before it replaces anything: a record that fails leaves the mesh as it was.
#include "mesh/core/Mesh.h"
#include "mesh/core/Octree.h"

#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"

#include <QCoreApplication>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

using namespace MeshFlags;

namespace {

constexpr int kTagCurrent = 16;
constexpr int kTagOld = 8;
constexpr uint32_t kNoMirror = 0xFFFFFFFF;

// Writes `count` records of the store, padding with zeros when the store holds fewer,
// so that the record stays readable whatever the counters say.
template <class T>
void WriteRecords(Stream &stream, const General::Store<T> &store, unsigned count)
{
    const unsigned held = std::min(count, store.GetItemCount());
    if (!TV_CHECK(held == count))
        Log(" Mesh record: %u of %u items padded\n", count - held, count);
    if (held)
        stream.Write(store.begin(), uint64_t(held) * sizeof(T));
    static const T zero{};
    for (unsigned i = held; i < count; ++i)
        stream.Write(&zero, sizeof(T));
}

// Old records: the normal as three signed bytes and one more byte, which widens
// (sign-extended to 16 bits) into the freeze value.
void WidenNormal(const unsigned char *bytes, int16_t *normal, unsigned char *extra)
{
    for (int i = 0; i < 3; ++i)
        normal[i] = int16_t(int8_t(bytes[i]) * 256);
    const int16_t widened = int16_t(int8_t(bytes[3]));
    std::memcpy(extra, &widened, 2);
}

// Reads count records of the old size into the store and widens them in place, last first.
template <class T, class Widen>
bool ReadWidened(Stream &stream, General::Store<T> &store, unsigned count, unsigned oldSize, Widen widen)
{
    unsigned char *bytes = reinterpret_cast<unsigned char *>(store.begin());
    if (count && stream.Read(bytes, uint64_t(count) * oldSize) != uint64_t(count) * oldSize)
        return false;
    for (unsigned i = count; i-- > 0;) {
        unsigned char old[64];
        std::memcpy(old, bytes + uint64_t(i) * oldSize, oldSize);
        T record{};
        widen(old, record);
        std::memcpy(bytes + uint64_t(i) * sizeof(T), &record, sizeof(T));
    }
    return true;
}

template <class Face>
void WidenFace(const unsigned char *old, Face &face)
{
    constexpr unsigned n = Face::kCorners;
    std::memcpy(&face.m_iOctree, old, 4);
    std::memcpy(&face.m_iStamp, old + 4, 4);
    WidenNormal(old + 8, face.m_aNormal, reinterpret_cast<unsigned char *>(&face.m_iFreeze));
    std::memcpy(face.m_iIndices, old + 12, 4 * n);
    std::memcpy(face.m_iAdjacent, old + 12 + 4 * n, 4 * n);
    std::memcpy(face.m_iTCI, old + 12 + 8 * n, 4 * n);
}

void WidenVertex(const unsigned char *old, Vertex &vertex)
{
    std::memcpy(&vertex.m_vPosition, old, 12);
    std::memcpy(&vertex.m_iStrokeID, old + 12, 4);
    WidenNormal(old + 16, vertex.m_aNormal, &vertex.m_cFreeze);
}

// A record read but not yet checked.
struct StagedRecord {
    int32_t type = Mesh::typeQuadric;
    uint32_t vertexCount = 0, faceCount = 0, tcCount = 0;
    bool adjacencyValid = false, normalsValid = false;
    uint32_t stamp = 1;
    bool hasSymmetry = false;
    General::Store<unsigned int> symmetry{"mesh symmetry"};
    uint32_t polygonCount = 0, openEdges = 0, hiddenFaces = 0;
    bool hasFaceIndexTable = false;
    General::Store<int> faceIndexTable{"mesh face index table"};
    General::Store<Vertex> vertices{"mesh vertex data"};
    General::Store<Triangle> triangles{"mesh triangle data"};
    General::Store<Quad> quads{"mesh quad data"};
    General::Store<TC> tcs{"meh texture coordinates"};
    AABB box;
    std::unique_ptr<Octree::Octree> octree;
    uint32_t selectedFaces = 0, frozenFaces = 0, frozenVertices = 0;
    bool hasGenericFaces = false;
    General::Store<GenericFace> genericFaces{"unknown"};
    bool hasOriginalTCs = false;
    General::Store<TC> originalTCs{"unknown"};
    Mesh::LegacyObjectState legacy;
};

template <class Face>
bool CheckFaces(const General::Store<Face> &faces, const StagedRecord &r, QString &why)
{
    constexpr unsigned n = Face::kCorners;
    for (unsigned f = 0; f < r.faceCount; ++f) {
        const Face &face = faces[f];
        for (unsigned c = 0; c < n; ++c) {
            if ((face.m_iIndices[c] & kIndexMask) >= r.vertexCount) {
                why = QStringLiteral("face %1 names vertex %2 of %3").arg(f).arg(face.m_iIndices[c] & kIndexMask).arg(r.vertexCount);
                return false;
            }
            // Texture indices are looked up unchecked when drawing and partitioning. Without
            // texture coordinates they mean nothing; "not assigned yet" is a legal state.
            if (r.tcCount && uint32_t(face.m_iTCI[c]) >= r.tcCount && uint32_t(face.m_iTCI[c]) != MeshFlags::kNoTC) {
                why = QStringLiteral("face %1 names texture coordinate %2 of %3").arg(f).arg(face.m_iTCI[c]).arg(r.tcCount);
                return false;
            }
            // Negative entries are open edges (or, on partial levels, neighbours off the level).
            if (face.m_iAdjacent[c] >= 0 && unsigned(face.m_iAdjacent[c]) / n >= r.faceCount) {
                why = QStringLiteral("face %1 names neighbour %2 of %3").arg(f).arg(face.m_iAdjacent[c] / int(n)).arg(r.faceCount);
                return false;
            }
        }
    }
    return true;
}

bool CheckRecord(const StagedRecord &r, int version, QString &why)
{
    const unsigned n = r.type == Mesh::typeTriangular ? 3 : 4;
    // The polygon count is that of the whole level as it was read, which a level whose
    // faces were partly removed no longer holds: it bounds nothing here.
    if (r.hiddenFaces > r.faceCount || r.selectedFaces > r.faceCount || r.frozenFaces > r.faceCount ||
        r.frozenVertices > r.vertexCount || uint64_t(r.openEdges) > uint64_t(r.faceCount) * n) {
        why = QStringLiteral("its face counters exceed its %1 faces").arg(r.faceCount);
        return false;
    }
    if (!(r.type == Mesh::typeTriangular ? CheckFaces(r.triangles, r, why) : CheckFaces(r.quads, r, why)))
        return false;
    if (r.symmetry.GetItemCount() == r.faceCount) {
        for (unsigned f = 0; f < r.faceCount; ++f) {
            const uint32_t entry = r.symmetry[f];
            if (entry != kNoMirror && (entry & 0x7FFFFFFF) / n >= r.faceCount) {
                why = QStringLiteral("the symmetry entry of face %1 is out of range").arg(f);
                return false;
            }
        }
    }
    if (r.faceIndexTable.GetItemCount() > r.faceCount) {
        why = QStringLiteral("its visible-face table is longer than its faces");
        return false;
    }
    for (int face : r.faceIndexTable) {
        if (face < 0 || unsigned(face) >= r.faceCount) {
            why = QStringLiteral("its visible-face table names face %1").arg(face);
            return false;
        }
    }
    const uint64_t polygons = r.genericFaces.GetItemCount();
    for (unsigned g = 0; g < r.genericFaces.GetItemCount(); ++g) {
        const GenericFace &face = r.genericFaces[g];
        const unsigned m = face.m_aVertices.GetItemCount();
        if (face.m_aNeighbours.GetItemCount() != m || face.m_aTCIndices.GetItemCount() != m) {
            why = QStringLiteral("generic face %1 is inconsistent").arg(g);
            return false;
        }
        for (unsigned j = 0; j < m; ++j) {
            const uint32_t neighbour = face.m_aNeighbours[j];
            const uint32_t tc = face.m_aTCIndices[j];
            if (face.m_aVertices[j] >= r.vertexCount || (neighbour != 0xFFFFFFFF && neighbour >= polygons * 16) ||
                (r.tcCount && tc >= r.tcCount && tc != MeshFlags::kNoTC)) {
                why = QStringLiteral("generic face %1 is out of range").arg(g);
                return false;
            }
        }
    }
    // Older streams rebuild the octree, so only a tree that is kept must match the faces.
    if (version >= 227) {
        const bool ok = r.type == Mesh::typeTriangular
                            ? r.octree->CheckLinks(r.faceCount, [&](unsigned f) { return r.triangles[f].m_iOctree; }, why)
                            : r.octree->CheckLinks(r.faceCount, [&](unsigned f) { return r.quads[f].m_iOctree; }, why);
        if (!ok)
            return false;
    }
    return true;
}

}  // namespace

bool Mesh::Serialize(Stream &stream) { return stream.IsStoring() ? StoreRecord(stream) : LoadRecord(stream); }

bool Mesh::StoreRecord(Stream &stream)
{
    TV_ASSERT(stream.GetVersion() == Stream::kCurrentVersion);
    int32_t type = m_eType == typeTriangular ? typeTriangular : typeQuadric;
    bool adjacency = m_bAdjacencyValid, normals = m_bNormalsValid;
    int tag = kTagCurrent;
    stream.Serialize(type).Serialize(m_iVertexCount).Serialize(m_iFaceCount).Serialize(m_iTCCount);
    stream.Serialize(adjacency).Serialize(normals).Serialize(m_iStamp);
    stream.WriteArray(m_aSymmetry);
    stream.Serialize(m_iPolygonCount).Serialize(m_iOpenEdges).Serialize(m_iHiddenFaces);
    stream.WriteArray(m_aFaceIndexTable);
    stream.Serialize(tag);
    WriteRecords(stream, m_pVertices, m_iVertexCount);
    if (type == typeTriangular)
        WriteRecords(stream, m_pTriangles, m_iFaceCount);
    else
        WriteRecords(stream, m_pQuads, m_iFaceCount);
    if (m_iTCCount)
        WriteRecords(stream, m_pTCs, m_iTCCount);
    m_cAABB.Serialize(stream);
    if (m_pOctree)
        m_pOctree->Serialize(stream);
    stream.Serialize(m_iSelectedFaces).Serialize(m_iFrozenFaces).Serialize(m_iFrozenVertices);
    unsigned generic = m_aGenericFaces.GetItemCount();
    stream.Serialize(generic);
    for (GenericFace &face : m_aGenericFaces) {
        stream.WriteArray(face.m_aVertices);
        stream.WriteArray(face.m_aNeighbours);
        stream.WriteArray(face.m_aTCIndices);
    }
    stream.WriteArray(m_aOriginalTCs);
    return !stream.HasError();
}

bool Mesh::LoadRecord(Stream &stream)
{
    const int v = stream.GetVersion();
    auto refuse = [&](const QString &why) {
        Log(" Mesh record refused: %s\n", why.toLocal8Bit().constData());
        stream.SetError();
        return false;
    };
    if (v < 11)
        return refuse(QStringLiteral("streams before version 11 are not supported"));

    StagedRecord r;
    r.polygonCount = m_iPolygonCount;
    r.openEdges = m_iOpenEdges;
    r.hiddenFaces = m_iHiddenFaces;
    r.box = m_cAABB;
    r.selectedFaces = m_iSelectedFaces;
    r.frozenFaces = m_iFrozenFaces;
    r.frozenVertices = m_iFrozenVertices;

    stream.Serialize(r.type).Serialize(r.vertexCount).Serialize(r.faceCount).Serialize(r.tcCount);
    stream.Serialize(r.adjacencyValid).Serialize(r.normalsValid).Serialize(r.stamp);
    if (stream.HasError())
        return refuse(QStringLiteral("the record is cut short"));
    if (r.type != typeTriangular && r.type != typeQuadric)
        return refuse(QStringLiteral("unknown face type %1").arg(r.type));
    if (v > 75 && !(r.hasSymmetry = stream.ReadArray(r.symmetry)))
        return refuse(QStringLiteral("the symmetry table does not fit the file"));
    if (v > 46)
        stream.Serialize(r.polygonCount);
    else
        r.polygonCount = r.faceCount;
    if (v >= 30)
        stream.Serialize(r.openEdges);
    if (v > 7 && v < 30) {
        r.legacy.bHasVisible = true;
        stream.Serialize(r.legacy.bVisible);
    }
    if (v > 7) {
        stream.Serialize(r.hiddenFaces);
        if (!(r.hasFaceIndexTable = stream.ReadArray(r.faceIndexTable)))
            return refuse(QStringLiteral("the visible-face table does not fit the file"));
    }
    int tag = kTagOld;
    if (v > 42)
        stream.Serialize(tag);
    if (tag != kTagCurrent && tag != kTagOld) {
        AssertFailed(__FILE__, __LINE__, "iNP == 8", nullptr);
        tag = kTagOld;
    }
    const unsigned vertexSize = tag == kTagCurrent ? sizeof(Vertex) : 20;
    const unsigned faceSize = r.type == typeTriangular ? (tag == kTagCurrent ? sizeof(Triangle) : 48)
                                                       : (tag == kTagCurrent ? sizeof(Quad) : 60);
    if (stream.HasError() ||
        !stream.Expect(uint64_t(r.vertexCount) * vertexSize + uint64_t(r.faceCount) * faceSize + uint64_t(r.tcCount) * sizeof(TC)))
        return refuse(QStringLiteral("%1 vertices, %2 faces and %3 texture coordinates do not fit the file")
                          .arg(r.vertexCount)
                          .arg(r.faceCount)
                          .arg(r.tcCount));

    const bool sized = r.vertices.SetItemCount(r.vertexCount, false) &&
                       (r.type == typeTriangular ? r.triangles.SetItemCount(r.faceCount, false)
                                                 : r.quads.SetItemCount(r.faceCount, false)) &&
                       (r.tcCount == 0 || r.tcs.SetItemCount(r.tcCount, false));
    if (!sized) {
        stream.SetError();
        General::Shell().CriticalMessage(
            QCoreApplication::translate("Mesh", "Not enough memory to (re)create mesh data!"));
        return false;
    }
    bool read = true;
    if (tag == kTagCurrent) {
        read = stream.Transfer(r.vertices.begin(), uint64_t(r.vertexCount) * sizeof(Vertex)) &&
               (r.type == typeTriangular ? stream.Transfer(r.triangles.begin(), uint64_t(r.faceCount) * sizeof(Triangle))
                                         : stream.Transfer(r.quads.begin(), uint64_t(r.faceCount) * sizeof(Quad)));
    } else {
        read = ReadWidened(stream, r.vertices, r.vertexCount, 20, WidenVertex) &&
               (r.type == typeTriangular ? ReadWidened(stream, r.triangles, r.faceCount, 48, WidenFace<Triangle>)
                                         : ReadWidened(stream, r.quads, r.faceCount, 60, WidenFace<Quad>));
    }
    if (read && r.tcCount)
        read = stream.Transfer(r.tcs.begin(), uint64_t(r.tcCount) * sizeof(TC));
    if (!read)
        return refuse(QStringLiteral("the record is cut short"));

    if (!r.box.Serialize(stream))
        return refuse(QStringLiteral("the record is cut short"));
    r.octree = std::make_unique<Octree::Octree>(this);
    if (!r.octree->Serialize(stream))
        return refuse(QStringLiteral("the octree does not fit the file"));
    if (v < 30) {
        unsigned char obsolete = 0;
        stream.Serialize(obsolete);
    }
    stream.Serialize(r.selectedFaces);
    if (v >= 20 && v < 30) {
        r.legacy.bHasLocked = true;
        stream.Serialize(r.legacy.bLocked);
        stream >> r.legacy.sName;
        stream.Serialize(r.legacy.iMaterial);
    }
    if (v >= 31)
        stream.Serialize(r.frozenFaces);
    if (v >= 83)
        stream.Serialize(r.frozenVertices);
    if (v >= 210) {
        unsigned count = 0;
        stream.Serialize(count);
        // Each generic face holds at least its three counts.
        if (stream.HasError() || !stream.Expect(uint64_t(count) * 12))
            return refuse(QStringLiteral("the generic faces do not fit the file"));
        if (!r.genericFaces.SetItemCount(count, false)) {
            stream.SetError();
            General::Shell().CriticalMessage(
                QCoreApplication::translate("Mesh", "Not enough memory to (re)create mesh data!"));
            return false;
        }
        for (GenericFace &face : r.genericFaces)
            if (!stream.ReadArray(face.m_aVertices) || !stream.ReadArray(face.m_aNeighbours) ||
                !stream.ReadArray(face.m_aTCIndices))
                return refuse(QStringLiteral("the generic faces do not fit the file"));
        r.hasGenericFaces = true;
    }
    if (v >= 217 && !(r.hasOriginalTCs = stream.ReadArray(r.originalTCs)))
        return refuse(QStringLiteral("the saved texture coordinates do not fit the file"));
    if (stream.HasError())
        return refuse(QStringLiteral("the record is cut short"));

    // Fixes for old streams.
    const unsigned n = r.type == typeTriangular ? 3 : 4;
    auto eachFace = [&](auto fn) {
        if (r.type == typeTriangular)
            for (unsigned f = 0; f < r.faceCount; ++f)
                fn(r.triangles[f].m_iIndices, r.triangles[f].m_iStamp);
        else
            for (unsigned f = 0; f < r.faceCount; ++f)
                fn(r.quads[f].m_iIndices, r.quads[f].m_iStamp);
    };
    if (v <= 30) {
        eachFace([](uint32_t *indices, uint32_t &) { indices[1] &= ~kBit31; });
        r.selectedFaces = 0;
        r.frozenFaces = 0;
    }
    if (v < 47 && n == 3)
        eachFace([](uint32_t *indices, uint32_t &) { indices[2] &= ~kBit31; });
    if (v <= 35) {
        for (Vertex &vertex : r.vertices)
            vertex.m_iStrokeID = 0;
        eachFace([](uint32_t *, uint32_t &stamp) { stamp = 0; });
        r.stamp = 1;
    }

    QString why;
    if (!CheckRecord(r, v, why))
        return refuse(why);
    if (!r.box.IsEmpty() && !r.box.IsFinite()) {
        Log(" Mesh record: the bounding box is not finite and is recomputed\n");
        r.box.Reset();
    }

    // Commit.
    m_eType = r.type;
    m_iVertexCount = r.vertexCount;
    m_iFaceCount = r.faceCount;
    m_iTCCount = r.tcCount;
    m_bAdjacencyValid = r.adjacencyValid;
    m_bNormalsValid = r.normalsValid;
    m_iStamp = r.stamp;
    if (r.hasSymmetry)
        m_aSymmetry = std::move(r.symmetry);
    m_iPolygonCount = r.polygonCount;
    m_iOpenEdges = r.openEdges;
    m_iHiddenFaces = r.hiddenFaces;
    if (r.hasFaceIndexTable)
        m_aFaceIndexTable = std::move(r.faceIndexTable);
    m_pVertices = std::move(r.vertices);
    m_pTriangles = std::move(r.triangles);
    m_pQuads = std::move(r.quads);
    if (r.tcCount)
        m_pTCs = std::move(r.tcs);
    else
        m_pTCs.Clear();
    m_cAABB = r.box;
    delete m_pOctree;
    m_pOctree = r.octree.release();
    m_iSelectedFaces = r.selectedFaces;
    m_iFrozenFaces = r.frozenFaces;
    m_iFrozenVertices = r.frozenVertices;
    if (r.hasGenericFaces)
        m_aGenericFaces = std::move(r.genericFaces);
    if (r.hasOriginalTCs)
        m_aOriginalTCs = std::move(r.originalTCs);
    // Stroke state and the face tree belong to the data that was replaced.
    m_aModifiedFaces.Clear();
    m_iRestoreCount = 0;
    m_iRestoreLayerCount = 0;
    DeleteBTree();
    if (r.legacy.bHasVisible || r.legacy.bHasLocked)
        ApplyLegacyObjectState(r.legacy);
    // The count follows the faces' flags, whatever the file says.
    m_iHiddenFaces = 0;
    WithFaces([&](const auto &faces) {
        for (unsigned f = 0; f < std::min(m_iFaceCount, faces.GetItemCount()); ++f)
            m_iHiddenFaces += (faces[f].m_iIndices[0] & kBit31) == 0;
    });
    if (v < 227)
        BuildOctree();
    return true;
}

void Mesh::ConvertToGenericMesh()
{
    if (m_iPolygonCount == 0)
        return;
    SplitLargePolygons();
    const unsigned n = Corners();
    const unsigned faceCount = std::min(m_iFaceCount, WithFaces([](const auto &faces) { return faces.GetItemCount(); }));
    General::Store<unsigned int> polygonOf("unknown");
    unsigned polygons = 0;
    if (!NumberPolygons(polygonOf, polygons))
        throw General::Error(0, QCoreApplication::translate("Mesh", "Not enough memory"));
    if (!TV_CHECK(polygons == m_iPolygonCount))
        Log(" Generic mesh: %u polygons found, %u expected\n", polygons, m_iPolygonCount);
    m_aGenericFaces.Clear();
    if (!m_aGenericFaces.SetItemCount(polygons, false))
        throw General::Error(0, QCoreApplication::translate("Mesh", "Not enough memory"));

    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("converting to generic mesh..."), 3 * uint64_t(faceCount) + polygons, 100);
    bool ok = true;
    WithFaces([&](const auto &faces) {
        using Face = std::remove_cvref_t<decltype(faces[0])>;
        for (unsigned f = 0; f < faceCount; ++f) {
            const Face &face = faces[f];
            GenericFace &g = m_aGenericFaces[polygonOf[f]];
            for (unsigned i = 0; i < n; ++i) {
                const int32_t entry = face.m_iAdjacent[Face::SlotFrom(i)];
                const bool inside = entry >= 0 && unsigned(entry) / n < faceCount;
                const uint32_t neighbour = inside ? polygonOf[unsigned(entry) / n] : 0xFFFFFFFF;
                if (neighbour == polygonOf[f])
                    continue;  // an inner diagonal of a fan
                const uint32_t vertex = face.m_iIndices[i] & kIndexMask;
                if (std::find(g.m_aVertices.begin(), g.m_aVertices.end(), vertex) != g.m_aVertices.end())
                    continue;
                ok = ok && g.m_aVertices.Add(vertex) >= 0 && g.m_aTCIndices.Add(uint32_t(face.m_iTCI[i])) >= 0 &&
                     g.m_aNeighbours.Add(neighbour) >= 0;
            }
            meter.Advance(3);
        }
    });
    // Second pass: name the neighbour's edge that runs between the same two corners.
    for (GenericFace &g : m_aGenericFaces) {
        const unsigned m = g.m_aVertices.GetItemCount();
        for (unsigned j = 0; j < m; ++j) {
            const uint32_t h = g.m_aNeighbours[j];
            if (h == 0xFFFFFFFF || h >= polygons)
                continue;
            const uint32_t a = g.m_aVertices[j], b = g.m_aVertices[(j + 1) % m];
            const GenericFace &other = m_aGenericFaces[h];
            const unsigned mo = other.m_aVertices.GetItemCount();
            for (unsigned k = 0; k < mo; ++k) {
                const uint32_t c = other.m_aVertices[k], d = other.m_aVertices[(k + 1) % mo];
                if ((c == a && d == b) || (c == b && d == a)) {
                    g.m_aNeighbours[j] = h * 16 + k;
                    break;
                }
            }
        }
        meter.Advance();
    }
    meter.End();
    if (!ok)
        throw General::Error(0, QCoreApplication::translate("Mesh", "Not enough memory"));
}
