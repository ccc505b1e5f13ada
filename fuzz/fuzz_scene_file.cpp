// Loads arbitrary bytes as a scene file, once as they are (a plain stream, or a zip
// archive when they begin like one) and once packed as entry 0 of an archive. A file
// that loads is saved again.
#include "FuzzFile.h"
#include "platform/ZipArchive.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = (InitializeSceneGlobals(), CreateDefaultFalloffs(), true);
    (void)ready;
    FuzzFile file(data, size, "scene.stream");
    const QString archive = file.Sibling("scene.tev");
    {
        ZipArchive zip;
        if (!(zip.Create(archive) && zip.AddFile(file.Path()) && zip.Compress(1) && zip.Close()))
            return 0;
    }
    for (const QString &path : {file.Path(), archive}) {
        auto scene = std::make_unique<Scene>();
        if (scene->Load(path, false, false))
            scene->Save(file.Sibling("again.tev"), true);
    }
    return 0;
}
