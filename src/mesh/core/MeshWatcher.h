#pragma once
// Layers above the mesh model that keep references to meshes (selection sets,
// property windows, layer lists) watch for their destruction through this interface.

class Mesh;

class MeshWatcher {
public:
    virtual void MeshDestroyed(Mesh &mesh) = 0;

    // Watchers are not owned; a watcher removes itself before it goes.
    static void Add(MeshWatcher *watcher);
    static void Remove(MeshWatcher *watcher);
    static void NotifyDestroyed(Mesh &mesh);

protected:
    ~MeshWatcher() = default;
};
