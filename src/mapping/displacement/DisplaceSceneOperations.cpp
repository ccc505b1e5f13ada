// The displacement operations a scene file carries: each belongs to one scene, is saved
// with it, and goes when the scene is emptied or replaced.
#include "mapping/displacement/DisplaceOperation.h"

#include "foundation/Stream.h"

#include <memory>
#include <vector>

namespace Displacement {

namespace {

// The operations of `scene`, oldest first: the order they were made in, kept by a file.
std::vector<DisplaceOperation *> OperationsOf(const Scene &scene)
{
    std::vector<DisplaceOperation *> operations;
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
        if (node->GetTypeInfo() == &DisplaceOperation::s_typeInfo)
            if (auto *operation = static_cast<DisplaceOperation *>(node); operation->m_pScene == &scene)
                operations.insert(operations.begin(), operation);
    return operations;
}

}  // namespace

void DisplaceOperation::WriteSceneOperations(Stream &stream, const Scene &scene)
{
    for (DisplaceOperation *operation : OperationsOf(scene)) {
        unsigned char marker = 1;
        stream.Serialize(marker);
        operation->Serialize(stream);
    }
}

bool DisplaceOperation::ReadSceneOperation(Stream &stream, Scene &scene)
{
    auto operation = std::make_unique<DisplaceOperation>();
    if (!operation->Serialize(stream))
        return false;
    operation->m_pScene = &scene;
    operation.release();  // the node list holds it from now on
    return true;
}

void DisplaceOperation::DeleteSceneOperations(const Scene &scene)
{
    for (DisplaceOperation *operation : OperationsOf(scene)) {
        // One in its run goes when the run is over, as its own delete gate has it.
        if (operation->m_bRunning) {
            operation->m_pScene = nullptr;
            operation->m_bDeleteRequested = true;
        } else {
            delete operation;
        }
    }
}

void DisplaceOperation::MoveSceneOperations(const Scene &from, Scene &to)
{
    for (DisplaceOperation *operation : OperationsOf(from))
        operation->m_pScene = &to;
}

}  // namespace Displacement
