// Reads arbitrary bytes as a tray file: the lines read are written in the marked form and
// read back the same; a file past the bounds reads as nothing.
#include "FuzzFile.h"
#include "gui/trays/TrayFile.h"

namespace {

bool Same(const std::vector<GUI::TrayLine> &a, const std::vector<GUI::TrayLine> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].type != b[i].type || a[i].name != b[i].name || a[i].icon != b[i].icon || a[i].label != b[i].label)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile file(data, size, "tray.txt");
    QString error;
    const std::vector<GUI::TrayLine> lines = GUI::ReadTrayFile(file.Path(), &error);
    if (!error.isEmpty() && !lines.empty())
        __builtin_trap();
    if (lines.size() > GUI::kMaxTrayItems)
        __builtin_trap();
    // A line without ";" reads with a type no writer makes: such lines need not come back.
    for (const GUI::TrayLine &line : lines)
        if (line.type.contains(QLatin1Char('\n')))
            return 0;
    const QString again = file.Sibling("again.txt");
    if (!GUI::WriteTrayFile(again, lines))
        __builtin_trap();
    QString reread;
    const std::vector<GUI::TrayLine> back = GUI::ReadTrayFile(again, &reread);
    if (reread.isEmpty() && !Same(back, lines))
        __builtin_trap();
    return 0;
}
