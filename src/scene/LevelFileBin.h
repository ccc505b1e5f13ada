#pragma once
// Level files in the program's binary form, written and read through a Stream:
//   stream header (4), object count (int32), then per group:
//   name length (int32) and its UTF-8 bytes (at most 255), level index, type
//   (0 triangles, 1 quads), face count, vertex count, texture-coordinate count
//   (int32 each), the positions (3 floats each), the texture coordinates (2 floats
//   each), and per face: corner count n (int32) and n int32 vertex indices, followed,
//   when the group has texture coordinates, by n and n int32 texture indices.
//
// A reader given a space loads only the faces that touch it, with just the vertices
// that they use (the filtered read); it then delivers no texture coordinates.
// Everything read is checked against the group's counts: a corrupt file is refused
// (the reads return false and HasError() is set), never used as table indices.

#include "foundation/Stream.h"
#include "mesh/levels/LevelFile.h"

#include <cstdint>
#include <memory>

namespace BTree {
class Space;
}

class LevelFileBin : public LevelFile {
public:
    // The filter radius is the space's radius times this factor (a preference).
    static inline float s_fSpaceRadiusFactor = 0.1f;
    // Names longer than this cannot be read back; writers cut them.
    static constexpr int kMaxNameLength = 255;

    // Storing writes the object count after the stream header; loading reads it. A file
    // whose version word this program does not know stays closed, GetOpenError saying why.
    LevelFileBin(const QString &fileName, bool storing, int objectCount, BTree::Space *space = nullptr);
    ~LevelFileBin() override;

    void BeginGroup(const char *name, int level, int type, int faceCount, int vertexCount, int tcCount) override;
    void WriteVertex(const float *xyz) override;
    void WriteTexCoord(const float *uv) override;
    void WriteFace(const General::Store<int> &indices, const General::Store<int> *tcIndices) override;
    bool DropGroup() override;

    // With a space, the counts given back are those of the part to be loaded, and the
    // texture-coordinate count is 0. The reads that follow deliver vertex indices that
    // continue over the counts given back for the earlier groups (1-based).
    bool ReadObject(QString &name, int &level, int &type, int &faceCount, int &vertexCount, int &tcCount) override;
    bool ReadVertex(float *xyz) override;
    bool ReadTexCoord(float *uv) override;
    // The face's texture indices are read into tcIndices when given; a group without
    // texture coordinates gives an empty store. Texture index -1 means none.
    bool ReadFace(General::Store<int> &indices, General::Store<int> *tcIndices) override;

    bool IsOpen() const override { return m_pStream && m_pStream->IsOpen(); }
    // What waits in the buffer is written first: a full disk shows here, not only at the close.
    bool HasError() const override { return !m_pStream || !m_pStream->Flush(); }
    int GetObjectCount() const { return m_iObjectCount; }
    const QString &GetOpenError() const { return m_sOpenError; }

private:
    struct Group {
        int type = 0;
        int faces = 0, vertices = 0, tcs = 0;
    };

    bool Fail(const char *what);
    bool ReadHeader(QString &name, int &level, Group &group);
    // Reads one index store of at most `limit` items, each in (base, base + count] (or -1 when allowed).
    bool ReadIndices(General::Store<int> &indices, unsigned minCount, unsigned maxCount, int64_t base,
                     int64_t count, bool noneAllowed);
    bool FilterGroup(const Group &group, int &faceCount, int &vertexCount);
    void FreeFilter();

    int m_iObjectCount = 0;
    int64_t m_iGroupStart = -1;  // where the group being written began
    std::unique_ptr<Stream> m_pStream;
    QString m_sOpenError;
    BTree::Space *m_pSpace = nullptr;
    General::Store<int> m_aVertexStates{"levelfilebin vertexstates"};
    General::Store<int> m_aVertexMap{"levelfilebin vertexmap"};
    General::Store<int> m_aFaceList{"levelfilebin facelist"};
    General::Store<int> m_aScratchTCs{"levelfilebin readface tcistemp"};
    uint64_t m_iFaceBlock = 0;
    uint64_t m_iVertexBlock = 0;
    uint64_t m_iGroupEnd = 0;
    unsigned m_iLoadedVertices = 0;
    unsigned m_iLoadedFaces = 0;
    int m_iCurrentFace = -1;
    unsigned m_iFaceRecordSize = 0;

    // The group being read, and where its numbers start in the file and in what the caller got.
    Group m_cGroup;
    int m_iGroupsRead = 0;
    int64_t m_iFileVertexBase = 0, m_iFileTCBase = 0;
    int64_t m_iOutVertexBase = 0, m_iOutTCBase = 0;
    int m_iOutVertices = 0, m_iOutTCs = 0;
};
