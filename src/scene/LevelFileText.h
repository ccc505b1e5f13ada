#pragma once
// Level files as Wavefront OBJ text, for writing only: per group a "g" line, then
// "v", "vt" and "f" lines. Type and counts of a group are not written.

#include "mesh/levels/LevelFile.h"

#include <QByteArray>

#include <cstdio>
#include <sys/types.h>

class LevelFileText : public LevelFile {
public:
    // Opens the file for writing ("w") when storing, else for reading ("r"); the third
    // value is not used. A file that cannot be opened is logged and IsOpen() is false.
    LevelFileText(const QString &fileName, bool storing, int unused = 0);
    ~LevelFileText() override;

    void BeginGroup(const char *name, int level, int type, int faceCount, int vertexCount, int tcCount) override;
    void WriteVertex(const float *xyz) override;
    void WriteTexCoord(const float *uv) override;
    // A face is written with texture indices only when every corner has one (an index of 1 or more).
    void WriteFace(const General::Store<int> &indices, const General::Store<int> *tcIndices) override;
    bool DropGroup() override;
    // Text level files cannot be read back.
    bool ReadObject(QString &name, int &level, int &type, int &faceCount, int &vertexCount, int &tcCount) override;

    bool IsOpen() const override { return m_pFile != nullptr; }
    // A failed write (or flush) is logged and told the person once, naming the file.
    bool HasError() const override;

private:
    void WriteLine(const QByteArray &line);
    void ReportWriteFailure() const;

    std::FILE *m_pFile = nullptr;
    bool m_bStoring = false;
    mutable bool m_bError = false;
    off_t m_iGroupStart = -1;
};
