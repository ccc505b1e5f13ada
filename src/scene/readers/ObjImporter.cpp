#include "scene/readers/ObjImporter.h"

#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "mesh/object/Object.h"
#include "scene/BTreeSpace.h"
#include "scene/LevelFileBin.h"
#include "scene/readers/ImportedFaces.h"
#include "scene/readers/ParallelBlocks.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <cstring>
#include <algorithm>
#include <new>

namespace {

constexpr uint32_t kUnused = 0xFFFFFFFFu;
constexpr uint32_t kInside = 0x80000000u;
// Face corners keep vertex indices in 30 bits; larger meshes cannot be held.
constexpr uint32_t kMaxVertices = MeshFlags::kIndexMask;
constexpr uint32_t kMaxFaces = 0x7FFFFFFFu;

// The progress display of one pass, ended however the pass ends.
struct ProgressRun {
    ProgressRun(const QString &text, uint64_t total, uint64_t divisions)
    {
        General::Progress().Start(text, total, divisions);
    }
    ~ProgressRun() { General::Progress().End(); }
};

ObjImporter::Kind LineKind(const char *line)
{
    using Kind = ObjImporter::Kind;
    switch (line[0]) {
    case 'v':
        if (TextReader::IsBlank(line[1]))
            return Kind::Position;
        if (line[1] == 't' && TextReader::IsBlank(line[2]))
            return Kind::TexCoord;
        if (line[1] == 'n' && TextReader::IsBlank(line[2]))
            return Kind::Normal;
        return Kind::Other;
    case 'f':
        return TextReader::IsBlank(line[1]) || line[1] == 0 ? Kind::Face : Kind::Other;
    case 'g':
        return TextReader::IsBlank(line[1]) || line[1] == 0 ? Kind::Group : Kind::Other;
    default:
        return Kind::Other;
    }
}

}  // namespace

ObjImporter::ObjImporter(const char *path, BTree::Space *space) : Importer(space), m_sPath(QFile::decodeName(path))
{
    if (!m_cReader.Open(path)) {
        Log("Object not found <%s>, Current Folder <%s> ", path, QDir::currentPath().toLocal8Bit().constData());
        return;
    }
    m_iFileSize = m_cReader.GetFileSize();
}

ObjImporter::~ObjImporter() = default;

bool ObjImporter::Refuse(const QString &reason)
{
    Fail(reason);
    return false;
}

bool ObjImporter::Cancelled(uint64_t position, uint64_t &nextCheck, uint64_t step)
{
    if (position <= nextCheck)
        return false;
    nextCheck = position + step;
    General::Progress().AdvanceTo(position);
    // The request can only arrive while events run, which the meter does at its steps.
    return General::Shell().TakeCancelRequest();
}

