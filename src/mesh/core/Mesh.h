#pragma once
// The polygon mesh: a flat array of vertices, texture coordinates and faces that
// are either all triangles or all quads, with everything that sculpting, picking
// and drawing need on it (flags, adjacency, octree links, stroke restore buffers).
// Every subdivision level of every object is a Mesh.

#include "foundation/math/AABB.h"
#include "foundation/Containers.h"
#include "foundation/math/Matrix.h"
#include "foundation/Node.h"
#include "mesh/buffers/BufferObject.h"
#include "mesh/core/GenericFace.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/surface/Partition.h"
#include "mesh/surface/TangentBase.h"

#include <QString>

class AdjacentVertexEnumerator;
class FaceTree;
class FaceVisitor;
class Object;
class PickInfo;
class Placement;
class Stream;
class VertexVisitor;
namespace Octree {
class Octree;
}
namespace Surface {
class Material;
class TangentConfig;
}  // namespace Surface

class Mesh : public General::Node {
public:
    enum Type { typeTriangular = 0, typeQuadric = 1 };

    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    // Registry factory: one mesh for a count below 2, else an array of count meshes.
    static General::Node *Create(int count) { return General::CreateNodes<Mesh>(count); }

    // A polygon read from (or written to) a triangle fan.
    struct Polygon {
        General::Store<unsigned int> m_aCorners{"polygon corners"};
        // Entry i: the neighbour across the edge from corner i to i + 1 (triangle encoding).
        General::Store<unsigned int> m_aAdjacent{"polygon adjacency"};
        unsigned m_iCount = 0;
    };

    // The owning object's fields that streams before version 30 kept in the mesh record.
    struct LegacyObjectState {
        bool bHasVisible = false, bVisible = false;
        bool bHasLocked = false, bLocked = false;
        QString sName;
        int iMaterial = 0;
    };

    Mesh();
    // Sized stores; throws std::bad_alloc (after freeing what it allocated) when memory is refused.
    Mesh(unsigned faceCount, unsigned vertexCount, unsigned unused, unsigned tcCount, bool quads);
    virtual ~Mesh();
    Mesh(const Mesh &) = delete;
    Mesh &operator=(const Mesh &) = delete;

    // Estimate in bytes of the vertex, face and texture-coordinate data.
    virtual uint64_t GetMemorySize() const;
    // The object whose level this is; a bare mesh has none (reported, null).
    virtual Object *GetObject();
    // Builds the symmetry table when the mesh can; false for a bare mesh.
    virtual bool PrepareSymmetry();
    // The placement of the owning object; null for a bare mesh, which then sits at the origin unscaled.
    virtual Placement *GetPlacement();

    void FreeMeshData();

    // --- accessors ---------------------------------------------------------
    unsigned Corners() const { return m_eType == typeTriangular ? 3 : 4; }
    Vertex &TriangleVertex(unsigned triangle, unsigned corner);
    Vertex &QuadVertex(unsigned quad, unsigned corner);
    // The vertex index (low 30 bits) of a corner, whatever the face type.
    unsigned FaceVertexIndex(unsigned face, unsigned corner) const;
    // The corner vertex indices of a face, read once; returns the corner count.
    unsigned FaceCorners(unsigned face, unsigned (&corners)[4]) const;
    General::Vector CornerPosition(unsigned face, unsigned corner) const;
    unsigned GetCornerIndex(unsigned face, unsigned corner) const;
    const TC &GetFaceTC(unsigned face, unsigned corner) const;
    bool IsFaceSelected(unsigned face) const;
    bool IsFaceVisible(unsigned face) const;
    bool IsAllSelected() const { return m_iFaceCount && m_iSelectedFaces >= m_iFaceCount; }
    // Selects or deselects every visible face as one undoable edit, then selects the object.
    void SelectAllFaces(bool select);
    void SetVertexPosition(unsigned vertex, const General::Vector &position);
    void ScaleNormals(const General::Vector &scale);

