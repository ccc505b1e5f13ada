// Fills a mesh that the mesh record reader accepted, through every entry of the fill
// table and through whole draw cycles, with a face index table and partitions that
// name faces outside the mesh: nothing a file can hold may lead a fill outside the
// mesh's stores or the buffer's arrays.
#include "FuzzFile.h"
#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"
#include "viewport/fill/FillCycle.h"
#include "viewport/fill/FillSettings.h"
#include "viewport/fill/FillVariants.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FillCycle cycle;
    static FillBuffer buffer;
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        Mesh mesh;
        if (!mesh.Serialize(stream) || mesh.m_iFaceCount > 40000)
            return;
        const unsigned faces = mesh.m_iFaceCount;
        // Every face backwards, then two numbers past the end, as a damaged table would hold.
        for (unsigned f = faces; f > 0; --f)
            mesh.m_aFaceIndexTable.Add(int(f - 1));
        mesh.m_aFaceIndexTable.Add(int(faces));
        mesh.m_aFaceIndexTable.Add(-1);

        FillSettings settings;
        settings.m_bShowFrozenVertices = size % 2 == 0;
        auto fill = [&](unsigned entry) {
            buffer.Prime(&mesh, (entry & 1) != 0);
            buffer.m_iEndFace = int(std::min(faces + 2, FillBuffer::kMaxFaces));
            buffer.m_bColorsUsed = (entry & 2) != 0;
            FillVariants::Table()[entry](buffer, settings);
        };
        for (unsigned entry = 0; entry < 64; ++entry)
            fill(entry);
        settings.m_bWireframe = true;
        for (unsigned entry = 0; entry < 64; ++entry)
            fill(entry);

        // Whole cycles without and with partitions, drawing nothing.
        for (bool culling : {false, true}) {
            settings.m_bCulling = culling;
            cycle.Run(mesh, settings, [](const FillBuffer &) {});
        }
        mesh.m_aPartitions.SetItemCount(2, false);
        mesh.m_aPartitions[0].m_aFaces.Add(faces + 7);
        mesh.m_aPartitions[0].m_aFaces.Add(0);
        cycle.Run(mesh, settings, [](const FillBuffer &) {});
    });
}
