// Loads arbitrary bytes as an object record (its level chain and its layer tree), then
// uses what was accepted: layers are counted, shown, hidden, weakened and written back.
#include "FuzzFile.h"
#include "FuzzPlacement.h"
#include "foundation/Stream.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/surface/Material.h"
#include "mesh/core/MeshGlobals.h"
#include "mesh/object/Object.h"

namespace {

bool Setup()
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    InitializeMeshGlobals();
    General::TypeInfo::Register(FuzzPlacement::s_typeInfo);
    Surface::InitMaterials();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = Setup();
    (void)ready;
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        Object object;
        if (!object.Serialize(stream))
            return;
        const int layers = object.LayerCount();
        for (int i = 0; i < layers && i < 16; ++i) {
            Layer3D *layer = object.GetLayerByIndex(i);
            if (SubdivLevel *locked = layer->m_pLockedMesh)
                object.m_pActiveLevel = locked;
            layer->SetVisible(!layer->IsVisible());
            layer->SetTransparency(0.5f, true, false);
            if (LayerLevel *data = layer->GetLevel(object.m_pActiveLevel)) {
                data->FindVertex(0, true);
                data->Extend();
            }
        }
        object.GetWorldAABB(false);
        Stream out(file.Sibling("again"), true);
        object.Serialize(out);
    });
}
