// Imports arbitrary bytes as an OBJ file and as a BIO file, each whole and filtered by a space.
#include "FuzzFile.h"
#include "foundation/Diagnostics.h"
#include "scene/BTreeSpace.h"
#include "scene/readers/Importer.h"

#include <memory>

namespace {
class SlabSpace : public BTree::Space {
public:
    bool IsFree(const General::Vector &p, float) override { return !(p.x < 0.5f); }
    float GetRadius() override { return 1.0f; }
};

void Import(const QString &path, BTree::Space *space)
{
    std::unique_ptr<Importer> importer(Importer::Create(path, space));
    if (importer)
        Importer::DeleteChain(importer->DoImport());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SlabSpace space;
    try {
        // The first byte picks the reader, so that one corpus seeds both.
        const bool bio = size && data[0] == 0xB1;
        FuzzFile file(data + (bio ? 1 : 0), size - (bio ? 1 : 0), bio ? "input.bio" : "input.obj");
        Import(file.Path(), nullptr);
        Import(file.Path(), &space);
    } catch (const General::Error &) {
    }
    return 0;
}
