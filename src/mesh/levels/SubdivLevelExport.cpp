// A level written as one group of a Wavefront OBJ text file.
#include "foundation/math/Matrix.h"
#include "foundation/Progress.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/ObjText.h"
#include "mesh/core/Placement.h"
#include "mesh/levels/SubdivLevel.h"

#include <QFile>

using namespace LevelBits;

namespace {

constexpr unsigned kNone = 0xFFFFFFFFu;

// Collects the lines and hands them to the file in large writes.
class ObjWriter {
public:
    ObjWriter(std::FILE *file, const General::Matrix &world, float scale) : m_pFile(file), m_world(world), m_fScale(scale) {}
    ~ObjWriter() { Flush(); }

    void Group(const QString &name, int level)
    {
        m_line.append("g ");
        m_line.append(name.toLocal8Bit());
        m_line.append('_');
        ObjText::AppendInt(m_line, level);
        m_line.append('\n');
    }
    void Position(const General::Vector &p)
    {
        const General::Vector w = m_world.Transform(p, 1.0f);
        m_line.append('v');
        for (float c : {w.x, w.y, w.z}) {
            m_line.append(' ');
            ObjText::AppendFixed(m_line, c * m_fScale);
        }
        m_line.append('\n');
        Check();
    }
    void TexCoord(const TC &tc)
    {
        m_line.append("vt ");
        ObjText::AppendFixed(m_line, tc.u);
        m_line.append(' ');
        ObjText::AppendFixed(m_line, tc.v);
        m_line.append('\n');
        Check();
    }
    void BeginFace() { m_line.append('f'); }
    void Corner(long long vertex, long long tc, bool withTC)
    {
        m_line.append(' ');
        ObjText::AppendInt(m_line, vertex);
        if (withTC) {
            m_line.append('/');
            ObjText::AppendInt(m_line, tc);
        }
    }
    void EndFace()
    {
        m_line.append('\n');
        Check();
    }
    bool Flush()
    {
        if (!m_line.isEmpty() && !m_bError &&
            std::fwrite(m_line.constData(), 1, size_t(m_line.size()), m_pFile) != size_t(m_line.size())) {
            m_bError = true;
            Log("Could not write the OBJ export. Disk may be full.\n");
        }
        m_line.clear();
        return !m_bError;
    }
    bool HasError() const { return m_bError; }

private:
    void Check()
    {
        if (m_line.size() > 0x10000)
            Flush();
    }

    std::FILE *m_pFile;
    General::Matrix m_world;
    float m_fScale;
    QByteArray m_line;
    bool m_bError = false;
};

// The corners of one face with their written numbers.
template <class Face>
bool FaceHasTCs(const Face &face, unsigned tcCount)
{
    for (unsigned c = 0; c < Face::kCorners; ++c)
        if (uint32_t(face.m_iTCI[c]) >= tcCount)
            return false;
    return true;
}

}  // namespace

