// Loads arbitrary bytes as the 3D view's stored toggles: a short or odd record must be
// refused without touching the toggles, and any byte value reads as a flag.
#include "FuzzFile.h"
#include "viewport/view/ViewToggles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    WithLoadingStream(file, [](Stream &stream) {
        ViewToggles toggles;
        if (!toggles.Serialize(stream) && !(toggles == ViewToggles()))
            __builtin_trap();
    });
    return 0;
}
