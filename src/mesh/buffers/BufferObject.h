#pragma once
// One video buffer: a patch of connected faces of a mesh held by OpenGL as three
// buffer objects (positions with normals, per-vertex colours and texture
// coordinates, 16-bit indices). Indices are 16-bit, so a buffer holds at most
// 65,536 vertices.

#include "foundation/Containers.h"

#include <cstdint>

class Mesh;
namespace Surface {
class Texture;
}

class BufferObject {
public:
    static constexpr unsigned kMaxVertices = 0x10000;

    // The position record: the mesh vertex without its stroke stamp.
    struct DVertex {
        float x, y, z;
        int16_t m_aNormal[3];
        uint8_t m_cFreeze;
        uint8_t m_cMask;
    };
    struct AVertex {
        uint8_t r, g, b, a;
    };
    struct TCVertex {
        AVertex m_cColor;
        float u, v;
    };

    // Refills the position buffer from the mesh when the buffer is dirty. A buffer of
    // more vertices than 16-bit indices reach cannot be drawn: it is not uploaded and
    // the mesh is marked for recreation, which cuts it into patches that fit. True
    // when the positions on the GPU are current.
    bool Upload();
    // In tevrin_mesh_gl, which links OpenGL.
    void Draw() const;
    // Deletes the three GL buffers and takes the buffer's share off the video-memory counter.
    void Release();

    // Bytes of video memory the buffer holds.
    uint64_t GetVideoMemory() const;
    unsigned GetIndexCount() const { return m_iPrimitiveCount * (m_bLines ? 2 : 3); }

    uint32_t m_iPositionBuffer = 0;
    uint32_t m_iAttributeBuffer = 0;
    uint32_t m_iIndexBuffer = 0;
    uint32_t m_iVertexCount = 0;
    uint32_t m_iPrimitiveCount = 0;  // triangles, or lines in wireframe
    uint32_t m_iStride = sizeof(AVertex);
    Surface::Texture *m_pTexture = nullptr;
    Mesh *m_pMesh = nullptr;
    bool m_bLines = false;
    bool m_bTexCoords = false;
    General::Store<unsigned int> m_aVertexIndices{"unknown"};  // mesh vertex of each buffer vertex
    bool m_bDirty = true;                                      // the position buffer must be refilled

    // Bytes of video memory held by all buffers of the program.
    static int64_t GetVideoMemoryInUse();
    static void AddVideoMemory(int64_t bytes);
};

// The buffers of one mesh, released (GL names and video memory) with it.
class BufferObjectList : public General::Store<BufferObject> {
public:
    BufferObjectList() : General::Store<BufferObject>("unknown") {}
    ~BufferObjectList() override { ReleaseAll(); }
    BufferObjectList(const BufferObjectList &) = delete;
    BufferObjectList &operator=(const BufferObjectList &) = delete;

    void ReleaseAll()
    {
        for (BufferObject &buffer : *this)
            buffer.Release();
        Clear();
    }
};

static_assert(sizeof(BufferObject::DVertex) == 20 && sizeof(BufferObject::AVertex) == 4 &&
              sizeof(BufferObject::TCVertex) == 12);