    // --- stroke restore buffer --------------------------------------------
    // Both are read for every corner a brush walk reaches: kept inline.
    int32_t &VertexStrokeID(unsigned vertex)
    {
        if (HasRestoreEntry(vertex))
            return m_aRestoreBuffer.GetBuffer()[uint32_t(m_pVertices.GetBuffer()[vertex].m_iStrokeID)].m_cVertex.m_iStrokeID;
        return m_pVertices[vertex].m_iStrokeID;
    }
    const Vertex &OriginalVertex(unsigned vertex)
    {
        if (HasRestoreEntry(vertex))
            return m_aRestoreBuffer.GetBuffer()[uint32_t(m_pVertices.GetBuffer()[vertex].m_iStrokeID)].m_cVertex;
        return m_pVertices[vertex];
    }
    const int16_t *OriginalVertexNormal(unsigned vertex);
    const Vertex &OriginalFaceVertex(unsigned face, unsigned corner);
    // The vertex's restore entry, made from the live vertex when missing; null when memory is refused.
    StoredVertexInfo *AddToRestoreBuffer(unsigned vertex, bool &created);
    void ClearRestoreBuffer();
    // Gives every face of the stroke's modified-face records its layer-0 link back.
    void ClearModifiedFaces();

    // --- normals and topology ---------------------------------------------
    void GetFaceNormal(General::Vector &normal, unsigned face) const;
    void CalculateNormals(bool keepFreeze);
    // False (logged, adjacency left invalid) when its work tables cannot be allocated.
    bool CalculateAdjacency();
    void PairTriangles(unsigned a, unsigned b);
    void PairQuads(unsigned a, unsigned b);
    unsigned EnumerateAdjacentVertices(AdjacentVertexEnumerator &enumerator, unsigned vertex, unsigned face);
    bool GrowFaceList(General::Store<unsigned int> &faces);
    void SmoothTCs(float);
    bool CalculateTCBounds();
    AABB TCBounds(bool recalculate);
    float FindBiggestTCFace(unsigned &face) const;
    void AddEdgeTangents(unsigned vertexA, unsigned vertexB, unsigned tcA, unsigned tcB, float, unsigned frameA,
                         unsigned frameB);

    // --- tangent frames and material partitions ---------------------------------
    // Fills m_aTNB by the configuration (and sets the index mode from it). Throws
    // std::bad_alloc when the frames cannot be held, General::Error for a bad lookup mode.
    void CalculateTangents(const Surface::TangentConfig &config);
    // Splits the level into one partition per texture tile its visible faces cover and
    // fetches the tiles' textures, with the owning object's material.
    void BuildPartitions(bool force);
    // The same with a given material (none: the level draws untextured).
    void BuildPartitions(bool force, Surface::Material *material);

    // --- video buffers ----------------------------------------------------------
    // Makes the video buffers again when the mesh is marked for it or the view's
    // wireframe setting changed; true when the buffers are usable.
    bool RecreateBuffers(bool allowed);
    // Marks the buffer that holds the vertex for refilling.
    void MarkVertexBuffer(unsigned vertex);

    // --- octree links and bounds ------------------------------------------
    // Read for every step along an octree chain: kept inline.
    uint32_t &NextTriangleInCube(unsigned triangle, int layer) { return NextFaceInCube(m_pTriangles, triangle, layer); }
    uint32_t &NextQuadInCube(unsigned quad, int layer) { return NextFaceInCube(m_pQuads, quad, layer); }
    uint32_t GetNextTriangleInCube(unsigned triangle, int layer) { return NextTriangleInCube(triangle, layer); }
    uint32_t GetNextQuadInCube(unsigned quad, int layer) { return NextQuadInCube(quad, layer); }
    // The link word of either face type.
    uint32_t &NextInCube(unsigned face, int layer)
    {
        return m_eType == typeTriangular ? NextTriangleInCube(face, layer) : NextQuadInCube(face, layer);
    }
    int FaceCube(unsigned face);
    void BuildOctree();
    void AddFaceToAABB(AABB &box, unsigned face, bool original);
    const AABB &GetAABB(bool recalculate = false);
    void Scale(float factor);
    FaceTree *GetBTree();
    void DeleteBTree();

