// Reads arbitrary bytes as a binary level file, once whole and once filtered by a space.
#include "FuzzFile.h"
#include "foundation/Diagnostics.h"
#include "scene/BTreeSpace.h"
#include "scene/LevelFileBin.h"

namespace {
class SlabSpace : public BTree::Space {
public:
    bool IsFree(const General::Vector &p, float) override { return !(p.x < 0.5f); }
    float GetRadius() override { return 1.0f; }
};

void ReadAll(const QString &path, BTree::Space *space)
{
    LevelFileBin file(path, false, 0, space);
    QString name;
    int level, type, faces, vertices, tcs;
    General::Store<int> indices("fuzz indices"), tcIndices("fuzz tcs");
    while (file.ReadObject(name, level, type, faces, vertices, tcs)) {
        float buffer[3];
        bool ok = true;
        for (int i = 0; ok && i < vertices; ++i)
            ok = file.ReadVertex(buffer);
        for (int i = 0; ok && i < tcs; ++i)
            ok = file.ReadTexCoord(buffer);
        for (int i = 0; ok && i < faces; ++i)
            ok = file.ReadFace(indices, i % 2 ? &tcIndices : nullptr);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    SlabSpace space;
    try {
        ReadAll(file.Path(), nullptr);
        ReadAll(file.Path(), &space);
    } catch (const General::Error &) {
    }
    return 0;
}
