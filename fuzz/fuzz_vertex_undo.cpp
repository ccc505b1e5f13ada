// Reads vertex-brush undo records back from arbitrary bytes and replays the ones that are
// accepted on a small grid object in the main scene.
#include "FuzzFile.h"
#include "foundation/OperationBuffer.h"
#include "mesh/object/Object.h"
#include "operations/brushes/VertexOperation.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "support/MeshFixtures.h"

#include <memory>
#include <vector>

namespace {

// A 4 × 4 grid of quads with adjacency and normals.
std::unique_ptr<Object> MakeGrid()
{
    std::vector<General::Vector> points;
    for (unsigned j = 0; j <= 4; ++j)
        for (unsigned i = 0; i <= 4; ++i)
            points.emplace_back(float(i), float(j), 0.0f);
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 4; ++i) {
            const unsigned a = j * 5 + i;
            quads.push_back({a, a + 1, a + 6, a + 5});
        }
    auto object = fixtures::MakeQuads<Object>(points, quads);
    object->CalculateAdjacency();
    object->CalculateNormals(false);
    return object;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool initialised = (InitializeSceneGlobals(), true);
    (void)initialised;
    Scene::s_iCounter = 0;
    auto scene = std::make_unique<Scene>();
    scene->AddObject(MakeGrid().release());

    FuzzFile dir(nullptr, 0);
    OperationBuffer buffer(dir.Sibling("undo.tmp"));
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        if (type == Operations::kVertex)
            return std::make_unique<Operations::VertexOperation>(nullptr, nullptr, 0);
        return nullptr;
    });
    buffer.Write(data, size);
    char kind = 0;
    for (int i = 0; i < 16; ++i) {
        auto record = buffer.ReadPrevious(kind);
        if (!record)
            break;
        static_cast<Operations::Operation *>(record.get())->Execute();
    }
    OperationBuffer::SetFactory(nullptr);
    return 0;
}
