#include "scene/LevelFileBin.h"

#include "foundation/Progress.h"
#include "foundation/math/Vector.h"
#include "scene/BTreeSpace.h"

#include <QFile>

#include <algorithm>
#include <climits>

#include <unistd.h>

namespace {
constexpr unsigned kChunk = 0x10000;  // positions tested per read of the filtered scan
}  // namespace

LevelFileBin::LevelFileBin(const QString &fileName, bool storing, int objectCount, BTree::Space *space)
    : LevelFile(fileName), m_pSpace(space)
{
    try {
        m_pStream = std::make_unique<Stream>(fileName, storing);
    } catch (const General::Error &error) {
        m_sOpenError = error.GetMessage();
        Log("Cannot read level file %s: %s\n", QFile::encodeName(fileName).constData(),
            m_sOpenError.toLocal8Bit().constData());
        return;
    }
    if (!m_pStream->IsOpen()) {
        Log("Cannot open level file %s\n", QFile::encodeName(fileName).constData());
        m_pStream->SetError();
        return;
    }
    if (storing) {
        m_iObjectCount = objectCount;
        m_pStream->Serialize(m_iObjectCount);
    } else if (m_pStream->Serialize(m_iObjectCount).HasError() || m_iObjectCount < 0) {
        m_iObjectCount = 0;
        Fail("object count");
    }
}

LevelFileBin::~LevelFileBin() = default;

bool LevelFileBin::Fail(const char *what)
{
    Log("Level file %s is corrupt: %s\n", QFile::encodeName(m_sFileName).constData(), what);
    if (m_pStream)
        m_pStream->SetError();
    return false;
}

// --- writing ----------------------------------------------------------------------

void LevelFileBin::BeginGroup(const char *name, int level, int type, int faceCount, int vertexCount, int tcCount)
{
    if (!IsOpen() || HasError())
        return;
    QByteArray group(name ? name : "");
    group.append('_');
    group.append(QByteArray::number(level));
    if (group.size() > kMaxNameLength) {
        Log("Level file group name cut to %d characters: %s\n", kMaxNameLength, group.constData());
        // Cut before a character, never inside one: a torn UTF-8 sequence would not read back.
        qsizetype cut = kMaxNameLength;
        while (cut > 0 && (uchar(group[cut]) & 0xC0) == 0x80)
            --cut;
        group.truncate(cut);
    }
    int length = int(group.size());
    Stream &s = *m_pStream;
    m_iGroupStart = int64_t(s.Tell());
    s.Serialize(length);
    s.Write(group.constData(), uint64_t(length));
    s.Serialize(level).Serialize(type).Serialize(faceCount).Serialize(vertexCount).Serialize(tcCount);
}

bool LevelFileBin::DropGroup()
{
    if (!IsOpen() || m_iGroupStart < 0)
        return false;
    std::FILE *file = m_pStream->GetFile();
    const bool ok = std::fflush(file) == 0 && ftruncate(fileno(file), off_t(m_iGroupStart)) == 0 &&
                    m_pStream->Seek(uint64_t(m_iGroupStart));
    m_iGroupStart = -1;
    return ok;
}

void LevelFileBin::WriteVertex(const float *xyz)
{
    if (IsOpen() && !HasError())
        m_pStream->Write(xyz, 12);
}

void LevelFileBin::WriteTexCoord(const float *uv)
{
    if (IsOpen() && !HasError())
        m_pStream->Write(uv, 8);
}

void LevelFileBin::WriteFace(const General::Store<int> &indices, const General::Store<int> *tcIndices)
{
    if (!IsOpen() || HasError())
        return;
    m_pStream->WriteArray(indices);
    if (tcIndices)
        m_pStream->WriteArray(*tcIndices);
}

// --- reading ----------------------------------------------------------------------

bool LevelFileBin::ReadHeader(QString &name, int &level, Group &group)
{
    if (!IsOpen() || HasError() || m_iGroupsRead >= m_iObjectCount)
        return false;
    if (m_iGroupsRead > 0) {
        m_iFileVertexBase += m_cGroup.vertices;
        m_iFileTCBase += m_cGroup.tcs;
        m_iOutVertexBase += m_iOutVertices;
        m_iOutTCBase += m_iOutTCs;
    }
    m_cGroup = Group();
    m_iOutVertices = m_iOutTCs = 0;
    Stream &s = *m_pStream;
    // A filtered read leaves the stream inside the group; the next one starts after its faces.
    if (m_pSpace && m_iGroupEnd && !s.Seek(m_iGroupEnd))
        return Fail("group end");

    int length = 0;
    s.Serialize(length);
    if (s.HasError() || length < 0 || length > kMaxNameLength || !s.Expect(uint64_t(length)))
        return Fail("group name");
    QByteArray bytes(length, '\0');
    s.Read(bytes.data(), uint64_t(length));
    name = QString::fromUtf8(bytes);
    s.Serialize(level).Serialize(group.type).Serialize(group.faces).Serialize(group.vertices).Serialize(group.tcs);
    if (s.HasError())
        return Fail("short group header");
    if (group.type != 0 && group.type != 1)
        return Fail("group type");
    if (group.faces < 0 || group.vertices < 0 || group.tcs < 0)
        return Fail("negative count");
    // Every face takes at least 4 bytes; refuse counts the rest of the file cannot hold.
    if (!s.Expect(uint64_t(group.vertices) * 12 + uint64_t(group.tcs) * 8 + uint64_t(group.faces) * 4))
        return Fail("counts larger than the file");
    if (m_iFileVertexBase + group.vertices > INT_MAX || m_iFileTCBase + group.tcs > INT_MAX)
        return Fail("too many vertices in the file");
    m_cGroup = group;
    ++m_iGroupsRead;
    return true;
}

