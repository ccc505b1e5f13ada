// The stamped face walks that collect the faces and vertices under a brush.
#include "mesh/core/FaceVisitor.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshSwitches.h"

#include "foundation/ShellServices.h"

#include <QCoreApplication>

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
        bool any = false;
        const unsigned n = mesh.Corners();
        for (unsigned c = 0; c < n; ++c) {
            const unsigned vertex = mesh.FaceVertexIndex(face, c);
            if (TV_CHECK(vertex < mesh.m_iVertexCount))
                any = ProcessVertex(mesh, face, vertex) || any;
        }
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

}  // namespace

void Mesh::CollectFaces(unsigned start, FaceVisitor &op, bool symmetric)
{
    const unsigned n = Corners();
    const bool mirrored = symmetric && IsSymmetryComplete();
    auto side = [&](unsigned face) { return m_aSymmetry[face] >> 31; };
    auto processWithMirror = [&](unsigned face) {
        op.ProcessFace(*this, face);
        if (mirrored && m_aSymmetry[face] != 0xFFFFFFFF) {
            const unsigned mirror = (m_aSymmetry[face] & 0x7FFFFFFF) / n;
            if (TV_CHECK(mirror < m_iFaceCount))
                op.ProcessFace(*this, mirror);
        }
    };
    auto stamp = [&](unsigned face) -> uint32_t & {
        return WithFaces([&](auto &faces) -> uint32_t & { return faces[face].m_iStamp; });
    };

    General::Store<WalkEntry> &stack = WalkStack();
    stack.SetItemCount(0, true);
    if (start < m_iFaceCount && op.IsFaceAffected(*this, start)) {
        const uint32_t startSide = mirrored ? side(start) : 0;
        processWithMirror(start);
        stack.Add({start, 0});
        stamp(start) = m_iStamp;
        while (stack.HasItems()) {
            WalkEntry &top = stack[stack.GetItemCount() - 1];
            if (top.m_iEdgesProcessed >= n) {
                stack.SetItemCount(stack.GetItemCount() - 1, true);
                continue;
            }
            TV_ASSERT(top.m_iFaceIndex < m_iFaceCount);
            const unsigned slot = top.m_iEdgesProcessed++;
            const int32_t entry = WithFaces([&](const auto &faces) { return faces[top.m_iFaceIndex].m_iAdjacent[slot]; });
            if (entry < 0)
                continue;
            const unsigned g = unsigned(entry) / n;
            if (!TV_CHECK(g < m_iFaceCount))
                continue;
            if (stamp(g) == m_iStamp || !op.IsFaceAffected(*this, g) || (mirrored && side(g) != startSide))
                continue;
            // A neighbour that the stack cannot take is skipped.
            if (stack.Add({g, 0}) < 0)
                continue;
            stamp(g) = m_iStamp;
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
    VertexCollector collector(op);
    CollectFaces(start, collector, false);
}
