// Reads object and face operation undo records (hide, lock and delete; face and object
// selection, freeze painting) back from arbitrary bytes and executes each accepted one twice
// on a small scene of two objects, each with a partial finer level (packed ids 1 and 65537).
#include "FuzzFile.h"
#include "foundation/OperationBuffer.h"
#include "mesh/object/Object.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/objects/ObjectStateOperation.h"
#include "operations/selection/PaintFreezeOperation.h"
#include "operations/selection/SelectObjectOperation.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "support/MeshFixtures.h"

#include <memory>
#include <vector>

namespace {

// A level holding part of its faces: the even global faces of a level of `total`, the odd
// ones absent, named as absent neighbours across the grid's first row. With `identity`
// the face map is left empty, which stands for the identity pairs.
SubdivLevel *MakePartialLevel(unsigned n, unsigned total, bool identity)
{
    auto level = fixtures::MakeGrid<SubdivLevel>(n);
    level->m_bFull = false;
    level->m_iTotalFaceCount = total;
    if (!identity) {
        for (unsigned i = 0; i < level->m_iFaceCount; ++i)
            level->m_aFaceMap.Add({int(i), int(2 * i)});
        for (unsigned i = 0; i < n; ++i)
            level->m_pQuads[i].m_iAdjacent[0] = int32_t(0x80000000u + 4 * (2 * i + 1) + 2);
    }
    return level.release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool initialised = (InitializeSceneGlobals(), true);
    (void)initialised;
    Scene::s_iCounter = 0;
    auto scene = std::make_unique<Scene>();
    Object *first = fixtures::MakeGrid<Object>(4).release();
    first->SetNextLevel(MakePartialLevel(4, 64, false));
    scene->AddObject(first);
    Object *second = fixtures::MakeGrid<Object>(2).release();
    second->SetNextLevel(MakePartialLevel(2, 16, true));
    scene->AddObject(second);
    Scene::BuildOctrees(scene->m_pObjects);

    FuzzFile dir(nullptr, 0);
    OperationBuffer buffer(dir.Sibling("undo.tmp"));
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        switch (type) {
        case Operations::kHideObject: return std::make_unique<Operations::HideObjectOperation>();
        case Operations::kLockObject: return std::make_unique<Operations::LockObjectOperation>();
        case Operations::kDeleteObject: return std::make_unique<Operations::DeleteObjectOperation>();
        case Operations::kHideFace: return std::make_unique<Operations::HideFaceOperation>();
        case Operations::kDeleteFace: return std::make_unique<Operations::DeleteFaceOperation>();
        case Operations::kSelectObject: return std::make_unique<Operations::SelectObjectOperation>();
        case Operations::kSelectFace: return std::make_unique<Operations::SelectFaceOperation>();
        case Operations::kPaintFreeze: return std::make_unique<Operations::PaintFreezeOperation>();
        default: return nullptr;
        }
    });
    buffer.Write(data, size);
    char kind = 0;
    for (int i = 0; i < 16; ++i) {
        auto record = buffer.ReadPrevious(kind);
        if (!record)
            break;
        auto *op = static_cast<Operations::Operation *>(record.get());
        op->Execute();
        op->Execute();
    }
    OperationBuffer::SetFactory(nullptr);
    return 0;
}
