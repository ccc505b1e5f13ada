// Reads arbitrary bytes as the "paths" file: the settings folder found is one that can be
// written, or the one before stays; appending keeps every byte that was there.
#include "FuzzFile.h"
#include "FuzzPreferences.h"
#include "app/settings/Preferences.h"
#include "platform/WholeFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    Preferences &preferences = FuzzPreferences();
    const QString before = preferences.SettingFiles;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile file(Preferences::PathsFile());
    if (!file.open(QIODevice::WriteOnly))
        __builtin_trap();
    file.write(bytes);
    file.close();
    const bool none = preferences.ReadPathsFile();
    if (none && preferences.SettingFiles != before)
        __builtin_trap();
    if (!none && !IsWritableFolder(preferences.SettingFiles))
        __builtin_trap();
    preferences.SettingFiles = before;
    const bool readable =
        ReadSmallFile(Preferences::PathsFile(), Preferences::kMaxPathsBytes, Preferences::kMaxPathsLine).outcome ==
        SmallFile::Read;
    preferences.AppendToPathsFile();
    if (readable) {
        // A file within the bounds keeps every byte, with one line more at its end.
        const SmallFile now = ReadSmallFile(Preferences::PathsFile(), 2 * Preferences::kMaxPathsBytes);
        if (now.outcome != SmallFile::Read || !now.bytes.startsWith(bytes) || now.bytes.size() <= bytes.size())
            __builtin_trap();
    }
    General::InstallShell(nullptr);
    return 0;
}
