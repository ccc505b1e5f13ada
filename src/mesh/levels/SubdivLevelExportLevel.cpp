// A level written as one group of a level file. The faces are walked first and what
// they contribute goes to temporary streams; only when the walk succeeded is the group
// written, header first, from sequential reads of those streams.
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/subdivision/LevelFaceBits.h"
#include "mesh/levels/LevelFile.h"
#include "mesh/levels/LevelSwapFiles.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"
#include "foundation/TempFileNames.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

#include <memory>

using namespace LevelBits;

namespace {

constexpr unsigned kBlock = 4096;  // records per read or write of a temporary stream
constexpr unsigned kMinChunk = 65536, kMaxChunk = 1048576;  // faces per chunk of a partial level

struct PositionRecord {
    int32_t m_iNumber;
    float m_aPosition[3];
};

// A stream in the temporary folder that is removed when it is dropped.
class TempStream {
public:
    bool Create()
    {
        const QString name = General::NewTempFile(QStringLiteral("tmp"));
        if (name.isEmpty())
            return false;
        m_pStream = std::make_unique<Stream>(name, true);
        m_pStream->SetRemoveOnClose(true);
        return m_pStream->IsOpen() && !m_pStream->HasError();
    }
    Stream &Get() { return *m_pStream; }

private:
    std::unique_ptr<Stream> m_pStream;
};

// Buffered records of one kind into a temporary stream.
template <class T>
class RecordWriter {
public:
    explicit RecordWriter(Stream &stream) : m_rStream(stream) {}

    bool Add(const T &record)
    {
        if (m_aBuffer.GetItemCount() == kBlock && !Flush())
            return false;
        if (m_aBuffer.Add(record) < 0)
            return false;
        ++m_iCount;
        return true;
    }
    bool Flush()
    {
        const uint64_t bytes = uint64_t(m_aBuffer.GetItemCount()) * sizeof(T);
        const bool written = !bytes || m_rStream.Write(m_aBuffer.GetBuffer(), bytes) == bytes;
        m_aBuffer.SetItemCount(0, true);
        return written && !m_rStream.HasError();
    }
    uint64_t GetCount() const { return m_iCount; }

private:
    Stream &m_rStream;
    General::Store<T> m_aBuffer{"subdiv export indices"};
    uint64_t m_iCount = 0;
};

// Reads back `count` records written by a RecordWriter, from the start of the stream.
template <class T>
class RecordReader {
public:
    RecordReader(Stream &stream, uint64_t count) : m_rStream(stream), m_iLeft(count)
    {
        m_bFailed = !m_rStream.Reopen(false) || m_rStream.HasError();
    }

    bool Next(T &record)
    {
        if (m_iNext == m_aBuffer.GetItemCount()) {
            const unsigned n = unsigned(std::min<uint64_t>(m_iLeft, kBlock));
            if (m_bFailed || !n || !m_aBuffer.SetItemCount(n, false) ||
                m_rStream.Read(m_aBuffer.GetBuffer(), uint64_t(n) * sizeof(T)) != uint64_t(n) * sizeof(T)) {
                m_bFailed = m_bFailed || n;
                return false;
            }
            m_iLeft -= n;
            m_iNext = 0;
        }
        record = m_aBuffer[m_iNext++];
        return true;
    }
    bool Failed() const { return m_bFailed; }

private:
    Stream &m_rStream;
    uint64_t m_iLeft;
    General::Store<T> m_aBuffer{"subdiv exportlevel indices"};
    unsigned m_iNext = 0;
    bool m_bFailed = false;
};

// Copies of a level and of the levels below it in temporary streams, read back to put
// them as they were.
class LevelCopies {
public:
    explicit LevelCopies(SubdivLevel &level) : m_rLevel(level) {}

