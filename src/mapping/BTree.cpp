#include "mapping/BTree.h"

#include "foundation/math/AABB.h"
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

namespace BTree {

namespace {

constexpr unsigned kLeafFaces = 5;
constexpr unsigned kBytesPerFace = 20;
constexpr uint64_t kLargestHeap = 0xFFFFFFFFu;

// The node stack of one walk, on the walking thread's own stack.
class NodeStack {
public:
    bool Push(const Node *node)
    {
        if (!TV_CHECK(m_iCount < m_aNodes.size()))
            return false;
        m_aNodes[m_iCount++] = node;
        return true;
    }
    const Node *Pop() { return m_aNodes[--m_iCount]; }
    bool IsEmpty() const { return m_iCount == 0; }

private:
    // A depth-first walk holds at most one pending sibling per level.
    std::array<const Node *, Tree::kMaxDepth + 2> m_aNodes;
    unsigned m_iCount = 0;
};

}  // namespace

Ray::Ray(const General::Vector &start, const General::Vector &end)
    : m_vStart(start), m_vEnd(end), m_vDirection(end - start)
{
    const float length2 = m_vDirection.Dot(m_vDirection);
    m_fInvLength2 = length2 > 0.0f ? 1.0f / length2 : 0.0f;
}

Tree::Tree() = default;

Tree::~Tree() = default;

bool Tree::AllocateHeap(unsigned bytes)
{
    if (m_aData.GetCapacity())
        Log("\tBTree: Changing heap size from %u to %u\n", m_iHeapSize, bytes);
    else
        Log("\tBTree: Allocating heap with size %u\n", bytes);
    if (bytes > m_aData.GetCapacity() && !m_aData.Reserve(bytes, false))
        return false;
    m_aData.SetItemCount(bytes, true);
    m_aData.Fill(0x55);
    m_iHeapSize = bytes;
    m_iDataSize = 0;
    m_iNodeCount = 0;
    m_iMaxDepth = 0;
    return true;
}

uint32_t Tree::Take(unsigned n)
{
    if (uint64_t(m_iDataSize) + n > m_iHeapSize)
        return Node::kNoLink;
    // Every byte is taken once per build: a used byte here means the heap was overrun.
    TV_ASSERT(m_aData.GetBuffer()[m_iDataSize] == 0x55);
    const uint32_t offset = m_iDataSize;
    m_iDataSize += n;
    return offset;
}

General::Vector Tree::CornerPosition(unsigned face, unsigned corner) const
{
    return m_pMesh->CornerPosition(face, corner);
}

General::Vector Tree::CornerNormal(unsigned face, unsigned corner) const
{
    return UnpackNormal(m_pMesh->m_pVertices[m_pMesh->FaceVertexIndex(face, corner)].m_aNormal);
}

bool Tree::Build(Mesh &mesh, General::Store<unsigned int> &faces, float firstOffset, float secondOffset)
{
    m_pMesh = &mesh;
    m_fFirstOffset = firstOffset;
    m_fSecondOffset = secondOffset;
    m_iHeapSize = m_iDataSize = 0;
    m_iNodeCount = m_iMaxDepth = 0;
    m_iRoot = Node::kNoLink;
    const bool listed = faces.GetItemCount() != 0;
    m_iFaceCount = listed ? faces.GetItemCount() : mesh.m_iFaceCount;
    m_iMeshFaceCount = mesh.m_iFaceCount;
    if (!m_iFaceCount)
        return true;

    General::Store<FaceInfo> records("btree faceinfo");
    if (!records.SetItemCount(m_iFaceCount, false)) {
        m_iFaceCount = 0;
        return false;
    }
    uint64_t heapSize = uint64_t(m_iFaceCount) * kBytesPerFace;
    bool built = false;
    while (!built) {
        // The heap is addressed by 32-bit offsets.
        m_iRoot = Node::kNoLink;
        if (heapSize > kLargestHeap) {
            Log("\tBTree: the tree over %u faces needs more than 4 GB\n", m_iFaceCount);
            m_iFaceCount = 0;
            return false;
        }
        for (unsigned i = 0; i < m_iFaceCount; ++i)
            records[i] = FaceInfo{listed ? faces[i] : i, 0.0f};
        if (!AllocateHeap(unsigned(heapSize))) {
            m_iFaceCount = 0;
            return false;
        }
        General::Progress().Start(QCoreApplication::translate("BTree", "creating balanced tree..."), heapSize, 100);
        heapSize += heapSize / 8;
        try {
            m_iRoot = Take(sizeof(Node));
            built = BuildNode(m_iRoot, records.begin(), m_iFaceCount, 0);
        } catch (const Cancelled &) {
            General::Progress().End();
            m_iRoot = Node::kNoLink;
            m_iFaceCount = 0;
            return false;
        }
        General::Progress().End();
    }
    if (MeshSwitches::s_bVerbose) {
        // A bare mesh, or a working copy of a level, has no object to name.
        Object *object = General::TypeInfo::IsKindOf(mesh.GetTypeInfo(), &SubdivLevel::s_typeInfo)
                             ? static_cast<SubdivLevel &>(mesh).m_pObject
                             : nullptr;
        Log("Balanced tree ready for %s\n", object ? qPrintable(object->GetName()) : "");
        Log("\tnode count: %u\n", m_iNodeCount);
        Log("\tmax depth: %u\n", m_iMaxDepth);
        const Node *root = GetRoot();
        Log("\troot: (%f, %f, %f)-%f\n", double(root->m_vCenter.x), double(root->m_vCenter.y),
            double(root->m_vCenter.z), double(root->m_fRadius2));
    }
    return true;
}

bool Tree::BuildNode(uint32_t offset, FaceInfo *records, unsigned n, unsigned depth)
{
    ++m_iNodeCount;
    m_iMaxDepth = std::max(m_iMaxDepth, depth);
    General::Progress().AdvanceTo(m_iDataSize);
    if (offset == Node::kNoLink)
        return false;
    if (General::Shell().TakeCancelRequest())
        throw Cancelled{};

    const unsigned corners = m_pMesh->Corners();
    AABB box;
    const bool offsets = m_fFirstOffset != 0.0f || m_fSecondOffset != 0.0f;
    for (unsigned i = 0; i < n; ++i)
        for (unsigned c = 0; c < corners; ++c) {
            const General::Vector p = CornerPosition(records[i].m_iFace, c);
            if (!offsets) {
                box.Extend(p);
                continue;
            }
            // The boxes cover the shell between the two offset surfaces.
            const General::Vector normal = CornerNormal(records[i].m_iFace, c);
            box.Extend(p + normal * m_fFirstOffset);
            box.Extend(p + normal * m_fSecondOffset);
        }
    const General::Vector center = (box.m_vMin + box.m_vMax) * 0.5f;
    float radius2 = 0.0f;
    for (unsigned i = 0; i < n; ++i)
        for (unsigned c = 0; c < corners; ++c) {
            const General::Vector d = CornerPosition(records[i].m_iFace, c) - center;
            radius2 = std::max(radius2, d.Dot(d));
        }
    Node *node = new (m_aData.GetBuffer() + offset) Node{center, radius2, Node::kNoLink, Node::kNoLink};

    if (n <= kLeafFaces) {
        const uint32_t list = Take((n + 1) * sizeof(uint32_t));
        if (list == Node::kNoLink)
            return false;
        uint32_t *indices = reinterpret_cast<uint32_t *>(m_aData.GetBuffer() + list);
        for (unsigned i = 0; i < n; ++i)
            indices[i] = records[i].m_iFace;
        indices[n] = Node::kEndOfFaces;
        node->m_iFirst = list;
        return true;
    }

    const General::Vector extent = box.m_vMax - box.m_vMin;
    int axis = 0;  // ties go to x
    if (extent.y > extent.x && extent.y > extent.z)
        axis = 1;
    else if (extent.z > extent.x && extent.z > extent.y)
        axis = 2;
    for (unsigned i = 0; i < n; ++i) {
        const General::Vector p = CornerPosition(records[i].m_iFace, 0);
        records[i].m_fKey = axis == 0 ? p.x : axis == 1 ? p.y : p.z;
    }
    std::sort(records, records + n, [](const FaceInfo &a, const FaceInfo &b) {
        return a.m_fKey < b.m_fKey || (a.m_fKey == b.m_fKey && a.m_iFace < b.m_iFace);
    });

    // Depth first: the whole first subtree precedes the second child in the heap.
    const unsigned half = n / 2;
    const uint32_t first = Take(sizeof(Node));
    node->m_iFirst = first;
    if (!BuildNode(first, records, half, depth + 1))
        return false;
    const uint32_t second = Take(sizeof(Node));
    node->m_iSecond = second;
    return BuildNode(second, records + half, n - half, depth + 1);
}

void Tree::Pick(Visitor &visitor, const Ray &ray, float &smallestRadius2, unsigned threadId, const Node *start) const
{
    if (threadId >= 2) {
        AssertFailed(__FILE__, __LINE__, "!(iThreadID >= 2)", nullptr);
        return;
    }
    if (!start)
        start = GetRoot();
    if (!start)
        return;
    NodeStack stack;
    stack.Push(start);
    while (!stack.IsEmpty()) {
        const Node *node = stack.Pop();
        smallestRadius2 = std::min(smallestRadius2, node->m_fRadius2);
        if (!node->IsLeaf()) {
            for (uint32_t link : {node->m_iFirst, node->m_iSecond}) {
                const Node *child = NodeAt(link);
                const float t = (child->m_vCenter - ray.m_vStart).Dot(ray.m_vDirection) * ray.m_fInvLength2;
                const General::Vector nearest =
                    t < 0.0f ? ray.m_vStart : t > 1.0f ? ray.m_vEnd : ray.m_vStart + ray.m_vDirection * t;
                const General::Vector d = child->m_vCenter - nearest;
                if (child->m_fRadius2 >= d.Dot(d))
                    stack.Push(child);
                ++visitor.m_iSpheresTested;
            }
            continue;
        }
        for (const uint32_t *face = FacesAt(node->m_iFirst); *face != Node::kEndOfFaces; ++face) {
            if (*face >= m_pMesh->m_iFaceCount) {
                AssertFailed(__FILE__, __LINE__, "pNode->m_pFaceList[i] < m_pMesh->m_iFaceCount", nullptr);
                continue;
            }
            ++visitor.m_iFacesVisited;
            visitor.Face(*m_pMesh, *face);
        }
    }
}

bool Tree::IsFree(const General::Vector &point, float radius)
{
    const Node *root = GetRoot();
    if (!root)
        return true;
    NodeStack stack;
    stack.Push(root);
    while (!stack.IsEmpty()) {
        const Node *node = stack.Pop();
        if ((point - node->m_vCenter).Length() > std::sqrt(node->m_fRadius2) + radius)
            continue;
        if (node->IsLeaf())
            return false;
        stack.Push(NodeAt(node->m_iFirst));
        stack.Push(NodeAt(node->m_iSecond));
    }
    return true;
}

float Tree::GetRadius()
{
    const Node *root = GetRoot();
    return root ? std::sqrt(root->m_fRadius2) : 0.0f;
}

}  // namespace BTree
