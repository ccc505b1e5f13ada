// Reads arbitrary bytes as a benchmark script the way playback walks it: every call
// consumes input or ends, so no script stalls the reader, and quoted fields stay inside
// their line.
#include "interaction/benchmark/ScriptReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    ScriptReader reader(text);
    // At most one step per character, plus one.
    qsizetype steps = 0;
    unsigned choice = data[0];
    while (!reader.AtEnd()) {
        if (++steps > text.size() + 1)
            __builtin_trap();
        switch (choice++ % 4) {
        case 0: reader.NextWord(); break;
        case 1: reader.NextInt(); break;
        case 2: reader.NextFloat(); break;
        default: {
            const QString line = reader.RestOfLine();
            if (line.contains(QLatin1Char('\n')) || ScriptReader::Quoted(line).contains(QLatin1Char('\n')))
                __builtin_trap();
            ScriptReader::AfterQuote(line);
        }
        }
    }
    return 0;
}