    // --- symmetry ----------------------------------------------------------
    bool IsSymmetryComplete() const { return m_aSymmetry.GetItemCount() == m_iFaceCount; }
    int GetSymmetricVertex(unsigned face, unsigned corner, unsigned &mirrorFace, unsigned &mirrorCorner);
    void GetCornerFrame(unsigned face, unsigned corner, General::Vector &normal, General::Vector &e2,
                        General::Vector &e1) const;
    void ToCornerFrame(General::Vector &coordinates, const General::Vector &v, unsigned face, unsigned corner,
                       bool swap) const;
    void FromCornerFrame(General::Vector &v, const General::Vector &coordinates, unsigned face, unsigned corner,
                         bool swap) const;
    void FaceFrameTransform(General::Matrix &m, unsigned fromFace, unsigned fromCorner, unsigned toFace,
                            unsigned toCorner) const;
    void GetSymmetryTransform(General::Matrix &m, unsigned face) const;
    void GetSymmetricPick(PickInfo &result, const PickInfo &pick);

    // --- face walks ----------------------------------------------------------
    void CollectFaces(unsigned start, FaceVisitor &op, bool symmetric);
    void CollectFacesBreadthFirst(unsigned start, FaceVisitor &op);
    void CollectVertices(unsigned start, VertexVisitor &op);

    // --- polygons stored as triangle fans ---------------------------------------
    void GetPolygon(Polygon &polygon, unsigned first);
    void FillPolygon(const Polygon &polygon, unsigned first);
    int GetPolygonEdge(unsigned triangle, unsigned slot, Polygon &polygon, unsigned &first);
    static void RotatePolygon(Polygon &polygon, unsigned shift);
    // Cuts every fan of more than kMaxGenericCorners corners into fans of at most that many
    // (the generic faces name a neighbour's edge as polygon × 16 + edge); logs each cut.
    static constexpr unsigned kMaxGenericCorners = 16;
    void SplitLargePolygons();
    // Per face: the number of its polygon, the triangles of a fan sharing the number of the
    // fan's first (each quad its own); `polygons` the count. False when the list is refused.
    bool NumberPolygons(General::Store<unsigned int> &polygonOf, unsigned &polygons) const;

    // --- stream record and generic faces --------------------------------------
    // Writes or reads the mesh record. A record that cannot be read leaves the mesh
    // as it was, sets the stream's error flag and yields false.
    bool Serialize(Stream &stream);
    void ConvertToGenericMesh();

    // Runs fn on the face store of the mesh's type.
    template <class Fn>
    decltype(auto) WithFaces(Fn &&fn)
    {
        if (m_eType == typeTriangular)
            return fn(m_pTriangles);
        TV_ASSERT(m_eType == typeQuadric);
        return fn(m_pQuads);
    }
    template <class Fn>
    decltype(auto) WithFaces(Fn &&fn) const
    {
        if (m_eType == typeTriangular)
            return fn(m_pTriangles);
        TV_ASSERT(m_eType == typeQuadric);
        return fn(m_pQuads);
    }

