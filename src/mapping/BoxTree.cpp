#include "mapping/BoxTree.h"

#include "mapping/BTree.h"
#include "mesh/core/Mesh.h"

#include <algorithm>
#include <cmath>

namespace BTree {

namespace {

// Widened by a little more than float rounding, so that a hit found on a face is always
// inside the boxes around it. An axis with nothing in it gets a point box.
void Pad(float low[3], float high[3])
{
    for (int a = 0; a < 3; ++a) {
        if (low[a] > high[a]) {
            low[a] = high[a] = 0.0f;
            continue;
        }
        const float pad = 1e-5f * (std::fabs(low[a]) + std::fabs(high[a]) + (high[a] - low[a])) + 1e-30f;
        low[a] -= pad;
        high[a] += pad;
    }
}

}  // namespace

bool BoxTree::Build(const Tree &tree, const Mesh &mesh)
{
    Clear();
    if (!tree.GetRoot())
        return true;
    // About one node per three inner nodes of the tree; two triangles per quad, four to a packet.
    const unsigned triangles = tree.GetFaceCount() * (mesh.Corners() == 4 ? 2u : 1u);
    if (!m_aNodes.Reserve(tree.GetNodeCount() / 6 + 1, false) || !m_aPackets.Reserve(triangles / 4 + 1, false))
        return false;
    Child root{};
    if (!Add(tree, mesh, tree.GetRootOffset(), 0, root)) {
        Clear();
        return false;
    }
    std::copy(root.m_aLow, root.m_aLow + 3, m_aRootLow);
    std::copy(root.m_aHigh, root.m_aHigh + 3, m_aRootHigh);
    m_iRoot = root.m_iLink;
    return true;
}

void BoxTree::Clear()
{
    m_aNodes.Clear();
    m_aPackets.Clear();
    m_iRoot = kNoTriangle;
}

uint64_t BoxTree::GetMemorySize() const
{
    return uint64_t(m_aNodes.GetCapacity()) * sizeof(Node) + uint64_t(m_aPackets.GetCapacity()) * sizeof(Packet);
}

bool BoxTree::AddLeaf(const Tree &tree, const Mesh &mesh, uint32_t offset, Child &out)
{
    const bool quads = mesh.Corners() == 4;
    const uint32_t first = m_aPackets.GetItemCount();
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    unsigned count = 0;
    for (const uint32_t *face = tree.FacesAt(tree.NodeAt(offset)->m_iFirst); *face != BTree::Node::kEndOfFaces; ++face) {
        if (*face >= mesh.m_iFaceCount)
            continue;
        for (unsigned half = 0; half < (quads ? 2u : 1u); ++half, ++count) {
            const unsigned lane = count % 4;
            if (lane == 0) {
                Packet empty{};
                std::fill(empty.m_aTriangle, empty.m_aTriangle + 4, kNoTriangle);
                if (m_aPackets.Add(empty) < 0)
                    return false;
            }
            Packet &packet = m_aPackets[m_aPackets.GetItemCount() - 1];
            General::Vector p[3];
            for (unsigned k = 0; k < 3; ++k)
                p[k] = mesh.CornerPosition(*face, quads ? kQuadHalves[half][k] : k);
            const General::Vector e1 = p[1] - p[0], e2 = p[2] - p[0];
            const float corner[3] = {p[0].x, p[0].y, p[0].z}, edge1[3] = {e1.x, e1.y, e1.z},
                        edge2[3] = {e2.x, e2.y, e2.z};
            for (int a = 0; a < 3; ++a) {
                packet.m_aCorner[a][lane] = corner[a];
                packet.m_aEdge1[a][lane] = edge1[a];
                packet.m_aEdge2[a][lane] = edge2[a];
            }
            packet.m_aTriangle[lane] = quads ? 2 * *face + half : *face;
        }
        for (unsigned c = 0; c < mesh.Corners(); ++c) {
            const General::Vector p = mesh.CornerPosition(*face, c);
            const float xyz[3] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], xyz[a]);
                high[a] = std::max(high[a], xyz[a]);
            }
        }
    }
    // The link holds the count and the first packet; a leaf beyond them is refused.
    if (count > kCountMask || first > kFirstMask)
        return false;
    Pad(low, high);
    std::copy(low, low + 3, out.m_aLow);
    std::copy(high, high + 3, out.m_aHigh);
    out.m_iLink = kLeaf | (count << kCountShift) | first;
    return true;
}

bool BoxTree::Add(const Tree &tree, const Mesh &mesh, uint32_t offset, unsigned depth, Child &out)
{
    const BTree::Node &source = *tree.NodeAt(offset);
    if (depth > Tree::kMaxDepth)
        return false;
    if (source.IsLeaf())
        return AddLeaf(tree, mesh, offset, out);
    // Depth first: a node precedes the nodes below it.
    const uint32_t index = m_aNodes.GetItemCount();
    if (index & kLeaf || m_aNodes.Add(Node{}) < 0)
        return false;
    // The children of an inner child take its place: two levels of the tree per node.
    Child parts[4];
    unsigned used = 0;
    for (uint32_t link : {source.m_iFirst, source.m_iSecond}) {
        const BTree::Node &child = *tree.NodeAt(link);
        if (child.IsLeaf()) {
            if (!AddLeaf(tree, mesh, link, parts[used++]))
                return false;
            continue;
        }
        for (uint32_t grandchild : {child.m_iFirst, child.m_iSecond})
            if (!Add(tree, mesh, grandchild, depth + 2, parts[used++]))
                return false;
    }
    Node &node = m_aNodes[index];
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (unsigned s = 0; s < 4; ++s) {
        for (int a = 0; a < 3; ++a) {
            node.m_aLow[a][s] = s < used ? parts[s].m_aLow[a] : INFINITY;
            node.m_aHigh[a][s] = s < used ? parts[s].m_aHigh[a] : -INFINITY;
            if (s < used) {
                low[a] = std::min(low[a], parts[s].m_aLow[a]);
                high[a] = std::max(high[a], parts[s].m_aHigh[a]);
            }
        }
        node.m_aChild[s] = s < used ? parts[s].m_iLink : kLeaf;
    }
    Pad(low, high);
    std::copy(low, low + 3, out.m_aLow);
    std::copy(high, high + 3, out.m_aHigh);
    out.m_iLink = index;
    return true;
}

}  // namespace BTree
