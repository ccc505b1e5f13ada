// Loads arbitrary bytes as a level record with its chain of finer levels and embedded
// swap files, then as a single level.
#include "FuzzFile.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/levels/SubdivLevel.h"

#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    FuzzFile file(data, size);
    for (bool chain : {true, false}) {
        try {
            Stream stream(file.Path(), false);
            if (!stream.IsOpen())
                return 0;
            stream.SetLevelChain(chain);
            SubdivLevel level;
            level.Serialize(stream);
        } catch (const General::Error &) {
        }
    }
    return 0;
}
