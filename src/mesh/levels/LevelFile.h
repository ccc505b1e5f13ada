#pragma once
// A file that holds mesh levels as plain geometry: per level a group header, the
// positions, the texture coordinates and the faces, in that order. The level export
// writes through this interface and the binary importer reads through it; the scene
// layer supplies the text and binary forms.
//
// Vertex and texture indices are 1-based and count over the whole file: the first
// vertex of the second group is numbered (vertex count of the first group) + 1.
// A texture index of -1 means the corner has none. Group names are UTF-8.

#include "foundation/Containers.h"

#include <QString>

class LevelFile {
public:
    explicit LevelFile(const QString &fileName) : m_sFileName(fileName) {}
    virtual ~LevelFile() = default;
    LevelFile(const LevelFile &) = delete;
    LevelFile &operator=(const LevelFile &) = delete;

    // type: 0 triangles, 1 quads.
    virtual void BeginGroup(const char *name, int level, int type, int faceCount, int vertexCount, int tcCount) {}
    virtual void WriteVertex(const float *xyz) {}
    virtual void WriteTexCoord(const float *uv) {}
    virtual void WriteFace(const General::Store<int> &indices, const General::Store<int> *tcIndices) {}
    // Takes back everything written since the last BeginGroup, for a group that could not be
    // completed: a reader must never meet a header whose data is missing. False when it cannot.
    virtual bool DropGroup() { return false; }

    // The next group's header; false when there is none or the file is bad.
    virtual bool ReadObject(QString &name, int &level, int &type, int &faceCount, int &vertexCount,
                            int &tcCount) = 0;
    // Each read is false (nothing usable delivered) when the file is short or corrupt.
    virtual bool ReadVertex(float *xyz) { return false; }
    virtual bool ReadTexCoord(float *uv) { return false; }
    virtual bool ReadFace(General::Store<int> &indices, General::Store<int> *tcIndices) { return false; }

    // False when the file could not be opened; nothing is transferred then.
    virtual bool IsOpen() const = 0;
    // True once a transfer failed or the file proved corrupt; later transfers do nothing.
    virtual bool HasError() const = 0;

    const QString &GetFileName() const { return m_sFileName; }

protected:
    QString m_sFileName;
};