void ObjImporter::ParseBlock(ParsedBlock &block, ParseWhat what)
{
    block.lines.clear();
    block.values.clear();
    block.corners.clear();
    char *const base = block.text.text.data();
    TextLines lines(block.text);
    uint32_t number = 0;
    for (char *text; (text = lines.Next()) != nullptr;) {
        ++number;
        const char *c = text;
        TextReader::SkipBlanks(c);
        const Kind kind = LineKind(c);
        if (kind == Kind::Other)
            continue;
        ParsedLine line{kind, false, number, uint32_t(text - base), 0, 0};
        switch (kind) {
        case Kind::Position:
        case Kind::TexCoord: {
            const bool position = kind == Kind::Position;
            if (!(position ? what.positions : what.texCoords))
                break;
            line.first = uint32_t(block.values.size());
            line.count = position ? 3 : 2;
            c += position ? 1 : 2;
            for (uint32_t i = 0; i < line.count; ++i) {
                TextReader::SkipBlanks(c);
                block.values.push_back(TextReader::ParseFloat(c));
            }
            break;
        }
        case Kind::Group: {
            // The name: after "g" and the blanks that follow, without trailing blanks, at most 63 bytes.
            ++c;
            TextReader::SkipBlanks(c);
            size_t length = std::strlen(c);
            while (length && TextReader::IsBlank(c[length - 1]))
                --length;
            line.first = uint32_t(c - base);
            line.count = uint32_t(std::min<size_t>(length, 63));
            break;
        }
        case Kind::Face: {
            line.first = uint32_t(block.corners.size());
            ++c;
            for (;;) {
                TextReader::SkipBlanks(c);
                if (*c == 0)
                    break;
                if (!(TextReader::IsDigit(*c) || *c == '-' || *c == '+')) {
                    line.badText = true;
                    break;
                }
                int32_t p, t = 0, n;
                if (what.faceTextures) {
                    TextReader::ParseCorner(c, p, t, n);
                } else {
                    p = TextReader::ParseInt(c);
                    TextReader::SkipCornerRest(c);
                }
                if (!TextReader::IsBlank(*c) && *c != 0) {
                    line.badText = true;
                    break;
                }
                block.corners.push_back(Corner{p, t});
            }
            line.count = uint32_t(block.corners.size() - line.first);
            break;
        }
        case Kind::Normal:
        case Kind::Other:
            break;
        }
        block.lines.push_back(line);
    }
    block.lineCount = number;
}

template <class Line>
bool ObjImporter::Pass(ParseWhat what, Line take, uint64_t &nextCheck, uint64_t step)
{
    // The taking up in order is a thread of its own.
    const unsigned threads = m_iThreads ? m_iThreads : ParallelBlocks::AvailableThreads();
    uint64_t linesBefore = 0;
    const auto cancelled = [&](uint64_t position) {
        return Cancelled(position, nextCheck, step) && !Refuse(QStringLiteral("The import was cancelled."));
    };
    return ParallelBlocks::Run<ParsedBlock>(
        m_cReader, threads - 1, m_iBlockSize, [what](ParsedBlock &block) { ParseBlock(block, what); },
        [&](ParsedBlock &block) {
            if (block.failed)
                throw std::bad_alloc();
            if (cancelled(block.text.offset))
                return false;
            for (const ParsedLine &line : block.lines) {
                m_iLine = linesBefore + line.line;
                if (cancelled(block.text.offset + line.offset) || !take(block, line))
                    return false;
            }
            linesBefore += block.lineCount;
            if (block.text.stop != TextBlock::Stop::None)
                return Refuse(TextReader::StopMessage(block.text.stop, linesBefore));
            return true;
        });
}

void ObjImporter::BeginMesh()
{
    MeshInfo info;
    info.m_iPosStart = info.m_iInsideEnd = m_iPositionCount;
    info.m_iTCStart = m_iTexCoordCount;
    info.m_iNormalStart = m_iNormalCount;
    info.m_iVertexListStart = m_cVertexList.GetItemCount();
    if (m_aOI.Add(info) < 0)
        throw std::bad_alloc();
}

bool ObjImporter::EndMesh(unsigned index)
{
    MeshInfo &mesh = m_aOI[index];
    mesh.m_iNormalEnd = m_iNormalCount;
    mesh.m_iTCEnd = m_iTexCoordCount;
    mesh.m_iPosEnd = m_iPositionCount;
    if (mesh.m_bQuads)
        mesh.m_iPrimitiveCount /= 2;
    // The kept vertices are numbered again in file order, so that the object's vertices
    // keep the order of the file.
    uint32_t k = mesh.m_iPosStart;
    unsigned *entries = m_cVertexList.GetBuffer();
    for (unsigned i = mesh.m_iVertexListStart; i < m_cVertexList.GetItemCount(); ++i)
        if (entries[i] != kUnused)
            entries[i] = (entries[i] & kInside) | k++;
    return TV_CHECK(k == mesh.m_iPosEnd);
}

