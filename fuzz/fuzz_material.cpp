// Loads arbitrary bytes as material records (a count, then the records, as scene and
// settings files hold them) followed by a tangent configuration, then uses them: tile
// names are made and a quad's tangent frames built by the configuration.
#include "FuzzFile.h"
#include "FuzzPlacement.h"
#include "foundation/Stream.h"
#include "mesh/surface/Material.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshGlobals.h"
#include "mesh/surface/Texture.h"

#include <memory>
#include <vector>

namespace {

bool Setup()
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    InitializeMeshGlobals();
    return true;
}

// A unit quad with texture coordinates, the frames' subject.
void FillQuad(Mesh &mesh)
{
    mesh.m_iVertexCount = mesh.m_iTCCount = 4;
    mesh.m_iFaceCount = 1;
    mesh.m_pVertices.SetItemCount(4, false);
    mesh.m_pTCs.SetItemCount(4, false);
    mesh.m_pQuads.SetItemCount(1, false);
    Quad quad{};
    for (unsigned i = 0; i < 4; ++i) {
        Vertex v{};
        v.m_vPosition = General::Vector(float(i & 1), float(i >> 1), 0);
        v.m_aNormal[2] = 32767;
        mesh.m_pVertices[i] = v;
        mesh.m_pTCs[i] = TC{float(i & 1), float(i >> 1)};
        quad.m_iIndices[i] = i;
        quad.m_iTCI[i] = int32_t(i);
        quad.m_iAdjacent[i] = -1;
    }
    quad.m_iIndices[0] |= MeshFlags::kBit31;
    mesh.m_pQuads[0] = quad;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = Setup();
    (void)ready;
    FuzzFile file(data, size);
    return WithLoadingStream(file, [](Stream &stream) {
        int count = 0;
        stream.Serialize(count);
        // Each record holds at least its four colours.
        if (count < 0 || !stream.Expect(uint64_t(count) * 64))
            return;
        std::vector<std::unique_ptr<Surface::Material>> materials;
        for (int i = 0; i < count; ++i) {
            materials.push_back(std::make_unique<Surface::Material>(-1));
            if (!materials.back()->Serialize(stream))
                return;
            for (int t = 0; t < 4; ++t)
                Surface::Texture::GetTileFileName(*materials.back(), t, -t, t & 1);
        }
        Surface::TangentConfig config;
        if (!config.Serialize(stream))
            return;
        Mesh quad;
        FillQuad(quad);
        quad.CalculateTangents(config);
    });
}
