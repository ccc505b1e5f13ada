// The stamped face walks that collect the faces and vertices under a brush.
#include "mesh/core/FaceVisitor.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshSwitches.h"

#include "foundation/ShellServices.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

struct WalkEntry {
    unsigned m_iFaceIndex;
    unsigned m_iEdgesProcessed;
};

// One walk stack for the program: walks run on the GUI thread and are not re-entrant.
General::Store<WalkEntry> &WalkStack()
{
    static General::Store<WalkEntry> stack("mesh walk stack");
    return stack;
}

// The vertex collection's per-face step: each corner vertex not yet stamped in this
// walk is weighed and, when its weight is above 0, processed and stamped.
class VertexCollector : public FaceVisitor {
public:
    explicit VertexCollector(VertexVisitor &op) : m_pOperation(&op) {}

    void ProcessFace(Mesh &, unsigned) override {}
    bool IsFaceAffected(Mesh &mesh, unsigned face) override
    {
        // The corners are read before any is processed: processing changes no face record.
        unsigned corners[4];
        const unsigned n = mesh.FaceCorners(face, corners);
        bool any = false;
        for (unsigned c = 0; c < n; ++c)
            if (TV_CHECK(corners[c] < mesh.m_iVertexCount))
                any = ProcessVertex(mesh, face, corners[c]) || any;
        return any;
    }

private:
    bool ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex)
    {
        if (uint32_t(mesh.VertexStrokeID(vertex)) == mesh.m_iStamp)
            return false;
        const float weight = m_pOperation->GetWeight(mesh, face, vertex);
        if (!(weight > 0.0f))
            return false;
        m_pOperation->ProcessVertex(mesh, face, vertex, weight);
        mesh.VertexStrokeID(vertex) = int32_t(mesh.m_iStamp);
        return true;
    }

    VertexVisitor *m_pOperation;
};

// The faces the last walk accepted, in its order. Walks come in runs over the same region
// (a dab collects its vertices, then the normals are walked twice from the same face),
// and such a run visits its faces in nearly the same order: the next walk asks for the
// records a little ahead of where it is, from this list, so that their cache misses are
// under way before the depth-first step, which waits on each record, reaches them.
class WalkTrail {
public:
    // Starts a walk over `count` faces of `mesh`: the last walk's order serves as hints
    // only when it was on the same mesh.
    void Begin(const Mesh *mesh, unsigned count)
    {
        m_iNext ^= 1;
        if (mesh != m_pMesh || count != m_iCount)
            Last().SetItemCount(0, true);
        m_aTrails[m_iNext].SetItemCount(0, true);
        m_pMesh = mesh;
        m_iCount = count;
    }
    // Records the walk's next accepted face and returns the face the last walk accepted
    // `kAhead` places further on (~0u when there is none).
    unsigned Accept(unsigned face)
    {
        General::Store<unsigned> &next = m_aTrails[m_iNext];
        const unsigned at = next.GetItemCount() + kAhead;
        // A walk past the bound (a flood over a whole level) is not a dab's: it keeps no
        // more hints than that. A list that cannot grow only loses hints too.
        if (at - kAhead < kMost)
            next.Add(face);
        return at < Last().GetItemCount() ? Last().GetBuffer()[at] : ~0u;
    }

private:
    static constexpr unsigned kAhead = 24;
    static constexpr unsigned kMost = 1u << 20;
    General::Store<unsigned> &Last() { return m_aTrails[m_iNext ^ 1]; }

    General::Store<unsigned> m_aTrails[2] = {General::Store<unsigned>("walk trail"),
                                             General::Store<unsigned>("walk trail")};
    unsigned m_iNext = 0;
    const Mesh *m_pMesh = nullptr;
    unsigned m_iCount = 0;
};

WalkTrail &Trail()
{
    static WalkTrail trail;
    return trail;
}

}  // namespace