bool LevelFileBin::ReadIndices(General::Store<int> &indices, unsigned minCount, unsigned maxCount, int64_t base,
                               int64_t count, bool noneAllowed)
{
    Stream &s = *m_pStream;
    int n = 0;
    s.Serialize(n);
    if (s.HasError() || n < 0 || unsigned(n) < minCount || unsigned(n) > maxCount)
        return Fail("face corner count");
    if (!s.Expect(uint64_t(n) * 4))
        return Fail("short face");
    if (!indices.SetItemCount(unsigned(n), false)) {
        s.SetError();
        return false;
    }
    if (n && s.Read(indices.begin(), uint64_t(n) * 4) != uint64_t(n) * 4)
        return Fail("short face");
    for (int index : indices) {
        if (noneAllowed && index == -1)
            continue;
        if (index <= base || index > base + count)
            return Fail("face index out of range");
    }
    return true;
}

bool LevelFileBin::ReadObject(QString &name, int &level, int &type, int &faceCount, int &vertexCount, int &tcCount)
{
    Group group;
    if (!ReadHeader(name, level, group))
        return false;
    type = group.type;
    if (!m_pSpace) {
        faceCount = group.faces;
        vertexCount = group.vertices;
        tcCount = group.tcs;
        m_iOutVertices = group.vertices;
        m_iOutTCs = group.tcs;
        return true;
    }
    if (!FilterGroup(group, faceCount, vertexCount))
        return false;
    tcCount = 0;
    m_iOutVertices = vertexCount;
    return true;
}

void LevelFileBin::FreeFilter()
{
    m_aVertexStates.Clear();
    m_aVertexMap.Clear();
    m_aFaceList.Clear();
}

bool LevelFileBin::FilterGroup(const Group &group, int &faceCount, int &vertexCount)
{
    Stream &s = *m_pStream;
    const unsigned vertices = unsigned(group.vertices);
    const unsigned corners = group.type == 0 ? 3 : 4;
    m_iVertexBlock = s.Tell();
    General::ProgressMeter &progress = General::Progress();
    progress.Start(QStringLiteral("checking file content..."), uint64_t(group.faces) + vertices, 100);

    auto abandon = [&](bool corrupt, const char *what) {
        progress.End();
        FreeFilter();
        return corrupt ? Fail(what) : false;
    };
    if (!m_aVertexStates.SetItemCount(vertices, false) || !m_aFaceList.SetItemCount(0, false))
        return abandon(false, nullptr);

    // Which positions lie in the space.
    const float radius = m_pSpace->GetRadius() * s_fSpaceRadiusFactor;
    unsigned kept = 0;
    {
        General::Store<General::Vector> buffer("binfile temp buffer");
        for (unsigned start = 0; start < vertices; start += kChunk) {
            const unsigned n = std::min(kChunk, vertices - start);
            if (!buffer.SetItemCount(n, false))
                return abandon(false, nullptr);
            if (s.Read(buffer.begin(), uint64_t(n) * 12) != uint64_t(n) * 12)
                return abandon(true, "short positions");
            for (unsigned i = 0; i < n; ++i)
                m_aVertexStates[start + i] = m_pSpace->IsFree(buffer[i], radius) ? -1 : int(kept++);
            progress.Advance(n);
        }
    }
    if (!s.Seek(s.Tell() + uint64_t(group.tcs) * 8))
        return abandon(true, "texture coordinates");
    m_iFaceBlock = s.Tell();

    // Which faces touch it; the vertices outside that such faces need are numbered too,
    // marked with the top bit until the scan ends.
    General::Store<int> indices("levelfilebin readobject indices");
    General::Store<int> tcIndices("levelfilebin readobject tcindices");
    unsigned keptFaces = 0;
    for (int face = 0; face < group.faces; ++face) {
        if (!ReadIndices(indices, corners, corners, m_iFileVertexBase, group.vertices, false) ||
            (group.tcs && !ReadIndices(tcIndices, corners, corners, m_iFileTCBase, group.tcs, true)))
            return abandon(false, nullptr);
        bool touches = false;
        for (int index : indices)
            touches = touches || m_aVertexStates[unsigned(index - m_iFileVertexBase - 1)] >= 0;
        if (touches) {
            if (m_aFaceList.Add(face) < 0)
                return abandon(false, nullptr);
            ++keptFaces;
            for (int index : indices) {
                int &state = m_aVertexStates[unsigned(index - m_iFileVertexBase - 1)];
                if (state == -1)
                    state = int(kept++ | 0x80000000u);
            }
        }
        progress.Advance();
    }
    m_iGroupEnd = s.Tell();

    for (int &state : m_aVertexStates)
        if (state != -1)
            state &= 0x7FFFFFFF;
    if (!m_aVertexMap.SetItemCount(kept, false))
        return abandon(false, nullptr);
    unsigned found = 0;
    for (unsigned i = 0; i < vertices; ++i) {
        const int state = m_aVertexStates[i];
        if (state == -1)
            continue;
        if (TV_CHECK(unsigned(state) < kept))
            m_aVertexMap[unsigned(state)] = int(i);
        ++found;
    }
    TV_ASSERT(found == kept);
    Log("\t%.2f%% of the vertices (%u) are in the space\n", vertices ? 100.0 * kept / vertices : 0.0, kept);
    Log("\t%.2f%% of the file must be loaded\n", group.faces ? 100.0 * keptFaces / unsigned(group.faces) : 0.0);

    m_iFaceRecordSize = (4 + 4 * corners) * (group.tcs ? 2 : 1);
    m_iCurrentFace = -1;
    m_iLoadedVertices = 0;
    m_iLoadedFaces = 0;
    faceCount = int(keptFaces);
    vertexCount = int(kept);
    progress.End();
    return s.Seek(m_iVertexBlock) || Fail("positions");
}

