// Loads arbitrary bytes as a run of tool records in the form of the file's version, the
// way scene and settings files carry them, and uses each record that was accepted.
#include "FuzzFile.h"
#include "foundation/Stream.h"
#include "scene/Brush.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool tools = (CreateDefaultFalloffs(), true);
    (void)tools;
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
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
    });
}
