#pragma once
// The partial-level swap files of a level: what a level gave up of its faces and
// vertices, kept so that they can be brought back. Each is named by the level's swap
// base name, a kind, the program's instance suffix and ".tmp". All values are
// little-endian, without a header:
//   "f"   one face per record, as in memory (64 bytes for quads, 56 for triangles), with
//         the global vertex index in the low 30 bits of each corner and every neighbour
//         entry that named a held face as 0x80000000 + global neighbour × n + slot;
//   "fi"  8-byte pairs (global face, record number in "f"), in the order of first writing;
//   "v"   one vertex per record: position (an offset from the Catmull-Clark position on
//         levels above 0) and stroke stamp, then on levels above 0 the Catmull-Clark
//         position: 28 bytes, or 16 on level 0;
//   "vi"  8-byte pairs (global vertex, record number in "v");
//   "vm"  2 bytes per record of "v": the vertex's freeze and mask bytes.
// A face or vertex keeps its record once it has one; removing it again rewrites it.
// Scene files embed the first four only (their layout is fixed), so freeze and mask of
// removed vertices survive within a session but not a save and load.

#include "foundation/Containers.h"

#include <QString>

#include <cstdint>
#include <cstdio>

class LevelSwapFiles {
public:
    enum Kind { kVertices, kVertexIndex, kFaces, kFaceIndex, kVertexMarks, kKindCount };

    static const char *KindName(Kind kind);
    // base + kind + instance suffix + ".tmp".
    static QString Path(const QString &base, Kind kind);
    // The four files that scene files carry, in their stored order ("v", "vi", "f", "fi").
    static constexpr Kind kStored[4] = {kVertices, kVertexIndex, kFaces, kFaceIndex};

    // Vertex record sizes.
    static constexpr unsigned kVertexRecord = 16;
    static constexpr unsigned kVertexRecordWithCC = 28;

    // Reserves a swap base name for one level. A name that a live level holds already
    // gets a distinguishing ending, so that no level ever truncates another's files.
    static QString ClaimBase(const QString &wanted);
    static void ReleaseBase(const QString &base);

    // Reads an index file into `map` (pairs of global index and record number) sorted by
    // global index. Pairs naming a record at or past `recordCount` are dropped. A missing
    // file reads as empty; false when the memory for the map is refused.
    static bool ReadIndex(const QString &path, unsigned recordCount, General::Map &map);
    // Appends pairs to an index file in one write; on failure the file is cut back to its
    // former length and the result is false.
    static bool AppendIndex(const QString &path, const General::Store<General::IntPair> &pairs);
};

// One file of fixed-size records, written and read by record number with the file
// position tracked, so that consecutive records need no seek.
class SwapRecordFile {
public:
    SwapRecordFile() = default;
    ~SwapRecordFile() { Close(); }
    SwapRecordFile(const SwapRecordFile &) = delete;
    SwapRecordFile &operator=(const SwapRecordFile &) = delete;

    // "r+b" to rewrite and append, "rb" to read; false (logged) when the file cannot be opened.
    bool Open(const QString &path, const char *mode, unsigned recordSize);
    bool IsOpen() const { return m_pFile != nullptr; }
    // Whole records in the file, including those appended since it was opened.
    unsigned GetRecordCount() const { return m_iRecords; }
    bool Write(unsigned record, const void *data);
    bool Read(unsigned record, void *data);
    // Flushes and closes; false when a write failed or the flush did.
    bool Close();
    bool HasError() const { return m_bError; }
    // Cuts the file back to `records` records (undoing appends of an abandoned operation).
    void Truncate(unsigned records);

private:
    bool SeekTo(unsigned record);

    std::FILE *m_pFile = nullptr;
    QString m_sPath;
    unsigned m_iRecordSize = 0;
    unsigned m_iRecords = 0;
    int64_t m_iPosition = -1;  // byte position of the file, -1 when unknown
    bool m_bWriting = false;   // the last transfer wrote (a change of direction needs a seek)
    bool m_bError = false;
};
