#include "mapping/BoxTree.h"

#include "mapping/BTree.h"
#include "mesh/core/Mesh.h"

#include <algorithm>
#include <cmath>

namespace BTree {

bool BoxTree::Build(const Tree &tree, const Mesh &mesh)
{
    Clear();
    if (!tree.GetRoot())
        return true;
    // One box per node of the tree; its leaves hold every face once.
    if (!m_aNodes.Reserve(tree.GetNodeCount(), false) || !m_aFaces.Reserve(tree.GetFaceCount(), false))
        return false;
    bool ok = true;
    Add(tree, mesh, tree.GetRootOffset(), 0, ok);
    if (!ok)
        Clear();
    return ok;
}

void BoxTree::Clear()
{
    m_aNodes.Clear();
    m_aFaces.Clear();
}

uint64_t BoxTree::GetMemorySize() const
{
    return uint64_t(m_aNodes.GetCapacity()) * sizeof(Node) + uint64_t(m_aFaces.GetCapacity()) * sizeof(uint32_t);
}

uint32_t BoxTree::Add(const Tree &tree, const Mesh &mesh, uint32_t offset, unsigned depth, bool &ok)
{
    const BTree::Node &source = *tree.NodeAt(offset);
    const uint32_t index = m_aNodes.GetItemCount();
    if (!ok || depth > 64 || m_aNodes.Add(Node{}) < 0) {
        ok = false;
        return index;
    }
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    if (source.IsLeaf()) {
        const uint32_t first = m_aFaces.GetItemCount();
        const unsigned corners = mesh.Corners();
        for (const uint32_t *face = tree.FacesAt(source.m_iFirst); *face != BTree::Node::kEndOfFaces; ++face) {
            if (*face >= mesh.m_iFaceCount)
                continue;
            if (m_aFaces.Add(*face) < 0) {
                ok = false;
                return index;
            }
            for (unsigned c = 0; c < corners; ++c) {
                const General::Vector p = mesh.CornerPosition(*face, c);
                const float xyz[3] = {p.x, p.y, p.z};
                for (int a = 0; a < 3; ++a) {
                    low[a] = std::min(low[a], xyz[a]);
                    high[a] = std::max(high[a], xyz[a]);
                }
            }
        }
        m_aNodes[index].m_iSecond = kLeaf | (m_aFaces.GetItemCount() - first);
        m_aNodes[index].m_iFaces = first;
    } else {
        const uint32_t first = Add(tree, mesh, source.m_iFirst, depth + 1, ok);
        const uint32_t second = Add(tree, mesh, source.m_iSecond, depth + 1, ok);
        if (!ok)
            return index;
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(m_aNodes[first].m_aLow[a], m_aNodes[second].m_aLow[a]);
            high[a] = std::max(m_aNodes[first].m_aHigh[a], m_aNodes[second].m_aHigh[a]);
        }
        m_aNodes[index].m_iSecond = second;
        m_aNodes[index].m_iFaces = 0;
    }
    // Widened by a little more than float rounding, so that a hit found on a face is
    // always inside the boxes around it.
    for (int a = 0; a < 3; ++a) {
        if (low[a] > high[a]) {
            m_aNodes[index].m_aLow[a] = m_aNodes[index].m_aHigh[a] = 0.0f;
            continue;
        }
        const float pad = 1e-5f * (std::fabs(low[a]) + std::fabs(high[a]) + (high[a] - low[a])) + 1e-30f;
        m_aNodes[index].m_aLow[a] = low[a] - pad;
        m_aNodes[index].m_aHigh[a] = high[a] + pad;
    }
    return index;
}

}  // namespace BTree
