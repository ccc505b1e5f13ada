// Loads arbitrary bytes the way scene and settings files carry tool records and selection
// sets: the first byte picks which, the rest is a stream in the form of its version. Each
// record that is accepted is then used.
#include "FuzzFile.h"
#include "foundation/Stream.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "scene/SelectionSet.h"

#include <vector>

namespace {

void ReadTools(Stream &stream)
{
    Brush brush("Soft", 1, "soft", 1, QString());
    for (int i = 0; i < 16 && brush.Serialize(stream); ++i) {
        brush.SetSize(brush.GetSize() + 1.0f);
        brush.SetStrength(brush.GetStrength());
        (void)brush.m_falloff.GetSamples().GetItemCount();
        (void)brush.IconPath();
        Brush::Tools().front()->CopySettings(brush);
        if (stream.BytesLeft() == 0)
            break;
    }
}

// A scene of two objects, the first with two levels, for the sets' level ids to name.
void ReadSets(Stream &stream)
{
    Scene scene;
    for (int i = 0; i < 2; ++i) {
        auto *object = new Object;
        object->m_eType = Mesh::typeQuadric;
        if (i == 0)
            object->SetNextLevel(new SubdivLevel);
        scene.AddObject(object);
    }
    scene.CreateSelectionSet("second", false);
    scene.CreateSelectionSet("first", false);
    if (!scene.m_pSelectionSets->Serialize(stream, scene))
        return;
    for (SelectionSet *set = scene.m_pSelectionSets; set; set = set->m_pNext)
        for (const auto &entry : set->m_aEntries)
            (void)scene.GetMeshId(entry->level);
    scene.SelectSetFaces(scene.m_pSelectionSets);
    scene.ClearSelection();
    scene.RemoveMeshFromSelectionSets(scene.GetObject(0)->GetLevel(1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = (InitializeSceneGlobals(), CreateDefaultFalloffs(), true);
    (void)ready;
    if (size < 1)
        return 0;
    FuzzFile file(data + 1, size - 1);
    return WithLoadingStream(file, [&](Stream &stream) {
        if (data[0] & 1)
            ReadSets(stream);
        else
            ReadTools(stream);
    });
}