    bool Save()
    {
        if (!m_cBelow.Create() || !m_cLevel.Create())
            return false;
        m_cBelow.Get().SetLevelChain(false);
        m_cLevel.Get().SetLevelChain(false);
        for (SubdivLevel *level = m_rLevel.GetBaseLevel(); level && level != &m_rLevel; level = level->m_pNext)
            if (!level->Serialize(m_cBelow.Get()))
                return false;
        m_bSaved = m_rLevel.Serialize(m_cLevel.Get()) && !m_cBelow.Get().HasError() && !m_cLevel.Get().HasError();
        // The level record carries the swap files but the vertex marks; they are kept apart.
        const QString marks = LevelSwapFiles::Path(m_rLevel.GetSwapFileName(), LevelSwapFiles::kVertexMarks);
        QFile file(marks);
        if (m_bSaved && file.exists()) {
            m_bSaved = file.open(QIODevice::ReadOnly);
            m_aMarks = file.readAll();
            m_bSaved = m_bSaved && file.error() == QFileDevice::NoError;
        }
        return m_bSaved;
    }
    bool Restore()
    {
        if (!m_bSaved || !m_cBelow.Get().Reopen(false) || !m_cLevel.Get().Reopen(false))
            return false;
        m_cBelow.Get().SetLevelChain(false);
        m_cLevel.Get().SetLevelChain(false);
        bool ok = true;
        for (SubdivLevel *level = m_rLevel.GetBaseLevel(); level && level != &m_rLevel; level = level->m_pNext)
            ok = level->Serialize(m_cBelow.Get()) && ok;
        ok = m_rLevel.Serialize(m_cLevel.Get()) && ok;
        QFile marks(LevelSwapFiles::Path(m_rLevel.GetSwapFileName(), LevelSwapFiles::kVertexMarks));
        ok = marks.open(QIODevice::WriteOnly | QIODevice::Truncate) && marks.write(m_aMarks) == m_aMarks.size() && ok;
        if (!ok)
            Log("Level export: the level could not be put back as it was\n");
        return ok;
    }

private:
    SubdivLevel &m_rLevel;
    TempStream m_cBelow, m_cLevel;
    QByteArray m_aMarks;
    bool m_bSaved = false;
};

}  // namespace

