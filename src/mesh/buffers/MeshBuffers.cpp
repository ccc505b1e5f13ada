// Cutting a mesh into video buffers of connected faces of one partition each.
#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "mesh/buffers/BufferCreator.h"
#include "mesh/buffers/BufferEntryPoints.h"
#include "mesh/buffers/BufferHost.h"
#include "mesh/surface/Material.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/Object.h"

#include <QString>

namespace {

constexpr unsigned short kNoBuffer = 0xFFFF;

// How the faces of a mesh are coloured and whether they carry texture coordinates.
struct BufferLook {
    bool m_bActiveLevel = true;
    General::Color m_cDiffuse{1.0f, 1.0f, 1.0f, 1.0f};  // the material's
    bool m_bTextured = false;                            // the material names a texture
};

BufferLook LookOf(Mesh &mesh)
{
    BufferLook look;
    auto *level = dynamic_cast<SubdivLevel *>(&mesh);
    Object *object = level ? level->m_pObject : nullptr;
    if (!object)
        return look;
    look.m_bActiveLevel = object->m_pActiveLevel == level;
    if (const Surface::Material *material = object->GetMaterial()) {
        look.m_cDiffuse = material->m_aDiffuse.GetValue();
        look.m_bTextured = !material->GetTilePattern(0).isEmpty();
    }
    return look;
}

General::Color Modulate(const General::Color &a, const General::Color &b)
{
    return General::Color(a.r * b.r, a.g * b.g, a.b * b.b, a.a * b.a);
}

bool HasMask(const Mesh &mesh)
{
    for (unsigned v = 0; v < mesh.m_iVertexCount; ++v)
        if (mesh.m_pVertices[v].m_cMask)
            return true;
    return false;
}

// The buffer made from what the creator holds; false when OpenGL or memory refused it.
bool MakeBuffer(Mesh &mesh, BufferCreator &creator, BufferObject &buffer)
{
    const BufferEntryPoints &gl = BufferEntryPoints::Get();
    GLuint names[3] = {0, 0, 0};
    gl.m_pGenBuffers(3, names);
    if (!names[0] || !names[1] || !names[2]) {
        gl.m_pDeleteBuffers(3, names);
        return false;
    }
    buffer.m_iPositionBuffer = names[0];
    buffer.m_iAttributeBuffer = names[1];
    buffer.m_iIndexBuffer = names[2];
    buffer.m_bLines = creator.m_bWireframe;
    buffer.m_bTexCoords = creator.m_bTexCoords;
    buffer.m_iStride = creator.m_bTexCoords ? sizeof(BufferObject::TCVertex) : sizeof(BufferObject::AVertex);
    buffer.m_iVertexCount = creator.m_iVertexCount;
    buffer.m_iPrimitiveCount = creator.m_iPrimitiveCount;
    buffer.m_pMesh = &mesh;
    const int partition = creator.m_iPartition;
    buffer.m_pTexture = partition >= 0 && unsigned(partition) < mesh.m_aPartitions.GetItemCount()
                            ? mesh.m_aPartitions[unsigned(partition)].m_pTexture
                            : nullptr;

    gl.m_pBindBuffer(GL_ARRAY_BUFFER, buffer.m_iAttributeBuffer);
    const void *attributes = creator.m_bTexCoords ? static_cast<const void *>(creator.m_aTCVertices.GetBuffer())
                                                  : static_cast<const void *>(creator.m_aAttributes.GetBuffer());
    gl.m_pBufferData(GL_ARRAY_BUFFER, GLsizeiptr(buffer.m_iVertexCount) * buffer.m_iStride, attributes, GL_STATIC_DRAW);
    gl.m_pBindBuffer(GL_ARRAY_BUFFER, 0);
    gl.m_pBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer.m_iIndexBuffer);
    gl.m_pBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(buffer.GetIndexCount()) * 2, creator.m_aIndices.GetBuffer(),
                     GL_STATIC_DRAW);
    gl.m_pBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);

    buffer.m_aVertexIndices.Take(creator.m_aVertexIndices);
    BufferObject::AddVideoMemory(int64_t(buffer.GetVideoMemory()));
    return buffer.Upload();
}

}  // namespace

