// Tangent frames of a mesh, one per buffer vertex, built by a tangent-space configuration.
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "mesh/core/Mesh.h"
#include "mesh/surface/TangentConfig.h"

#include <QCoreApplication>

#include <new>
#include <utility>

namespace {

using General::Vector;
using Surface::TangentConfig;

// Ends the progress display however the calculation leaves.
struct ProgressScope {
    ~ProgressScope() { General::Progress().End(); }
};

void FinishFrame(General::Base &frame, const TangentConfig &config)
{
    Vector &t = frame.m_vTangent;
    Vector &n = frame.m_vNormal;
    Vector &b = frame.m_vBinormal;

    int derive = config.m_aDeriveAxis.GetValue();
    if (derive == TangentConfig::kDeriveShortest)
        derive = b.Length() < t.Length() ? TangentConfig::kDeriveBinormal : TangentConfig::kDeriveTangent;

    t.Normalize();
    n.Normalize();
    b.Normalize();

    if (config.m_aOrthogonalizeTangentToNormal.GetValue())
        t.MakeOrthogonal(n);
    if (config.m_aOrthogonalizeBinormalToNormal.GetValue())
        b.MakeOrthogonal(n);
    if (config.m_aOrthogonalizeBinormalToTangent.GetValue())
        b.MakeOrthogonal(t);
    if (config.m_aOrthogonalizeTangentToBinormal.GetValue())
        t.MakeOrthogonal(b);

    switch (derive) {
    case TangentConfig::kDeriveNormal:
        n = t.Cross(b);
        break;
    case TangentConfig::kDeriveTangent:
        t = b.Cross(n);
        break;
    case TangentConfig::kDeriveBinormal:
        b = n.Cross(t);
        break;
    default:
        break;
    }

    if (config.m_aSwitchTangentWithBinormal.GetValue())
        std::swap(t, b);
    if (config.m_aFlipNormal.GetValue())
        n *= -1.0f;
    if (config.m_aFlipTangent.GetValue())
        t *= -1.0f;
    if (config.m_aFlipBinormal.GetValue())
        b *= -1.0f;

    const float d = b.Dot(t.Cross(n));
    const int orientation = config.m_aOrientation.GetValue();
    if ((orientation == TangentConfig::kRightHanded && d > 0.0f) ||
        (orientation == TangentConfig::kLeftHanded && d < 0.0f))
        b *= -1.0f;
}

}  // namespace

void Mesh::CalculateTangents(const Surface::TangentConfig &config)
{
    const unsigned n = Corners();
    m_iIndexMode = config.m_aIndexSource.GetValue();
    if (m_iIndexMode < 0 || m_iIndexMode > 3)
        throw General::Error(0, QCoreApplication::translate("Mesh", "Invalid mesh data"));
    if (m_iIndexMode == 3) {
        if (!m_aCornerIndexTable.SetItemCount(n * m_iFaceCount, false))
            throw std::bad_alloc();
        for (unsigned i = 0; i < m_aCornerIndexTable.GetItemCount(); ++i)
            m_aCornerIndexTable[i] = i;
    } else {
        m_aCornerIndexTable.Clear();
    }

    if (m_iTCCount == 0)
        return;

    unsigned frames = 0;
    switch (m_iIndexMode) {
    case 0:
        frames = m_iVertexCount;
        break;
    case 1:
        frames = m_iTCCount;
        break;
    default:
        frames = n * m_iFaceCount;
        break;
    }
    if (!m_aTNB.SetItemCount(frames, false)) {
        m_aTNB.Clear();
        throw std::bad_alloc();
    }
    const Vector zero(0.0f, 0.0f, 0.0f);
    m_aTNB.Fill(General::Base{zero, zero, zero});

    General::Progress().Start(QStringLiteral("calculating tangents..."), m_iFaceCount, 100);
    ProgressScope progress;

    unsigned vertex[4], tc[4], buffer[4];
    for (unsigned face = 0; face < m_iFaceCount; ++face) {
        WithFaces([&](const auto &faces) {
            for (unsigned k = 0; k < n; ++k) {
                vertex[k] = faces[face].m_iIndices[k] & MeshFlags::kIndexMask;
                tc[k] = unsigned(faces[face].m_iTCI[k]);
            }
        });
        for (unsigned k = 0; k < n; ++k)
            buffer[k] = GetCornerIndex(face, k);
        for (unsigned k = 0; k < n; ++k) {
            const unsigned e = (k + 1) % n;
            AddEdgeTangents(vertex[k], vertex[e], tc[k], tc[e], 0.0f, buffer[k], buffer[e]);
        }
        General::Progress().Advance();
    }

    if (config.m_aUseVertexNormals.GetValue()) {
        for (unsigned face = 0; face < m_iFaceCount; ++face) {
            for (unsigned k = 0; k < n; ++k) {
                const unsigned frame = GetCornerIndex(face, k);
                const unsigned v = FaceVertexIndex(face, k);
                if (TV_CHECK(frame < frames && v < m_iVertexCount))
                    m_aTNB[frame].m_vNormal = UnpackNormal(m_pVertices[v].m_aNormal);
            }
        }
    }

    for (General::Base &frame : m_aTNB)
        FinishFrame(frame, config);
}