bool SubdivLevel::ExportLevel(LevelFile *file, int32_t *vertexOffset, int32_t *tcOffset, bool regenerate,
                              bool texCoords, float scale)
{
    if (!file || !vertexOffset || !tcOffset || !file->IsOpen() || file->HasError())
        return false;
    MeshSwitches::s_bCreateTCs = false;
    if (m_sSwapBase.isEmpty())
        GetSwapFileName();
    if (m_iTCCount == 0 && m_iFaceCount > 0)
        texCoords = false;
    const int32_t vertexOffsetIn = *vertexOffset, tcOffsetIn = *tcOffset;
    auto fail = [&]() {
        *vertexOffset = vertexOffsetIn;
        *tcOffset = tcOffsetIn;
        return false;
    };

    TempStream positionStream, tcStream, faceStream;
    if (!positionStream.Create() || !tcStream.Create() || !faceStream.Create())
        return fail();
    RecordWriter<PositionRecord> positions(positionStream.Get());
    RecordWriter<TC> tcs(tcStream.Get());
    RecordWriter<int32_t> corners(faceStream.Get());
    int32_t faceCount = 0;
    int64_t tcOffsetNow = tcOffsetIn;
    int32_t largestNumber = -1;

    // The faces to walk: a full level at once; a partial level (or one regenerated from
    // the level below) chunk by chunk over its whole numbering, each chunk brought in from
    // the swap files (or made) and taken out again, so that memory holds one chunk.
    const bool chunked = m_iTotalFaceCount > m_iFaceCount || regenerate;
    const unsigned walk = chunked ? m_iTotalFaceCount : m_iFaceCount;
    const unsigned chunk = chunked ? std::clamp(m_iTotalFaceCount / 10, kMinChunk, kMaxChunk) : std::max(walk, 1u);
    LevelCopies copies(*this);
    if (chunked && !copies.Save())
        return fail();

    // The global number of each held vertex.
    General::Store<unsigned int> global("subdiv exportlevel orig");
    auto numberGlobally = [&]() {
        global.Clear();
        if (m_bFull || !m_aVertexMap.HasItems())
            return true;
        if (!global.SetItemCount(m_iVertexCount, false))
            return false;
        global.Fill(0xFFFFFFFF);
        for (const General::IntPair &pair : m_aVertexMap)
            if (unsigned(pair.first) < m_iVertexCount)
                global[unsigned(pair.first)] = unsigned(pair.second);
        return true;
    };
    auto numberOf = [&](unsigned vertex) { return global.HasItems() ? global[vertex] : vertex; };

    // Writes the held faces from `first` on that carry the active bit; the number written, or -1.
    auto exportFaces = [&](unsigned first) -> int {
        if (!numberGlobally())
            return -1;
        return WithFaces([&](auto &faces) -> int {
            int written = 0;
            for (unsigned f = first; f < m_iFaceCount; ++f) {
                const auto &face = faces[f];
                if (!IsActive(face))
                    continue;
                for (unsigned c = 0; c < face.kCorners; ++c) {
                    const unsigned vertex = CornerVertex(face, c);
                    const unsigned number = vertex < m_iVertexCount ? numberOf(vertex) : 0xFFFFFFFF;
                    if (!TV_CHECK(number <= 0x7FFFFFFF))
                        return -1;
                    const General::Vector &p = m_pVertices[vertex].m_vPosition;
                    if (!positions.Add({int32_t(number), {p.x, p.y, p.z}}) || !corners.Add(int32_t(number)))
                        return -1;
                    largestNumber = std::max(largestNumber, int32_t(number));
                    if (texCoords) {
                        const uint32_t t = uint32_t(face.m_iTCI[c]);
                        const int32_t index = t < m_iTCCount ? int32_t(tcOffsetNow + t + 1) : -1;
                        if (!corners.Add(index))
                            return -1;
                    }
                }
                if (!corners.Add(-1))
                    return -1;
                ++written;
            }
            // The chunk's faces refer to their own copy of the level's texture coordinates.
            if (written && texCoords && m_iTCCount) {
                for (unsigned t = 0; t < m_iTCCount; ++t)
                    if (!tcs.Add(m_pTCs[t]))
                        return -1;
                tcOffsetNow += m_iTCCount;
            }
            return written;
        });
    };

    // The chunk [start, end): the faces the level does not hold are brought in (restored from
    // the swap files, or made from the level below), written, and taken out again.
    bool created = true;
    auto exportChunk = [&](unsigned start, unsigned end) -> int {
        General::Store<unsigned int> list("subdiv exportlevel list");
        m_aFaceMap.Sort(General::Map::kBySecond);
        unsigned held = 0;
        for (unsigned g = start; g < end; ++g) {
            while (held < m_aFaceMap.GetItemCount() && unsigned(m_aFaceMap[held].second) < g)
                ++held;
            const bool present = m_bFull ? g < m_iFaceCount
                                         : held < m_aFaceMap.GetItemCount() && unsigned(m_aFaceMap[held].second) == g;
            if (!present && list.Add(g) < 0)
                return -1;
        }
        const unsigned first = m_iFaceCount;
        if (list.HasItems() && !RestoreFaces(list, false, false, nullptr, true))
            return -1;
        // What the swap files did not hold is made from the level below.
        if (regenerate && m_pPrev && list.HasItems()) {
            list.Sort();
            created = CreateLevel(list, false);
            if (!created)
                return -1;
        }
        const int written = exportFaces(first);
        General::Store<unsigned int> brought("subdiv exportlevel list");
        for (unsigned f = first; f < m_iFaceCount; ++f)
            if (brought.Add(f) < 0)
                return -1;
        if (written < 0 || (brought.HasItems() && !RemoveFaces(brought, false)))
            return -1;
        return written;
    };

    General::ProgressMeter &meter = General::Progress();
    meter.Start(QStringLiteral("exporting level..."), walk, 100);
    bool walked = true;
    if (chunked) {
        // The worked faces leave memory first, so that every chunk is brought in alike.
        General::Store<unsigned int> active("subdiv exportlevel list");
        WithFaces([&](auto &faces) {
            for (unsigned f = 0; f < m_iFaceCount; ++f)
                if (IsActive(faces[f]) && active.Add(f) < 0)
                    walked = false;
        });
        walked = walked && (!active.HasItems() || RemoveFaces(active, false));
        for (unsigned start = 0; walked && start < walk; start += chunk) {
            const unsigned end = unsigned(std::min<uint64_t>(walk, uint64_t(start) + chunk));
            const int written = exportChunk(start, end);
            walked = written >= 0;
            faceCount += std::max(written, 0);
            meter.Advance(end - start);
        }
    } else {
        const int written = exportFaces(0);
        walked = written >= 0;
        faceCount = std::max(written, 0);
        meter.Advance(walk);
    }
    meter.End();
    // The level and the levels below are as they were, whatever happened.
    const bool restored = !chunked || copies.Restore();
    if (!created && MeshSwitches::s_bVerbose)
        General::Shell().CriticalMessage(
            QCoreApplication::translate("SubdivLevel", "ERROR: Cannot complete operation, possibly due to out of memory."));
    if (!walked || !restored)
        return fail();
    if (!positions.Flush() || !tcs.Flush() || !corners.Flush())
        return fail();

    // Group-local vertex numbers, in order of first use.
    General::Store<int> map("subdiv exportlevel map");
    if (!map.SetItemCount(unsigned(largestNumber) + 1u, false))
        return fail();
    map.Fill(-1);
    int32_t vertexCount = 0;
    {
        RecordReader<PositionRecord> reader(positionStream.Get(), positions.GetCount());
        PositionRecord record;
        while (reader.Next(record))
            if (map[unsigned(record.m_iNumber)] < 0)
                map[unsigned(record.m_iNumber)] = vertexCount++;
        if (reader.Failed())
            return fail();
    }
    const int32_t tcCount = int32_t(tcs.GetCount());

    // One encoding whatever the locale, so the name reads back as it was written.
    const QByteArray name = GetObjectName().toUtf8();
    file->BeginGroup(name.constData(), GetLevelIndex(), m_eType, faceCount, vertexCount, tcCount);

    bool read = true;
    meter.Start(QStringLiteral("exporting vertices..."), positions.GetCount(), 100);
    map.Fill(-1);
    {
        RecordReader<PositionRecord> reader(positionStream.Get(), positions.GetCount());
        PositionRecord record;
        int32_t next = 0;
        while (reader.Next(record)) {
            meter.Advance();
            if (map[unsigned(record.m_iNumber)] >= 0)
                continue;
            map[unsigned(record.m_iNumber)] = next++;
            const float xyz[3] = {record.m_aPosition[0] * scale, record.m_aPosition[1] * scale,
                                  record.m_aPosition[2] * scale};
            file->WriteVertex(xyz);
        }
        read = !reader.Failed();
    }
    meter.End();

    if (read && tcCount) {
        meter.Start(QStringLiteral("exporting TCs..."), uint64_t(tcCount), 100);
        RecordReader<TC> reader(tcStream.Get(), tcs.GetCount());
        TC tc;
        while (reader.Next(tc)) {
            meter.Advance();
            const float uv[2] = {tc.u, tc.v};
            file->WriteTexCoord(uv);
        }
        read = !reader.Failed();
        meter.End();
    }

    if (read) {
        meter.Start(QStringLiteral("exporting faces..."), uint64_t(faceCount), 100);
        RecordReader<int32_t> reader(faceStream.Get(), corners.GetCount());
        General::Store<int> indices("subdiv exportlevel indices");
        General::Store<int> tcIndices("subdiv exportlevel tc");
        int32_t value;
        while (read && reader.Next(value)) {
            if (value >= 0) {
                read = indices.Add(map[unsigned(value)] + vertexOffsetIn + 1) >= 0;
                if (texCoords) {
                    int32_t tc = -1;
                    read = read && reader.Next(tc) && tcIndices.Add(tc) >= 0;
                }
                continue;
            }
            meter.Advance();
            file->WriteFace(indices, texCoords ? &tcIndices : nullptr);
            indices.SetItemCount(0, true);
            tcIndices.SetItemCount(0, true);
        }
        read = read && !reader.Failed();
        meter.End();
    }

    if (!read || file->HasError()) {
        // The header is out: take the group back rather than leave it with part of its data.
        if (!file->DropGroup())
            Log("The unfinished group of level %d stays in %s\n", GetLevelIndex(),
                QFile::encodeName(file->GetFileName()).constData());
        return fail();
    }
    *vertexOffset = vertexOffsetIn + vertexCount;
    *tcOffset = int32_t(tcOffsetNow);
    return true;
}