void Mesh::MarkVertexBuffer(unsigned vertex)
{
    if (vertex >= m_aVertexBuffers.GetItemCount())
        return;
    const unsigned short number = m_aVertexBuffers[vertex];
    if (number < m_aBuffers.GetItemCount())
        m_aBuffers[number].m_bDirty = true;
}

bool Mesh::RecreateBuffers(bool allowed)
{
    BufferHost &host = BufferHost::Get();
    const bool wireframe = host.Wireframe();
    if (!m_bRecreateBuffers && m_aBuffers.HasItems() && m_aBuffers[0].m_bLines == wireframe)
        return true;
    if (!BufferEntryPoints::Get().IsComplete() || !allowed)
        return false;

    m_aBuffers.ReleaseAll();
    if (!m_aVertexBuffers.SetItemCount(m_iVertexCount, false))
        return false;
    m_aVertexBuffers.Fill(kNoBuffer);

    const BufferLook look = LookOf(*this);
    // Without texture coordinates there is nothing a texture could be drawn with.
    BufferCreator creator(wireframe, look.m_bTextured && m_pTCs.HasItems());
    const General::Color &diffuse = look.m_cDiffuse;
    const General::Color base =
        look.m_bActiveLevel ? General::Color(0.8f, 0.8f, 0.8f, 1.0f) : host.InactiveLevelColor();
    creator.SetColors(Modulate(diffuse, base), Modulate(diffuse, host.SelectionColor()),
                      Modulate(diffuse, host.FrozenColor()), host.ShowMask() && HasMask(*this));

    const unsigned n = Corners();
    const uint64_t total = uint64_t(m_iFaceCount) * (wireframe ? n : 2 * (n - 2)) / 2;
    General::Progress().Start(QStringLiteral("Recreating video memory buffers"), total, 50);

    if (m_iStamp == 0)
        m_iStamp = 1;
    creator.m_iBase = creator.m_iThreshold = m_iStamp;
    bool made = true;
    unsigned cursor = 0;
    auto taken = [&](unsigned face) {
        return WithFaces([&](const auto &faces) {
            return !(faces[face].m_iIndices[0] & MeshFlags::kBit31) || faces[face].m_iStamp >= creator.m_iThreshold;
        });
    };
    for (;;) {
        creator.Reset();
        // Hidden faces are never taken, so a flood never starts on one.
        while (cursor < m_iFaceCount && taken(cursor))
            ++cursor;
        if (cursor >= m_iFaceCount)
            break;
        creator.m_iPartition = cursor < m_aFacePartition.GetItemCount() ? m_aFacePartition[cursor] : 0;
        // The vertex table is never cleared between buffers; it starts afresh only before its base would wrap.
        if (creator.m_iBase > 0xFFFFFFFFu - 2 * BufferObject::kMaxVertices) {
            creator.m_aNewVertices.Fill(0);
            creator.m_iBase = 1;
        }
        CollectFacesBreadthFirst(cursor, creator);
        if (!creator.m_iVertexCount || !creator.m_iPrimitiveCount)
            break;

        BufferObject buffer;
        const unsigned number = m_aBuffers.GetItemCount();
        if (!MakeBuffer(*this, creator, buffer)) {
            buffer.Release();
            made = false;
            break;
        }
        for (unsigned index : buffer.m_aVertexIndices)
            m_aVertexBuffers[index] = (unsigned short)number;
        Log(" Buffer %d: %d primitives\n", int(number), int(buffer.m_iPrimitiveCount));
        const unsigned primitives = buffer.m_iPrimitiveCount;
        if (m_aBuffers.Add(std::move(buffer)) < 0) {
            buffer.Release();
            made = false;
            break;
        }
        creator.m_iBase += creator.m_iVertexCount;
        General::Progress().Advance(primitives);
    }

    if (made)
        m_bRecreateBuffers = false;
    else
        m_aBuffers.ReleaseAll();
    host.RefreshView();
    General::Progress().End();
    return made;
}
