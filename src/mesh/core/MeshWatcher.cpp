#include "mesh/core/MeshWatcher.h"

#include "foundation/Containers.h"

namespace {
General::Store<MeshWatcher *> &Watchers()
{
    static General::Store<MeshWatcher *> watchers("mesh watchers");
    return watchers;
}
}  // namespace

void MeshWatcher::Add(MeshWatcher *watcher)
{
    Remove(watcher);
    Watchers().Add(watcher);
}

void MeshWatcher::Remove(MeshWatcher *watcher) { Watchers().Remove(watcher); }

void MeshWatcher::NotifyDestroyed(Mesh &mesh)
{
    // By index: a watcher may remove itself while it is told.
    for (unsigned i = 0; i < Watchers().GetItemCount(); ++i)
        Watchers()[i]->MeshDestroyed(mesh);
}
