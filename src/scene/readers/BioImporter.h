#pragma once
// Binary level files (as LevelFileBin writes them) to new Objects, one per group in file
// order. Exported levels come back this way, and the map extraction reads large reference
// meshes in this form, filtered by a space so that only the part near its target is loaded.
// Every count and index of the file is checked before it is used: a damaged file gives
// no objects and a message, never a partly built mesh.

#include "scene/readers/Importer.h"

#include <memory>

class LevelFileBin;

class BioImporter : public Importer {
public:
    BioImporter(const QString &path, BTree::Space *space);
    ~BioImporter() override;

    Object *DoImport() override;

private:
    // Reads the current group's data into `object`; false (with m_sError set) when the file is bad.
    bool ReadGroup(Object &object, int type, int faceCount, int vertexCount, int tcCount);

    QString m_sPath;
    std::unique_ptr<LevelFileBin> m_pFile;
    int64_t m_iVertexOffset = 0, m_iTCOffset = 0;
};
