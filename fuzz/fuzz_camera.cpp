// Reads arbitrary bytes as a camera or a light record (the first byte chooses, the rest
// is the stream file with its version header), and drives a sparse volume with
// arbitrary interval records and pick segments. A record that loads must store and load
// again unchanged.
#include "FuzzFile.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"
#include "scene/picking/Picker.h"
#include "scene/volume/Volume.h"

#include <QFile>

#include <cstring>

namespace {

template <class T>
void ReadRecord(const FuzzFile &file)
{
    T first;
    bool loaded = false;
    WithLoadingStream(file, [&](Stream &stream) { loaded = first.Serialize(stream) && !stream.HasError(); });
    if (!loaded)
        return;
    const QString again = file.Sibling("again");
    {
        Stream out(again, true);
        first.Serialize(out);
    }
    T second;
    Stream in(again, false);
    if (!second.Serialize(in) || in.HasError())
        __builtin_trap();
}

void DriveVolume(const uint8_t *data, size_t size)
{
    General::Volume a, b;
    size_t at = 0;
    long cells = 0;
    for (int i = 0; at + 8 <= size && i < 256; ++i, at += 8) {
        int16_t run[4];
        std::memcpy(run, data + at, 8);
        if (run[0] == 0x7FFF)  // the rest are segments
            break;
        if ((i % 2 ? b : a).AddInterval(run[0], run[1], run[2], run[3]))
            cells += run[3] > 0 ? run[3] : 0;
    }
    a.Merge(b);
    for (int i = 0; at + 24 <= size && i < 16; ++i, at += 24) {
        float v[6];
        std::memcpy(v, data + at, 24);
        Picker picker;
        a.PickSegment(picker, General::Vector(v[0], v[1], v[2]), General::Vector(v[3], v[4], v[5]),
                      General::Vector(0, 0, 0));
        int x, y, z;
        if (a.CellOf(General::Vector(v[0], v[1], v[2]), x, y, z))
            (void)a.IsFree(x, y, z);
    }
    // Each point asks IsFree, a scan of every run: keep the product small.
    if (cells * a.GetIntervalCount() < 20000)
        (void)a.BuildPoints();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    FuzzFile file(data + 1, size - 1);
    try {
        switch (data[0] % 3) {
        case 0:
            ReadRecord<Camera>(file);
            break;
        case 1:
            ReadRecord<Light>(file);
            break;
        default:
            DriveVolume(data + 1, size - 1);
        }
    } catch (const General::Error &) {
    }
    return 0;
}
