// Reads arbitrary bytes as a grey image, once under a ".tif" name (the deep TIFF path)
// and once under a ".png" name (the 8-bit path).
#include "FuzzFile.h"
#include "foundation/Memory.h"
#include "foundation/images/GrayImage.h"

// The memory the readers may think they have: enough for any picture within the declared-size
// bounds, so that a file asking for more is caught by those bounds (a run's RSS limit then
// shows a bomb) rather than hidden by a low cap.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    General::SetMemoryLimit(2048ull << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const char *name : {"input.tif", "input.png"}) {
        FuzzFile file(data, size, name);
        General::Store<float> pixels("fuzz grey");
        uint32_t width = 0, height = 0;
        bool isFloat = false;
        if (General::LoadGrayImage(pixels, file.Path(), width, height, false, 5, 7, &isFloat)
            && pixels.GetItemCount() != uint64_t(width) * height)
            __builtin_trap();
    }
    return 0;
}