bool ObjImporter::ReadFace(ParsedBlock &block, const ParsedLine &line, uint32_t vertexLines, uint32_t tcLines,
                           const MeshInfo &mesh)
{
    Corner *corners = block.corners.data() + line.first;
    m_aFace = std::span<Corner>(corners, line.count);
    for (uint32_t i = 0; i < line.count; ++i) {
        const int32_t p = corners[i].p, t = corners[i].t;
        const int64_t absolute = p < 0 ? int64_t(vertexLines) + p + 1 : p;
        if (absolute < 1 || absolute > int64_t(vertexLines))
            return Refuse(QStringLiteral("Line %1: vertex index %2 is out of range (%3 vertices read so far).")
                              .arg(m_iLine)
                              .arg(p)
                              .arg(vertexLines));
        if (uint64_t(absolute - 1) < mesh.m_iVertexListStart)
            return Refuse(
                QStringLiteral("Line %1: vertex index %2 refers to an earlier block of vertices.").arg(m_iLine).arg(p));
        // Texture index 0 stands for none; a relative one is resolved now, while the count is right.
        const int64_t tc = t < 0 ? int64_t(tcLines) + t + 1 : t;
        corners[i] = Corner{int32_t(absolute), tc > 0 ? int32_t(tc) : 0};
    }
    if (line.badText)
        return Refuse(QStringLiteral("Line %1: unexpected text in a face.").arg(m_iLine));
    if (line.count < 3)
        return Refuse(QStringLiteral("Line %1: a face needs at least 3 corners.").arg(m_iLine));
    return true;
}

