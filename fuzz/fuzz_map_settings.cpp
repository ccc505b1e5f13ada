// Loads arbitrary bytes as the settings record of a map extraction, then uses what was
// loaded: the low mesh check and the file-name masks of a few tiles, and stores it again.
#include "FuzzFile.h"
#include "FuzzPlacement.h"
#include "foundation/Stream.h"
#include "mapping/Info.h"
#include "mapping/MappingGlobals.h"
#include "mesh/levels/SubdivLevel.h"

#include <memory>

namespace {

bool Setup()
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    InitializeMappingGlobals();
    return true;
}

// A quad over two tiles of texture space, the low mesh a loaded record may name.
std::unique_ptr<SubdivLevel> MakeLow()
{
    auto level = std::make_unique<SubdivLevel>();
    level->m_eType = Mesh::typeQuadric;
    level->m_iVertexCount = level->m_iTCCount = 4;
    level->m_iFaceCount = 1;
    level->m_pVertices.SetItemCount(4, false);
    level->m_pTCs.SetItemCount(4, false);
    level->m_pQuads.SetItemCount(1, false);
    Quad quad{};
    for (unsigned i = 0; i < 4; ++i) {
        Vertex v{};
        v.m_vPosition = General::Vector(float(i & 1), float(i >> 1), 0);
        level->m_pVertices[i] = v;
        level->m_pTCs[i] = TC{float(i & 1) * 2.0f, float(i >> 1)};
        quad.m_iIndices[i] = i;
        quad.m_iTCI[i] = int32_t(i);
        quad.m_iAdjacent[i] = -1;
    }
    level->m_pQuads[0] = quad;
    return level;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = Setup();
    (void)ready;
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        MapExtraction::Info info;
        if (!info.Serialize(stream))
            return;
        auto low = MakeLow();
        info.m_aLowMesh.SetValue(low.get());
        try {
            info.CheckLowResMesh();
        } catch (const General::Error &) {
        }
        for (int u = info.m_iUStart; u < info.m_iUEnd && u < info.m_iUStart + 4; ++u) {
            info.m_iTileU = u;
            info.GetMapFileName(info.m_aNormalMapFilename.GetValue(), false);
            info.GetMapFileName(info.m_aDisplacementMapFilename.GetValue(), true);
        }
        info.m_aLowMesh.SetValue(nullptr);
        Stream out(file.Sibling("stored"), true);
        info.Serialize(out);
    });
}