namespace {

// The depth-first walk on the face store of the mesh's type, so that the per-neighbour
// stamp and adjacency reads need no type switch. The buffer pointers are read again after
// every visitor call and every push: neither may be kept across a call that could grow them.
template <class Face>
void WalkDepthFirst(Mesh &mesh, General::Store<Face> &faces, unsigned start, FaceVisitor &op, bool mirrored)
{
    constexpr unsigned n = Face::kCorners;
    // A face count beyond the store (a damaged mesh) is reported per face, never read.
    const unsigned count = std::min(mesh.m_iFaceCount, faces.GetItemCount());
    auto side = [&](unsigned face) { return mesh.m_aSymmetry[face] >> 31; };
    auto processWithMirror = [&](unsigned face) {
        op.ProcessFace(mesh, face);
        if (mirrored && mesh.m_aSymmetry[face] != 0xFFFFFFFF) {
            const unsigned mirror = (mesh.m_aSymmetry[face] & 0x7FFFFFFF) / n;
            if (TV_CHECK(mirror < mesh.m_iFaceCount))
                op.ProcessFace(mesh, mirror);
        }
    };

    // The walk goes on with a face's neighbours next: their records are asked for at once,
    // so that their cache misses overlap instead of coming one after the other.
    auto prefetchNeighbours = [&](unsigned face) {
        const Face *records = faces.GetBuffer();
        for (unsigned k = 0; k < n; ++k) {
            const unsigned h = unsigned(records[face].m_iAdjacent[k]) / n;
            if (records[face].m_iAdjacent[k] >= 0 && h < count)
                __builtin_prefetch(records + h);
        }
    };

    WalkTrail &trail = Trail();
    trail.Begin(&mesh, count);
    auto accept = [&](unsigned face) {
        faces.GetBuffer()[face].m_iStamp = mesh.m_iStamp;
        if (const unsigned ahead = trail.Accept(face); ahead < count)
            __builtin_prefetch(faces.GetBuffer() + ahead);
        prefetchNeighbours(face);
    };

    General::Store<WalkEntry> &stack = WalkStack();
    stack.SetItemCount(0, true);
    if (!TV_CHECK(start < count) || !op.IsFaceAffected(mesh, start))
        return;
    const uint32_t startSide = mirrored ? side(start) : 0;
    processWithMirror(start);
    stack.Add({start, 0});
    accept(start);
    while (unsigned depth = stack.GetItemCount()) {
        // The top face's edges are tried in order up to the first neighbour the walk goes on
        // with; the face is left when none is left.
        const unsigned face = stack.GetBuffer()[depth - 1].m_iFaceIndex;
        unsigned slot = stack.GetBuffer()[depth - 1].m_iEdgesProcessed;
        unsigned g = ~0u;
        while (slot < n && g == ~0u) {
            const int32_t entry = faces.GetBuffer()[face].m_iAdjacent[slot++];
            if (entry < 0 || !TV_CHECK(unsigned(entry) / n < count))
                continue;
            const unsigned h = unsigned(entry) / n;
            if (faces.GetBuffer()[h].m_iStamp != mesh.m_iStamp && op.IsFaceAffected(mesh, h) &&
                (!mirrored || side(h) == startSide))
                g = h;
        }
        stack.GetBuffer()[depth - 1].m_iEdgesProcessed = slot;
        if (g == ~0u) {
            stack.SetItemCount(depth - 1, true);
            continue;
        }
        // A neighbour that the stack cannot take is skipped.
        if (stack.Add({g, 0}) < 0)
            continue;
        accept(g);
        processWithMirror(g);
        if (MeshSwitches::s_bOutOfMemory) {
            MeshSwitches::s_bOutOfMemory = false;
            General::Shell().CriticalMessage(QCoreApplication::translate(
                "Mesh", "The application has run out of memory and the operation is interrupted!"));
            Log("Out of memory in CollectFaces\n");
            break;
        }
    }
}

}  // namespace

void Mesh::CollectFaces(unsigned start, FaceVisitor &op, bool symmetric)
{
    const bool mirrored = symmetric && IsSymmetryComplete();
    if (start < m_iFaceCount)
        WithFaces([&](auto &faces) { WalkDepthFirst(*this, faces, start, op, mirrored); });
    ++m_iStamp;
}

void Mesh::CollectFacesBreadthFirst(unsigned start, FaceVisitor &op)
{
    if (start >= m_iFaceCount || !op.IsFaceAffected(*this, start)) {
        ++m_iStamp;
        return;
    }
    const unsigned n = Corners();
    auto stamp = [&](unsigned face) -> uint32_t & {
        return WithFaces([&](auto &faces) -> uint32_t & { return faces[face].m_iStamp; });
    };
    General::Store<WalkEntry> &queue = WalkStack();
    queue.SetItemCount(0, true);
    op.ProcessFace(*this, start);
    stamp(start) = m_iStamp;
    queue.Add({start, 0});
    for (unsigned position = 0; position < queue.GetItemCount(); ++position) {
        const unsigned face = queue[position].m_iFaceIndex;
        TV_ASSERT(face < m_iFaceCount);
        for (unsigned slot = 0; slot < n; ++slot) {
            const int32_t entry = WithFaces([&](const auto &faces) { return faces[face].m_iAdjacent[slot]; });
            if (entry < 0)
                continue;
            const unsigned g = unsigned(entry) / n;
            if (!TV_CHECK(g < m_iFaceCount) || stamp(g) == m_iStamp || !op.IsFaceAffected(*this, g))
                continue;
            if (queue.Add({g, 0}) < 0)
                continue;
            stamp(g) = m_iStamp;
            op.ProcessFace(*this, g);
        }
    }
    ++m_iStamp;
}

void Mesh::CollectVertices(unsigned start, VertexVisitor &op)
{
    op.BeginWalk(*this);
    VertexCollector collector(op);
    CollectFaces(start, collector, false);
}