bool ObjImporter::Scan()
{
    Log("Scanning file\n");
    m_iMeshCount = m_iGroupCount = m_iPositionCount = m_iTexCoordCount = m_iNormalCount = 0;
    m_iVertexLines = m_iFaceLines = 0;
    BeginMesh();
    const ProgressRun progress(QStringLiteral("scanning file..."), m_iFileSize, 100);
    const uint64_t step = m_iFileSize / 100;
    uint64_t nextCheck = step;
    const float radius = m_pSpace ? m_pSpace->GetRadius() * LevelFileBin::s_fSpaceRadiusFactor : 0.0f;
    bool inVertexBlock = true;
    bool pendingName = false;  // a group line since the last face names the mesh that its faces begin
    QByteArray name;
    const auto take = [&](ParsedBlock &block, const ParsedLine &line) {
        switch (line.kind) {
        case Kind::Position: {
            if (!inVertexBlock) {
                if (!EndMesh(m_iMeshCount))
                    return Refuse(QStringLiteral("The vertex numbering failed."));
                ++m_iMeshCount;
                BeginMesh();
                inVertexBlock = true;
            }
            if (m_iVertexLines >= 0xFFFFFFFEull)
                return Refuse(QStringLiteral("Line %1: too many vertices.").arg(m_iLine));
            ++m_iVertexLines;
            uint32_t entry = kUnused;
            if (m_pSpace) {
                const float *xyz = block.values.data() + line.first;
                if (!m_pSpace->IsFree(General::Vector(xyz[0], xyz[1], xyz[2]), radius))
                    entry = kInside | m_iPositionCount++;
            }
            if (m_cVertexList.Add(entry) < 0)
                throw std::bad_alloc();
            break;
        }
        case Kind::TexCoord:
            if (!m_pSpace)
                ++m_iTexCoordCount;
            break;
        case Kind::Normal:
            ++m_iNormalCount;
            break;
        case Kind::Group:
            name = QByteArray(block.text.text.data() + line.first, int(line.count));
            pendingName = true;
            ++m_iGroupCount;
            break;
        case Kind::Face: {
            MeshInfo &mesh = m_aOI[m_iMeshCount];
            if (inVertexBlock) {
                mesh.m_iInsideEnd = m_iPositionCount;
                inVertexBlock = false;
            }
            ++m_iFaceLines;
            if (!ReadFace(block, line, uint32_t(m_iVertexLines), m_iTexCoordCount, mesh))
                return false;
            unsigned *entries = m_cVertexList.GetBuffer();
            bool touches = !m_pSpace;
            for (const Corner &c : m_aFace)
                touches = touches || (entries[c.p - 1] != kUnused && (entries[c.p - 1] & kInside));
            if (!touches)
                break;
            if (pendingName && mesh.m_iPrimitiveCount == 0) {
                std::memcpy(mesh.m_szName, name.constData(), size_t(name.size()));
                mesh.m_szName[name.size()] = 0;
            }
            pendingName = false;
            const unsigned corners = unsigned(m_aFace.size());
            if (uint64_t(mesh.m_iPrimitiveCount) + corners - 2 > kMaxFaces)
                return Refuse(QStringLiteral("Line %1: too many faces.").arg(m_iLine));
            mesh.m_iPrimitiveCount += corners - 2;
            ++mesh.m_iPolygonCount;
            mesh.m_bQuads = mesh.m_bQuads && corners == 4;
            for (const Corner &c : m_aFace) {
                if (entries[c.p - 1] != kUnused)
                    continue;
                if (m_iPositionCount - mesh.m_iPosStart >= kMaxVertices)
                    return Refuse(QStringLiteral("Line %1: too many vertices.").arg(m_iLine));
                entries[c.p - 1] = m_iPositionCount++;
            }
            break;
        }
        case Kind::Other:
            break;
        }
        return true;
    };
    if (!Pass(ParseWhat{m_pSpace != nullptr, false, false}, take, nextCheck, step))
        return false;
    if (!EndMesh(m_iMeshCount))
        return Refuse(QStringLiteral("The vertex numbering failed."));
    m_iMeshCount = m_aOI.GetItemCount();

    Log("\tScan completed. Mesh count: %u\n", m_iMeshCount);
    uint64_t inside = 0, primitives = 0;
    for (unsigned i = 0; i < m_iMeshCount; ++i) {
        const MeshInfo &m = m_aOI[i];
        Log("\t\tMesh %u (%u %s): position %u-%u, tc %u-%u, normal %u-%u\n", i, m.m_iPrimitiveCount,
            m.m_bQuads ? "quads" : "triangles", m.m_iPosStart, m.m_iPosEnd, m.m_iTCStart, m.m_iTCEnd,
            m.m_iNormalStart, m.m_iNormalEnd);
        inside += m.m_iInsideEnd - m.m_iPosStart;
        primitives += m.m_iPrimitiveCount;
    }
    if (m_pSpace) {
        Log("\t%.2f%% of the vertices (%llu) are in the space\n",
            m_iVertexLines ? 100.0 * double(inside) / double(m_iVertexLines) : 0.0, (unsigned long long)inside);
        Log("\t%.2f%% of the file must be loaded\n",
            m_iFaceLines ? 100.0 * double(primitives) / double(m_iFaceLines) : 0.0);
    }
    return true;
}

bool ObjImporter::CreateObjects()
{
    Log(" Creating objects\n");
    Object *previous = nullptr;
    int number = 0;
    for (unsigned i = 0; i < m_iMeshCount; ++i) {
        MeshInfo &m = m_aOI[i];
        // A block of vertices that no face uses gives no object.
        if (m.m_iPolygonCount == 0)
            continue;
        Object *object = new Object(m.m_iPrimitiveCount, m.m_iPosEnd - m.m_iPosStart, m.m_iNormalEnd - m.m_iNormalStart,
                                    m_pSpace ? 0 : m.m_iTCEnd - m.m_iTCStart, m.m_bQuads);
        m.m_pObject = object;
        object->m_iPolygonCount = m.m_iPolygonCount;
        object->SetObjectName(m.m_szName[0] ? QString::fromUtf8(m.m_szName) : MeshName(number));
        ++number;
        if (previous)
            previous->m_pNextObject = object;
        else
            m_pFirst = object;
        previous = object;
    }
    return true;
}

