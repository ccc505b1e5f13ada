#pragma once
// Wavefront OBJ text to new Objects, one per mesh of the file. A mesh is a block of
// vertex lines with the faces that follow it: a vertex line after a face line begins the
// next mesh, and every face must use vertices of its own block.
//
// The file is read twice. The scan counts each mesh's positions, texture coordinates and
// faces, numbers the vertices that faces use (unused ones are dropped, the kept ones keep
// their file order), checks every index and names the meshes; then each Object is made at
// its final size and the second pass fills it. A mesh whose faces all have four corners
// becomes a quad object, any other one a triangle object with its polygons as fans.
//
// Indices count from 1 over the whole file; a negative index counts back from the last
// line of its kind read so far. Index 0, vertex indices past the lines read so far or into an
// earlier mesh, and texture indices past the file's texture coordinates refuse the file,
// naming the line; faces of fewer than three corners are left out and counted. A line's
// data ends at "#".
//
// Both passes parse blocks of lines on several threads and take them up in file order,
// so the result is the same for any thread count.
//
// With a space, only faces with a vertex inside it are imported (with the vertices they
// use) and texture coordinates are left out: the map extraction loads just the part of
// a large reference mesh near its target this way.

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "scene/readers/Importer.h"
#include "scene/readers/TextReader.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

class ObjImporter : public Importer {
public:
    struct MeshInfo {
        uint32_t m_iPosStart = 0, m_iPosEnd = 0;
        uint32_t m_iNormalStart = 0, m_iNormalEnd = 0;
        uint32_t m_iTCStart = 0, m_iTCEnd = 0;
        uint32_t m_iPrimitiveCount = 0;  // triangles, or quads once the mesh ended as a quad mesh
        uint32_t m_iPolygonCount = 0;    // face lines kept
        uint32_t m_iInsideEnd = 0;       // positions below it were numbered as inside the space
        uint32_t m_iVertexListStart = 0;
        bool m_bQuads = true;
        char m_szName[64] = {};
        Object *m_pObject = nullptr;
    };

    // The faces of one object that a named group of the file holds: the scene makes a
    // selection set of each name. For triangle objects the first triangle of each polygon.
    struct GroupFaces {
        QString name;
        Object *object = nullptr;
        General::Store<unsigned int> faces{"objimport groupfaces"};
    };

    // What a line holds, by its first characters.
    enum class Kind : uint8_t { Other, Position, TexCoord, Normal, Face, Group };

    ObjImporter(const char *path, BTree::Space *space);
    ~ObjImporter() override;

    Object *DoImport() override;

    // How many threads import (0: one per processor this process may use; 1: no others
    // than the caller's), and the bytes of a block of lines that one thread parses at a time.
    static constexpr unsigned kBlockSize = 1u << 19;
    void SetThreads(unsigned threads, unsigned blockSize = kBlockSize)
    {
        m_iThreads = threads;
        m_iBlockSize = blockSize;
    }

    // Filled by DoImport when the file has more than one group line; groups named
    // "default..." or with no name are left out.
    const std::vector<GroupFaces> &GetGroups() const { return m_aGroups; }
    std::vector<GroupFaces> TakeGroups() { return std::move(m_aGroups); }

private:
    struct Corner {
        int32_t p, t;
    };
    // A line of a parsed block that matters to the pass. A face's corners (as written, up
    // to any unexpected text) or a position's or texture coordinate's values start at
    // `first` in the block's arrays; a group's name at `first` in its text.
    struct ParsedLine {
        Kind kind;
        bool badText;     // a face's corners stop at unexpected text
        uint32_t line;    // 1-based within the block
        uint32_t offset;  // of the line in the block
        uint32_t first, count;
    };
    // A face of a named group, as the fill found it: the scene lists them in file order.
    struct GroupFace {
        uint32_t mesh, face, name;  // name: in the block's groupNames
    };
    // A face corner whose texture index names a coordinate outside its mesh's block: its
    // coordinate is copied into the object once every block is filled.
    struct TCFixup {
        uint32_t mesh, face, slot;
        uint32_t line;  // the texture coordinate's line among the file's "vt" lines, from 0
    };
    struct LineTC {
        uint32_t line;
        float u, v;
    };
    struct ParsedBlock {
        TextBlock text;
        bool failed = false;
        uint32_t lineCount = 0;
        std::vector<ParsedLine> lines;
        std::vector<float> values;
        std::vector<Corner> corners;
        // What the fill of the block gave.
        QString error;           // its first error, on line errorLine of the block
        uint32_t errorLine = 0;
        uint64_t filled[3] = {0, 0, 0};
        std::vector<GroupFace> groupFaces;
        std::vector<QByteArray> groupNames;
        std::vector<TCFixup> tcFixups;
        std::vector<LineTC> orphanTCs;  // coordinates of blocks that made no object
        std::vector<uint32_t> local;  // a face's object-local corners
    };
    // What the parse of a pass reads of each line.
    struct ParseWhat {
        bool positions, texCoords, faceTextures;
    };
    // The state of the fill where a block begins, as the scan found it.
    struct FillStart {
        uint64_t offset, linesBefore;
        uint32_t vertexLines, tcLines, meshIndex;
        uint32_t primitives;  // of the mesh so far, as the scan counts them
        bool inVertexBlock;
        QByteArray group;     // the last group name that faces may be listed under
    };