bool SubdivLevel::ExportFacesOBJ(std::FILE *file, unsigned &vertexBase, unsigned &tcBase, unsigned &progress,
                                 unsigned total, bool selectedOnly, bool withTCs, float scale)
{
    if (!file)
        return false;
    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("exporting..."), total, 50);
    auto item = [&]() { meter.AdvanceTo(++progress); };

    General::Matrix world;
    if (Placement *placement = GetPlacement())
        world = placement->GetFullMatrix();
    ObjWriter out(file, world, scale);
    out.Group(GetObjectName(), GetLevelIndex());

    const unsigned vertexCount = std::min(m_iVertexCount, m_pVertices.GetItemCount());
    const unsigned tcCount = std::min(m_iTCCount, m_pTCs.GetItemCount());
    const bool whole = !selectedOnly || m_iSelectedFaces == m_iFaceCount;
    General::Store<unsigned int> vertexNumbers(whole ? "subdiv export vertices" : "subdiv export indices");
    General::Store<unsigned int> tcNumbers("subdiv export tcs");
    if (!vertexNumbers.SetItemCount(vertexCount, false)) {
        out.Flush();
        meter.End();
        return false;
    }
    unsigned writtenVertices = 0, writtenTCs = 0;
    bool tcsWritten = false;

    if (whole) {
        // Vertices of a partial level go out in increasing global index.
        const bool mapped = m_aVertexMap.GetItemCount() == vertexCount && vertexCount;
        if (mapped)
            m_aVertexMap.Sort(General::Map::kBySecond);
        vertexNumbers.Fill(kNone);
        for (unsigned i = 0; i < vertexCount; ++i) {
            const unsigned k = mapped ? unsigned(m_aVertexMap[i].first) : i;
            if (!TV_CHECK(k < vertexCount) || vertexNumbers[k] != kNone)
                continue;
            vertexNumbers[k] = writtenVertices++;
            out.Position(m_pVertices[k].m_vPosition);
            item();
        }
        if (withTCs && tcCount && tcCount == m_iTCCount) {
            for (unsigned t = 0; t < tcCount; ++t) {
                out.TexCoord(m_pTCs[t]);
                item();
            }
            writtenTCs = tcCount;
            tcsWritten = true;
        }
    } else {
        // Only what the selected faces use, numbered in order of first use.
        vertexNumbers.Fill(kNone);
        const bool withTCTable = tcCount && tcNumbers.SetItemCount(tcCount, false);
        if (withTCTable)
            tcNumbers.Fill(kNone);
        WithFaces([&](auto &faces) {
            const unsigned count = std::min(m_iFaceCount, faces.GetItemCount());
            bool selected = false;
            for (unsigned f = 0; f < count; ++f) {
                const auto &face = faces[f];
                if (face.kCorners == 4 || !(face.m_iIndices[2] & MeshFlags::kBit31))
                    selected = IsSelected(face);
                if (!selected)
                    continue;
                for (unsigned c = 0; c < face.kCorners; ++c) {
                    const unsigned v = CornerVertex(face, c);
                    if (v < vertexCount && vertexNumbers[v] == kNone) {
                        vertexNumbers[v] = writtenVertices++;
                        out.Position(m_pVertices[v].m_vPosition);
                        item();
                    }
                }
            }
            if (!withTCTable)
                return;
            for (unsigned f = 0; f < count; ++f) {
                const auto &face = faces[f];
                if (face.kCorners == 4 || !(face.m_iIndices[2] & MeshFlags::kBit31))
                    selected = IsSelected(face);
                if (!selected)
                    continue;
                for (unsigned c = 0; c < face.kCorners; ++c) {
                    const uint32_t t = uint32_t(face.m_iTCI[c]);
                    if (t < tcCount && tcNumbers[t] == kNone) {
                        tcNumbers[t] = writtenTCs++;
                        out.TexCoord(m_pTCs[t]);
                        item();
                    }
                }
            }
        });
        tcsWritten = withTCTable;
    }

    // Faces; a triangle fan is one polygon line.
    auto tcNumber = [&](uint32_t t) { return whole ? t : tcNumbers[t]; };
    WithFaces([&](auto &faces) {
        const unsigned count = std::min(m_iFaceCount, faces.GetItemCount());
        bool open = false, polygonTCs = false, selected = true;
        for (unsigned f = 0; f < count; ++f) {
            auto &face = faces[f];
            const bool continues = face.kCorners == 3 && (face.m_iIndices[2] & MeshFlags::kBit31) && f > 0;
            // A polygon is selected by its first triangle.
            if (!continues)
                selected = whole || IsSelected(face);
            if (!selected)
                continue;
            if (continues && open) {
                const unsigned v = CornerVertex(face, 2);
                const uint32_t t = uint32_t(face.m_iTCI[2]);
                out.Corner(vertexNumbers[v < vertexCount ? v : 0] + 1ll + vertexBase, tcNumber(t < tcCount ? t : 0) + 1ll + tcBase,
                           polygonTCs && t < tcCount);
            } else {
                if (open)
                    out.EndFace();
                polygonTCs = tcsWritten && FaceHasTCs(face, tcCount);
                out.BeginFace();
                for (unsigned c = 0; c < face.kCorners; ++c) {
                    const unsigned v = CornerVertex(face, c);
                    const uint32_t t = uint32_t(face.m_iTCI[c]);
                    out.Corner(vertexNumbers[v < vertexCount ? v : 0] + 1ll + vertexBase,
                               tcNumber(t < tcCount ? t : 0) + 1ll + tcBase, polygonTCs);
                }
                open = face.kCorners == 3;
                if (!open)
                    out.EndFace();
            }
            if (!whole)
                face.m_iStamp = 0;
            item();
        }
        if (open)
            out.EndFace();
    });

    vertexBase += writtenVertices;
    tcBase += writtenTCs;
    const bool ok = out.Flush();
    meter.End();
    return ok;
}
