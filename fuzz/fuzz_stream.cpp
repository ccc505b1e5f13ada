// Loads arbitrary bytes as a stream: header, strings, stores and embedded files.
#include "FuzzFile.h"
#include "foundation/Stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size);
    return WithLoadingStream(file, [&](Stream &stream) {
        while (!stream.HasError() && stream.BytesLeft() > 0) {
            int selector = 0;
            stream >> selector;
            switch (unsigned(selector) % 4) {
            case 0: {
                QString text;
                stream >> text;
                break;
            }
            case 1: {
                General::Store<int> store("fuzz ints");
                stream.ReadArray(store);
                break;
            }
            case 2: {
                General::Store<double> store("fuzz doubles");
                stream.ReadArray(store);
                break;
            }
            default:
                stream.ReadFile(file.Sibling("embedded"));
                break;
            }
        }
    });
}
