// Imports arbitrary bytes as an OBJ file and as a BIO file, each whole and filtered by a space.
// An OBJ file is also parsed on several threads in small blocks, which must give the same.
#include "FuzzFile.h"
#include "mesh/object/Object.h"
#include "scene/BTreeSpace.h"
#include "scene/readers/Importer.h"
#include "scene/readers/ObjImporter.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {
class SlabSpace : public BTree::Space {
public:
    bool IsFree(const General::Vector &p, float) override { return !(p.x < 0.5f); }
    float GetRadius() override { return 1.0f; }
};

// The error, and per object its counts and records, as one comparable value.
std::vector<uint8_t> Import(const QString &path, BTree::Space *space, unsigned threads = 0, unsigned blockSize = 0)
{
    std::vector<uint8_t> summary;
    std::unique_ptr<Importer> importer(Importer::Create(path, space));
    if (!importer)
        return summary;
    if (auto *obj = dynamic_cast<ObjImporter *>(importer.get()); obj && threads)
        obj->SetThreads(threads, blockSize);
    Object *first = importer->DoImport();
    const auto add = [&](const void *bytes, size_t size) {
        summary.insert(summary.end(), static_cast<const uint8_t *>(bytes), static_cast<const uint8_t *>(bytes) + size);
    };
    const QByteArray error = importer->GetError().toUtf8();
    add(error.constData(), size_t(error.size()));
    for (const Object *o = first; o; o = o->m_pNextObject) {
        const unsigned counts[] = {o->m_iVertexCount, o->m_iFaceCount, o->m_iTCCount, o->m_iPolygonCount};
        add(counts, sizeof counts);
        for (unsigned v = 0; v < o->m_iVertexCount; ++v)
            add(&o->m_pVertices[v].m_vPosition, sizeof(General::Vector));
        if (o->m_iFaceCount == 0)
            continue;
        if (o->m_eType == Mesh::typeQuadric)
            add(&o->m_pQuads[0], sizeof(Quad) * o->m_iFaceCount);
        else
            add(&o->m_pTriangles[0], sizeof(Triangle) * o->m_iFaceCount);
    }
    Importer::DeleteChain(first);
    return summary;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SlabSpace space;
    // The first byte picks the reader, so that one corpus seeds both. No error may escape
    // an importer: the scene and the bake call them without catching.
    const bool bio = size && data[0] == 0xB1;
    FuzzFile file(data + (bio ? 1 : 0), size - (bio ? 1 : 0), bio ? "input.bio" : "input.obj");
    const std::vector<uint8_t> single = Import(file.Path(), nullptr, 1, ObjImporter::kBlockSize);
    if (!bio && Import(file.Path(), nullptr, 3, 16) != single)
        __builtin_trap();
    Import(file.Path(), &space);
    return 0;
}