    // --- members -------------------------------------------------------------
    bool m_bRecreateBuffers = false;  // the GPU buffers must be made again
    BufferObjectList m_aBuffers;
    General::Store<unsigned short> m_aVertexBuffers{"unknown"};  // per vertex: the last buffer holding it
    General::Store<Surface::Partition> m_aPartitions{"mesh partitions"};
    General::Store<uint32_t> m_aFacePartition{"unknown"};  // per face, when there are several partitions
    bool m_bPartitionsBuilt = false;
    General::Store<unsigned int> m_aSymmetry{"mesh symmetry"};
    uint32_t m_iVertexCount = 0, m_iTCCount = 0, m_iFaceCount = 0;
    uint32_t m_iOpenEdges = 0;
    uint32_t m_iPolygonCount = 0;
    uint32_t m_iTotalVertexCount = 0, m_iTotalFaceCount = 0;
    bool m_bAdjacencyValid = false, m_bNormalsValid = false;
    int32_t m_eType = typeQuadric;
    General::Store<Vertex> m_pVertices{"mesh vertex data"};
    General::Store<General::Base> m_aTNB{"mesh tnb data"};
    General::Store<unsigned int> m_aCornerIndexTable{"unknown"};
    int32_t m_iIndexMode = -1;
    General::Store<TC> m_pTCs{"meh texture coordinates"};
    General::Store<TC> m_aOriginalTCs{"unknown"};
    General::Store<Triangle> m_pTriangles{"mesh triangle data"};
    General::Store<Quad> m_pQuads{"mesh quad data"};
    General::Store<GenericFace> m_aGenericFaces{"unknown"};
    FaceTree *m_pBTree = nullptr;
    uint32_t m_iStamp = 1;
    General::Store<int> m_aFaceIndexTable{"mesh face index table"};
    uint32_t m_iSelectedFaces = 0;
    uint32_t m_iHiddenFaces = 0;
    uint32_t m_iFrozenFaces = 0;
    uint32_t m_iFrozenVertices = 0;
    Octree::Octree *m_pOctree = nullptr;
    uint32_t m_iRestoreCount = 0;
    uint32_t m_iRestoreLayerCount = 0;
    General::Store<StoredVertexInfo> m_aRestoreBuffer{"mesh restore buffer"};
    General::Store<General::Vector> m_aRestoreLayerBuffer{"mesh restore layer buffer"};
    General::Store<ModifiedVertexInfo> m_aModifiedVertices{"mesh modified vertex buffer"};
    General::Store<ModifiedFaceInfo> m_aModifiedFaces{"mesh modified faces"};
    General::Store<SelectedFaceInfo> m_aSelectedFaces{"mesh selected faces"};
    General::Store<FaceVisibilityInfo> m_aFaceVisibility{"mesh face visibility"};
    General::Store<MaskedFaceInfo> m_aMaskedFaces{"mesh masked faces"};
    AABB m_cAABB;
    AABB m_cTCBounds;

protected:
    // Streams before version 30 kept some of the owning object's state in the mesh
    // record; a level with an object applies it. A bare mesh drops it.
    virtual void ApplyLegacyObjectState(const LegacyObjectState &) {}

private:
    // While a vertex has a restore entry its stroke stamp field holds the entry's index; a
    // stamp that happens to be a valid index names an entry of another vertex.
    bool HasRestoreEntry(unsigned vertex) const
    {
        if (vertex >= m_pVertices.GetItemCount())
            return false;
        const uint32_t entry = uint32_t(m_pVertices.GetBuffer()[vertex].m_iStrokeID);
        return entry < m_iRestoreCount && entry < m_aRestoreBuffer.GetItemCount() &&
               m_aRestoreBuffer.GetBuffer()[entry].m_iVertexIndex == vertex;
    }
    // The face's own link word, or the one its modified-face record holds aside.
    template <class Face>
    uint32_t &NextFaceInCube(General::Store<Face> &faces, unsigned face, int layer)
    {
        Face &record = faces[face];
        const uint32_t held = record.m_iOctree;
        if (held < m_aModifiedFaces.GetItemCount() && m_aModifiedFaces.GetBuffer()[held].m_iFaceIndex == face)
            return m_aModifiedFaces.GetBuffer()[held].m_aLink[layer ? 1 : 0];
        if (layer)
            AssertFailed(__FILE__, __LINE__, "!iOctree", nullptr);
        return record.m_iOctree;
    }
    void ReplaceOctree();
    bool StoreRecord(Stream &stream);
    bool LoadRecord(Stream &stream);
};

// Read for every corner of every face a brush walk reaches: kept inline.
inline unsigned Mesh::FaceVertexIndex(unsigned face, unsigned corner) const
{
    return WithFaces([&](const auto &faces) {
        return faces[face].m_iIndices[corner % faces[face].kCorners] & MeshFlags::kIndexMask;
    });
}

inline unsigned Mesh::FaceCorners(unsigned face, unsigned (&corners)[4]) const
{
    return WithFaces([&](const auto &faces) {
        const auto &record = faces[face];
        for (unsigned c = 0; c < record.kCorners; ++c)
            corners[c] = record.m_iIndices[c] & MeshFlags::kIndexMask;
        return record.kCorners;
    });
}

inline bool Mesh::IsFaceVisible(unsigned face) const
{
    return WithFaces([&](const auto &faces) { return (faces[face].m_iIndices[0] & MeshFlags::kBit31) != 0; });
}