bool LevelFileBin::ReadVertex(float *xyz)
{
    if (!IsOpen() || HasError())
        return false;
    Stream &s = *m_pStream;
    if (m_pSpace) {
        if (m_iLoadedVertices >= m_aVertexMap.GetItemCount())
            return false;
        const unsigned index = unsigned(m_aVertexMap[m_iLoadedVertices++]);
        if (!s.Seek(m_iVertexBlock + uint64_t(index) * 12))
            return Fail("positions");
    }
    return s.Read(xyz, 12) == 12;
}

bool LevelFileBin::ReadTexCoord(float *uv)
{
    // A filtered read delivers no texture coordinates.
    if (!IsOpen() || HasError() || m_pSpace)
        return false;
    return m_pStream->Read(uv, 8) == 8;
}

bool LevelFileBin::ReadFace(General::Store<int> &indices, General::Store<int> *tcIndices)
{
    if (!IsOpen() || HasError())
        return false;
    const Group &g = m_cGroup;
    if (!m_pSpace) {
        General::Store<int> &tcs = tcIndices ? *tcIndices : m_aScratchTCs;
        const unsigned minCorners = g.type == 0 ? 3 : 4, maxCorners = g.type == 0 ? UINT_MAX : 4;
        if (!ReadIndices(indices, minCorners, maxCorners, m_iFileVertexBase, g.vertices, false))
            return false;
        if (g.tcs)
            return ReadIndices(tcs, indices.GetItemCount(), indices.GetItemCount(), m_iFileTCBase, g.tcs, true);
        tcs.SetItemCount(0, false);
        return true;
    }

    if (m_iLoadedFaces >= m_aFaceList.GetItemCount())
        return false;
    const int face = m_aFaceList[m_iLoadedFaces];
    // Records of a filtered group have one size, so the face is found by its number.
    const uint64_t position = m_iFaceBlock + uint64_t(face) * m_iFaceRecordSize;
    if (m_pStream->Tell() != position && !m_pStream->Seek(position))
        return Fail("faces");
    const unsigned corners = g.type == 0 ? 3 : 4;
    // The group's texture coordinates are not delivered, so neither are its texture indices;
    // they are read all the same to keep the file in step.
    if (!ReadIndices(indices, corners, corners, m_iFileVertexBase, g.vertices, false) ||
        (g.tcs && !ReadIndices(m_aScratchTCs, corners, corners, m_iFileTCBase, g.tcs, true)))
        return false;
    if (tcIndices)
        tcIndices->SetItemCount(0, false);
    m_iCurrentFace = face;
    ++m_iLoadedFaces;
    for (int &index : indices) {
        const int state = m_aVertexStates[unsigned(index - m_iFileVertexBase - 1)];
        if (!TV_CHECK(state >= 0))
            return Fail("face outside the filtered part");
        index = int(m_iOutVertexBase + state + 1);
    }
    return true;
}
