#include "scene/readers/ObjImporter.h"

#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "foundation/Threads.h"
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
#include <unordered_map>

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
        // A line's data ends where a comment begins.
        if (char *comment = std::strchr(text, '#'))
            *comment = 0;
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

template <class Work, class Begin, class Line, class Done>
bool ObjImporter::Pass(ParseWhat what, Work work, Begin begin, Line take, Done done, uint64_t &nextCheck,
                       uint64_t step)
{
    // The thread that takes blocks up in order is one of them: it parses too while it waits.
    const unsigned threads = m_iThreads ? m_iThreads : General::AvailableThreads();
    m_iLinesBefore = 0;
    const auto cancelled = [&](uint64_t position) {
        return Cancelled(position, nextCheck, step) && !Refuse(QStringLiteral("The import was cancelled."));
    };
    return ParallelBlocks::Run<ParsedBlock>(
        m_cReader, threads - 1, m_iBlockSize, m_aSlots,
        [what, &work](ParsedBlock &block) {
            ParseBlock(block, what);
            work(block);
        },
        [&](ParsedBlock &block) {
            if (block.failed)
                throw std::bad_alloc();
            if (cancelled(block.text.offset))
                return false;
            begin(block);
            for (const ParsedLine &line : block.lines) {
                m_iLine = m_iLinesBefore + line.line;
                if (cancelled(block.text.offset + line.offset) || !take(block, line))
                    return false;
            }
            if (!done(block))
                return false;
            m_iLinesBefore += block.lineCount;
            if (block.text.stop != TextBlock::Stop::None)
                return Refuse(TextReader::StopMessage(block.text.stop, m_iLinesBefore));
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

QString ObjImporter::FaceError(ParsedBlock &block, const ParsedLine &line, uint64_t lineNumber, uint32_t vertexLines,
                               uint32_t tcLines, const MeshInfo &mesh, std::span<Corner> &face) const
{
    Corner *corners = block.corners.data() + line.first;
    face = std::span<Corner>(corners, line.count);
    for (uint32_t i = 0; i < line.count; ++i) {
        const int32_t p = corners[i].p, t = corners[i].t;
        const int64_t absolute = p < 0 ? int64_t(vertexLines) + p + 1 : p;
        if (absolute < 1 || absolute > int64_t(vertexLines))
            return QStringLiteral("Line %1: vertex index %2 is out of range (%3 vertices read so far).")
                .arg(lineNumber)
                .arg(p)
                .arg(vertexLines);
        if (uint64_t(absolute - 1) < mesh.m_iVertexListStart)
            return QStringLiteral("Line %1: vertex index %2 refers to an earlier block of vertices.")
                .arg(lineNumber)
                .arg(p);
        // Texture index 0 stands for none; a relative one is resolved now, while the count is right.
        const int64_t tc = t < 0 ? int64_t(tcLines) + t + 1 : t;
        if (t != 0 && (tc < 1 || tc > int64_t(m_iTexCoordCount)))
            return QStringLiteral("Line %1: texture index %2 is out of range (%3 texture coordinates in the file).")
                .arg(lineNumber)
                .arg(t)
                .arg(m_iTexCoordCount);
        corners[i] = Corner{int32_t(absolute), int32_t(tc)};
    }
    if (line.badText)
        return QStringLiteral("Line %1: unexpected text in a face.").arg(lineNumber);
    return {};
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
    QByteArray fillGroup;  // the last name that the fill gives faces to
    m_aStarts.clear();
    // Where each block begins, for the fill to take up each block on its own.
    const auto begin = [&](const ParsedBlock &block) {
        m_aStarts.push_back(FillStart{block.text.offset, m_iLinesBefore, uint32_t(m_iVertexLines), m_iTexCoordCount,
                                      m_iMeshCount, m_aOI[m_iMeshCount].m_iPrimitiveCount, inVertexBlock, fillGroup});
    };
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
            if (!name.isEmpty() && !name.startsWith("default"))
                fillGroup = name;
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
            const QString error =
                FaceError(block, line, m_iLine, uint32_t(m_iVertexLines), m_iTexCoordCount, mesh, m_aFace);
            if (!error.isEmpty())
                return Refuse(error);
            // A face of fewer than three corners has no surface: it is left out and counted.
            if (m_aFace.size() < 3) {
                if (m_iShortFaces++ == 0)
                    m_iFirstShortFace = m_iLine;
                break;
            }
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
    const auto noWork = [](ParsedBlock &) {};
    const auto done = [](ParsedBlock &) { return true; };
    if (!Pass(ParseWhat{m_pSpace != nullptr, false, false}, noWork, begin, take, done, nextCheck, step))
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

int32_t ObjImporter::LocalTC(int32_t t, const MeshInfo &mesh)
{
    if (t == 0)
        return -1;
    const int64_t local = int64_t(t) - 1 - mesh.m_iTCStart;
    if (local >= 0 && local < int64_t(mesh.m_iTCEnd - mesh.m_iTCStart))
        return int32_t(local);
    return kOutside;
}

bool ObjImporter::ResolveTCFixups()
{
    // Per mesh, each coordinate named from outside becomes one more of the object's own.
    std::vector<std::unordered_map<uint32_t, int32_t>> added(m_iMeshCount);
    std::vector<int32_t> local(m_aTCFixups.size());
    for (size_t i = 0; i < m_aTCFixups.size(); ++i) {
        const TCFixup &fix = m_aTCFixups[i];
        auto &map = added[fix.mesh];
        const auto [at, fresh] = map.try_emplace(fix.line, int32_t(m_aOI[fix.mesh].m_pObject->m_iTCCount + map.size()));
        local[i] = at->second;
    }
    // Where a line's coordinate is: in the object of the block that holds the line, or
    // kept aside when that block made none.
    const auto value = [&](uint32_t line, TC &tc) {
        const MeshInfo *first = m_aOI.begin(), *end = first + m_iMeshCount;
        const MeshInfo *after = std::upper_bound(first, end, line, [](uint32_t l, const MeshInfo &m) {
            return l < m.m_iTCStart;
        });
        const MeshInfo *owner = after == first ? nullptr : after - 1;
        if (owner && line < owner->m_iTCEnd && owner->m_pObject) {
            tc = owner->m_pObject->m_pTCs[line - owner->m_iTCStart];
            return true;
        }
        const auto orphan = std::lower_bound(m_aOrphanTCs.begin(), m_aOrphanTCs.end(), line,
                                             [](const LineTC &o, uint32_t l) { return o.line < l; });
        if (orphan == m_aOrphanTCs.end() || orphan->line != line)
            return false;
        tc = TC{orphan->u, orphan->v};
        return true;
    };
    for (unsigned m = 0; m < m_iMeshCount; ++m) {
        if (added[m].empty())
            continue;
        Object &object = *m_aOI[m].m_pObject;
        const unsigned own = object.m_iTCCount;
        if (!object.m_pTCs.SetItemCount(own + unsigned(added[m].size()), true))
            throw std::bad_alloc();
        for (const auto &[line, index] : added[m])
            if (!value(line, object.m_pTCs[unsigned(index)]))
                return Refuse(QStringLiteral("The file changed while it was imported."));
        object.m_iTCCount = object.m_pTCs.GetItemCount();
    }
    for (size_t i = 0; i < m_aTCFixups.size(); ++i) {
        const TCFixup &fix = m_aTCFixups[i];
        Object &object = *m_aOI[fix.mesh].m_pObject;
        if (object.m_eType == Mesh::typeQuadric)
            object.m_pQuads[fix.face].m_iTCI[fix.slot] = local[i];
        else
            object.m_pTriangles[fix.face].m_iTCI[fix.slot] = local[i];
    }
    if (!m_aTCFixups.empty())
        Log("\t%zu face corners take texture coordinates from other blocks of vertices\n", m_aTCFixups.size());
    return true;
}

void ObjImporter::FillBlock(ParsedBlock &block, bool namedGroups) const
{
    block.error.clear();
    block.errorLine = 0;
    block.filled[0] = block.filled[1] = block.filled[2] = 0;
    block.groupFaces.clear();
    block.groupNames.clear();
    block.tcFixups.clear();
    block.orphanTCs.clear();
    const auto fail = [&](const ParsedLine &line, const QString &message) {
        block.errorLine = line.line;
        block.error = message;
        return false;
    };
    const QString changed = QStringLiteral("The file changed while it was imported.");
    // The scan cut the same blocks and noted where each begins.
    const auto start = std::lower_bound(m_aStarts.begin(), m_aStarts.end(), block.text.offset,
                                        [](const FillStart &s, uint64_t offset) { return s.offset < offset; });
    if (start == m_aStarts.end() || start->offset != block.text.offset) {
        block.error = changed;
        return;
    }
    uint32_t meshIndex = start->meshIndex, vertexLines = start->vertexLines, tcLines = start->tcLines;
    if (meshIndex >= m_iMeshCount) {
        block.error = changed;
        return;
    }
    // The scan counts two triangles per quad until the mesh ends.
    uint32_t face = m_aOI[meshIndex].m_bQuads ? start->primitives / 2 : start->primitives;
    bool inVertexBlock = start->inVertexBlock;
    int32_t groupName = -1;  // in block.groupNames
    if (namedGroups && !start->group.isEmpty()) {
        block.groupNames.push_back(start->group);
        groupName = 0;
    }
    const unsigned *entries = m_cVertexList.GetBuffer();
    const uint32_t vertexListCount = m_cVertexList.GetItemCount();

    const auto take = [&](const ParsedLine &line) {
        switch (line.kind) {
        case Kind::Position: {
            if (!inVertexBlock) {
                if (++meshIndex >= m_iMeshCount)
                    return fail(line, changed);
                face = 0;
                inVertexBlock = true;
            }
            if (vertexLines >= vertexListCount)
                return fail(line, changed);
            const uint32_t entry = entries[vertexLines++];
            const MeshInfo &mesh = m_aOI[meshIndex];
            // Unused vertices, and vertices inside the space of a block none of whose faces was kept.
            if (entry == kUnused || !mesh.m_pObject)
                break;
            const uint32_t local = (entry & ~kInside) - mesh.m_iPosStart;
            if (local >= mesh.m_pObject->m_iVertexCount)
                return fail(line, changed);
            const float *xyz = block.values.data() + line.first;
            Vertex v{};
            v.m_vPosition = General::Vector(xyz[0], xyz[1], xyz[2]);
            if (!v.m_vPosition.IsFinite())
                return fail(line, QStringLiteral("Line %1: the position is not a finite number.")
                                      .arg(start->linesBefore + line.line));
            mesh.m_pObject->m_pVertices.GetBuffer()[local] = v;
            ++block.filled[0];
            break;
        }
        case Kind::TexCoord: {
            if (m_pSpace)
                break;
            const MeshInfo &mesh = m_aOI[meshIndex];
            const uint32_t local = tcLines++ - mesh.m_iTCStart;
            if (!mesh.m_pObject) {
                // A block without faces: its coordinates wait for faces of other blocks.
                block.orphanTCs.push_back(
                    LineTC{tcLines - 1, block.values[line.first], block.values[line.first + 1]});
                break;
            }
            if (local >= mesh.m_pObject->m_iTCCount)
                return fail(line, changed);
            TC tc;
            tc.u = block.values[line.first];
            tc.v = block.values[line.first + 1];
            mesh.m_pObject->m_pTCs.GetBuffer()[local] = tc;
            ++block.filled[1];
            break;
        }
        case Kind::Group: {
            const QByteArray name(block.text.text.data() + line.first, int(line.count));
            if (namedGroups && !name.isEmpty() && !name.startsWith("default")) {
                groupName = int32_t(block.groupNames.size());
                block.groupNames.push_back(name);
            }
            break;
        }
        case Kind::Face: {
            inVertexBlock = false;
            const MeshInfo &mesh = m_aOI[meshIndex];
            std::span<Corner> corners;
            const QString error = FaceError(block, line, start->linesBefore + line.line, vertexLines, tcLines, mesh,
                                            corners);
            if (!error.isEmpty())
                return fail(line, error);
            if (corners.size() < 3)
                break;  // left out by the scan
            bool touches = !m_pSpace;
            for (const Corner &c : corners)
                touches = touches || (entries[c.p - 1] != kUnused && (entries[c.p - 1] & kInside) != 0);
            if (!touches)
                break;
            Object *object = mesh.m_pObject;
            const unsigned count = unsigned(corners.size());
            if (!object || face + (mesh.m_bQuads ? 1 : count - 2) > object->m_iFaceCount)
                return fail(line, changed);
            if (groupName >= 0)
                block.groupFaces.push_back(GroupFace{meshIndex, face, uint32_t(groupName)});
            block.local.resize(count);
            uint32_t *local = block.local.data();
            for (unsigned c = 0; c < count; ++c) {
                const uint32_t entry = entries[corners[c].p - 1];
                local[c] = (entry & ~kInside) - mesh.m_iPosStart;
                if (entry == kUnused || local[c] >= object->m_iVertexCount)
                    return fail(line, changed);
            }
            // A corner whose coordinate lies outside the block gets it after the fill.
            const auto settle = [&](int32_t tc, unsigned c, uint32_t at, uint32_t slot) {
                if (tc != kOutside)
                    return tc;
                block.tcFixups.push_back(TCFixup{meshIndex, at, slot, uint32_t(corners[c].t - 1)});
                return int32_t(-1);
            };
            if (mesh.m_bQuads) {
                if (count != 4)
                    return fail(line, changed);
                int32_t tcs[4];
                for (unsigned c = 0; c < 4; ++c)
                    tcs[c] = settle(LocalTC(corners[c].t, mesh), c, face, c);
                object->m_pQuads.GetBuffer()[face++] = ImportedFaces::MakeQuad(local, tcs);
                ++block.filled[2];
            } else {
                Triangle *triangles = object->m_pTriangles.GetBuffer();
                const int32_t tc0 = LocalTC(corners[0].t, mesh);
                int32_t tcPrevious = LocalTC(corners[1].t, mesh);
                for (unsigned j = 2; j < count; ++j) {
                    const int32_t tc = LocalTC(corners[j].t, mesh);
                    triangles[face] = ImportedFaces::MakeFanTriangle(
                        j - 2, {local[0], local[j - 1], local[j]},
                        {settle(tc0, 0, face, 0), settle(tcPrevious, j - 1, face, 1), settle(tc, j, face, 2)});
                    ++face;
                    tcPrevious = tc;
                    ++block.filled[2];
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
    for (const ParsedLine &line : block.lines)
        if (!take(line))
            return;
}

bool ObjImporter::Fill()
{
    const ProgressRun progress(QStringLiteral("importing from file..."), m_iFileSize, 50);
    const uint64_t step = m_iFileSize / 50;
    uint64_t nextCheck = step;
    const bool namedGroups = m_iGroupCount > 1;
    GroupFaces *group = nullptr;  // where the last group face went
    // Each block is filled where it was parsed; here, in file order, its first error is
    // reported and its group faces are listed.
    const auto fill = [this, namedGroups](ParsedBlock &block) { FillBlock(block, namedGroups); };
    const auto take = [&](ParsedBlock &block, const ParsedLine &line) {
        return block.error.isEmpty() || line.line != block.errorLine || Refuse(block.error);
    };
    const auto done = [&](ParsedBlock &block) {
        if (!block.error.isEmpty())
            return Refuse(block.error);
        m_aTCFixups.insert(m_aTCFixups.end(), block.tcFixups.begin(), block.tcFixups.end());
        m_aOrphanTCs.insert(m_aOrphanTCs.end(), block.orphanTCs.begin(), block.orphanTCs.end());
        for (int i = 0; i < 3; ++i)
            m_iFilled[i] += block.filled[i];
        for (const GroupFace &g : block.groupFaces) {
            Object *object = m_aOI[g.mesh].m_pObject;
            const QString name = QString::fromUtf8(block.groupNames[g.name]);
            if (!group || group->object != object || group->name != name) {
                group = nullptr;
                for (GroupFaces &known : m_aGroups)
                    if (known.object == object && known.name == name)
                        group = &known;
                if (!group) {
                    m_aGroups.emplace_back();
                    group = &m_aGroups.back();
                    group->name = name;
                    group->object = object;
                }
            }
            if (group->faces.Add(g.face) < 0)
                throw std::bad_alloc();
        }
        return true;
    };
    const auto noBegin = [](const ParsedBlock &) {};
    if (!Pass(ParseWhat{true, !m_pSpace, !m_pSpace}, fill, noBegin, take, done, nextCheck, step))
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
            return Refuse(QStringLiteral("The file changed while it was imported."));
    return ResolveTCFixups();
}

Object *ObjImporter::DoImport()
{
    if (!m_cReader.IsOpen())
        return Fail(QStringLiteral("The file %1 cannot be opened.").arg(m_sPath));
    bool done = false;
    try {
        if (Scan()) {
            CreateObjects();
            if (!m_pFirst && m_pSpace && m_iFaceLines) {
                m_iFacesOutsideSpace = m_iFaceLines;
                Fail(QStringLiteral("None of the file's %1 faces lies near the space it is read for.")
                         .arg(m_iFaceLines));
            } else if (!m_pFirst) {
                Fail(QStringLiteral("The file holds no faces."));
            } else if (!m_cReader.Rewind()) {
                Fail(QStringLiteral("The file %1 cannot be read again.").arg(m_sPath));
            } else {
                done = Fill();
            }
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
    if (m_iShortFaces) {
        m_sNotice = QStringLiteral("%1 faces of fewer than three corners were left out (the first on line %2).")
                        .arg(m_iShortFaces)
                        .arg(m_iFirstShortFace);
        Log(" %s\n", m_sNotice.toLocal8Bit().constData());
    }
    Log(" Import completed\n");
    return m_pFirst;
}