int32_t ObjImporter::LocalTC(int32_t t, const MeshInfo &mesh, unsigned face)
{
    const Object &object = *mesh.m_pObject;
    if (t == 0 || object.m_iTCCount == 0)
        return -1;
    const int64_t local = int64_t(t) - 1 - mesh.m_iTCStart;
    if (local >= 0 && local < int64_t(object.m_iTCCount))
        return int32_t(local);
    if (!mesh.m_bQuads)
        return -1;
    Log("\tInvalid tc index (%d) in face %u, using 1\n", t, face);
    return 0;
}

bool ObjImporter::Fill()
{
    const ProgressRun progress(QStringLiteral("importing from file..."), m_iFileSize, 50);
    const uint64_t step = m_iFileSize / 50;
    uint64_t nextCheck = step;
    unsigned meshIndex = 0;
    unsigned face = 0;
    uint32_t vertexLines = 0, tcLines = 0;
    bool inVertexBlock = true;
    const bool namedGroups = m_iGroupCount > 1;
    QByteArray groupName;
    GroupFaces *group = nullptr;  // where the current group's faces go
    const unsigned *entries = m_cVertexList.GetBuffer();
    const uint32_t vertexListCount = m_cVertexList.GetItemCount();
    auto changed = [this]() { return Refuse(QStringLiteral("The file changed while it was imported.")); };

    const auto take = [&](ParsedBlock &block, const ParsedLine &line) {
        switch (line.kind) {
        case Kind::Position: {
            if (!inVertexBlock) {
                if (++meshIndex >= m_iMeshCount)
                    return changed();
                face = 0;
                inVertexBlock = true;
            }
            if (vertexLines >= vertexListCount)
                return changed();
            const uint32_t entry = entries[vertexLines++];
            const MeshInfo &mesh = m_aOI[meshIndex];
            // Unused vertices, and vertices inside the space of a block none of whose faces was kept.
            if (entry == kUnused || !mesh.m_pObject)
                break;
            const uint32_t local = (entry & ~kInside) - mesh.m_iPosStart;
            if (local >= mesh.m_pObject->m_iVertexCount)
                return changed();
            const float *xyz = block.values.data() + line.first;
            Vertex v{};
            v.m_vPosition = General::Vector(xyz[0], xyz[1], xyz[2]);
            if (!std::isfinite(v.m_vPosition.x) || !std::isfinite(v.m_vPosition.y) || !std::isfinite(v.m_vPosition.z))
                return Refuse(QStringLiteral("Line %1: the position is not a finite number.").arg(m_iLine));
            mesh.m_pObject->m_pVertices.GetBuffer()[local] = v;
            ++m_iFilled[0];
            break;
        }
        case Kind::TexCoord: {
            if (m_pSpace)
                break;
            const MeshInfo &mesh = m_aOI[meshIndex];
            const uint32_t local = tcLines++ - mesh.m_iTCStart;
            if (!mesh.m_pObject)
                break;  // texture coordinates of a block without faces
            if (local >= mesh.m_pObject->m_iTCCount)
                return changed();
            TC tc;
            tc.u = block.values[line.first];
            tc.v = block.values[line.first + 1];
            mesh.m_pObject->m_pTCs.GetBuffer()[local] = tc;
            ++m_iFilled[1];
            break;
        }
        case Kind::Group: {
            const QByteArray name(block.text.text.data() + line.first, int(line.count));
            if (namedGroups && !name.isEmpty() && !name.startsWith("default")) {
                groupName = name;
                group = nullptr;  // found or made at the next face, whose object is known then
            }
            break;
        }
        case Kind::Face: {
            inVertexBlock = false;
            const MeshInfo &mesh = m_aOI[meshIndex];
            if (!ReadFace(block, line, vertexLines, tcLines, mesh))
                return false;
            bool touches = !m_pSpace;
            for (const Corner &c : m_aFace)
                touches = touches || (entries[c.p - 1] != kUnused && (entries[c.p - 1] & kInside) != 0);
            if (!touches)
                break;
            Object *object = mesh.m_pObject;
            const unsigned corners = unsigned(m_aFace.size());
            if (!object || face + (mesh.m_bQuads ? 1 : corners - 2) > object->m_iFaceCount)
                return changed();
            if (!groupName.isEmpty()) {
                if (!group || group->object != object) {
                    group = nullptr;
                    for (GroupFaces &g : m_aGroups)
                        if (g.object == object && g.name == QString::fromUtf8(groupName))
                            group = &g;
                    if (!group) {
                        m_aGroups.emplace_back();
                        group = &m_aGroups.back();
                        group->name = QString::fromUtf8(groupName);
                        group->object = object;
                    }
                }
                if (group->faces.Add(face) < 0)
                    throw std::bad_alloc();
            }
            m_aLocal.SetItemCount(0, true);
            if (!m_aLocal.EnsureIndex(corners - 1))
                throw std::bad_alloc();
            uint32_t *local = m_aLocal.GetBuffer();
            for (unsigned c = 0; c < corners; ++c) {
                const uint32_t entry = entries[m_aFace[c].p - 1];
                local[c] = (entry & ~kInside) - mesh.m_iPosStart;
                if (entry == kUnused || local[c] >= object->m_iVertexCount)
                    return changed();
            }
            if (mesh.m_bQuads) {
                if (corners != 4)
                    return changed();
                int32_t tcs[4];
                for (unsigned c = 0; c < 4; ++c)
                    tcs[c] = LocalTC(m_aFace[c].t, mesh, face);
                object->m_pQuads.GetBuffer()[face++] = ImportedFaces::MakeQuad(local, tcs);
                ++m_iFilled[2];
            } else {
                Triangle *triangles = object->m_pTriangles.GetBuffer();
                const int32_t tc0 = LocalTC(m_aFace[0].t, mesh, face);
                int32_t tcPrevious = LocalTC(m_aFace[1].t, mesh, face);
                for (unsigned j = 2; j < corners; ++j) {
                    const int32_t tc = LocalTC(m_aFace[j].t, mesh, face);
                    triangles[face++] = ImportedFaces::MakeFanTriangle(j - 2, {local[0], local[j - 1], local[j]},
                                                                       {tc0, tcPrevious, tc});
                    tcPrevious = tc;
                    ++m_iFilled[2];
                }
            }
            break;
        }
        case Kind::Normal:
        case Kind::Other:
            break;
        }
        return true;
    };
    if (!Pass(ParseWhat{true, !m_pSpace, !m_pSpace}, take, nextCheck, step))
        return false;
    // Every object must be exactly filled, or the file changed between the passes.
    uint64_t expected[3] = {0, 0, 0};
    for (Object *o = m_pFirst; o; o = o->m_pNextObject) {
        expected[0] += o->m_iVertexCount;
        expected[1] += o->m_iTCCount;
        expected[2] += o->m_iFaceCount;
    }
    for (int i = 0; i < 3; ++i)
        if (expected[i] != m_iFilled[i])
            return changed();
    return true;
}

Object *ObjImporter::DoImport()
{
    if (!m_cReader.IsOpen())
        return Fail(QStringLiteral("The file %1 cannot be opened.").arg(m_sPath));
    bool done = false;
    try {
        if (Scan()) {
            CreateObjects();
            if (!m_pFirst)
                Fail(QStringLiteral("The file holds no faces."));
            else if (!m_cReader.Rewind())
                Fail(QStringLiteral("The file %1 cannot be read again.").arg(m_sPath));
            else
                done = Fill();
        }
    } catch (const std::bad_alloc &) {
        Fail(QStringLiteral("Not enough memory to import this file."));
    }
    if (!done) {
        DeleteChain(m_pFirst);
        m_pFirst = nullptr;
        m_aGroups.clear();
        return nullptr;
    }
    Log(" Import completed\n");
    return m_pFirst;
}