    // Splits the block's lines and parses what the pass needs; touches nothing else.
    static void ParseBlock(ParsedBlock &block, ParseWhat what);
    // Runs the pass over the file: on the parsing threads work(block) after the parse; in
    // file order begin(block), then take(block, line) for each parsed line with m_iLine
    // set, then done(block); take and done return false to stop.
    template <class Work, class Begin, class Line, class Done>
    bool Pass(ParseWhat what, Work work, Begin begin, Line take, Done done, uint64_t &nextCheck, uint64_t step);
    // Writes the block's vertices, texture coordinates and faces into the objects, from
    // where the scan says the block begins; stops at the first error. Any thread.
    void FillBlock(ParsedBlock &block, bool namedGroups) const;

    bool Scan();
    bool Fill();
    // Opens the record of the next mesh at the running counts.
    void BeginMesh();
    bool EndMesh(unsigned index);
    bool CreateObjects();
    // Makes the parsed corners of a face line `face`, with p made absolute and 1-based and
    // checked against the vertex lines read so far and the mesh's block; the error, if any.
    QString FaceError(ParsedBlock &block, const ParsedLine &line, uint64_t lineNumber, uint32_t vertexLines,
                      uint32_t tcLines, const MeshInfo &mesh, std::span<Corner> &face) const;
    bool Refuse(const QString &reason);
    // Moves the progress display on to `position` and takes a cancel request.
    bool Cancelled(uint64_t position, uint64_t &nextCheck, uint64_t step);
    // The object-local texture index of a corner (-1 for none); kOutside when the index
    // names a coordinate outside the mesh's block.
    static constexpr int32_t kOutside = -2;
    static int32_t LocalTC(int32_t t, const MeshInfo &mesh);
    // Gives the objects the coordinates their faces name outside their blocks, after the fill.
    bool ResolveTCFixups();

    TextReader m_cReader;
    unsigned m_iThreads = 0;
    unsigned m_iBlockSize = kBlockSize;
    uint64_t m_iLine = 0;         // the line being taken up
    uint64_t m_iLinesBefore = 0;  // lines of the blocks taken up before
    std::vector<FillStart> m_aStarts;
    QString m_sPath;
    uint64_t m_iFileSize = 0;
    uint32_t m_iMeshCount = 0;
    uint32_t m_iGroupCount = 0;
    uint32_t m_iPositionCount = 0;
    uint32_t m_iTexCoordCount = 0;
    uint32_t m_iNormalCount = 0;
    uint64_t m_iVertexLines = 0, m_iFaceLines = 0;
    General::Store<MeshInfo> m_aOI{"objimport meshlist"};
    // Per vertex line: its index in the imported positions (with kInside when it lies in the
    // space), or kUnused.
    General::Store<unsigned int> m_cVertexList{"objimport vertexlist"};
    std::span<Corner> m_aFace;  // the corners of the face line the scan takes up
    std::vector<GroupFaces> m_aGroups;
    std::vector<TCFixup> m_aTCFixups;
    std::vector<LineTC> m_aOrphanTCs;
    Object *m_pFirst = nullptr;
    uint64_t m_iFilled[3] = {0, 0, 0};  // vertices, texture coordinates and faces written by the fill
    uint64_t m_iShortFaces = 0, m_iFirstShortFace = 0;  // faces left out, and the line of the first
};
