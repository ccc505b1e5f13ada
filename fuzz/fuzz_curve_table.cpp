// Loads arbitrary bytes as a falloff point table in the form of the file's version, then
// edits and evaluates it as the falloff editor does.
#include "FuzzFile.h"
#include "foundation/Stream.h"
#include "foundation/curves/CurvePointTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        CurvePointTable table;
        while (table.Serialize(stream)) {
            for (int i = 0; i <= 64; ++i)
                (void)table.Evaluate(float(i) / 64.0f);
            CurvePoint point{};
            point.x = 0.5f;
            point.Clear();
            table.InsertPoint(point, table.GetCount() / 2);
            table.RemovePoint(1);
            table.UpdateCoefficients();
            if (stream.BytesLeft() == 0)
                break;
        }
    });
}
