#pragma once
// What the face walks of a mesh ask of the operation that drives them.

class Mesh;

class FaceVisitor {
public:
    virtual ~FaceVisitor() = default;
    virtual void ProcessFace(Mesh &mesh, unsigned face) = 0;
    // True when the walk accepts the face (and may go on through it).
    virtual bool IsFaceAffected(Mesh &mesh, unsigned face) = 0;
};

// What the vertex collection asks of a vertex operation.
class VertexVisitor {
public:
    virtual ~VertexVisitor() = default;
    virtual void ProcessVertex(Mesh &mesh, unsigned face, unsigned vertex, float weight) = 0;
    // A vertex is processed only when its weight is above 0.
    virtual float GetWeight(Mesh &mesh, unsigned face, unsigned vertex) = 0;
    // Called once before a walk weighs its first vertex: what stays fixed through the walk
    // is taken here rather than for every vertex.
    virtual void BeginWalk(Mesh &) {}
};
