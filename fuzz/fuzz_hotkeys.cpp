// Reads arbitrary bytes as "hotkeys.txt": every line applies or is ignored, and what the
// table then holds is written and read back to the same table.
#include "FuzzFile.h"
#include "app/settings/HotkeysFile.h"
#include "interaction/Interface.h"
#include "scene/Scene.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    static std::unique_ptr<Scene> scene = std::make_unique<Scene>();
    static std::unique_ptr<Interface> controller = std::make_unique<Interface>();
    EventHandler &table = controller->m_cEventHandler;
    static const QByteArray defaults = HotkeysFile::Compose(table);

    FuzzFile file(data, size, "hotkeys.txt");
    const HotkeysFile::ReadResult read = HotkeysFile::Read(table, file.Path());
    // Bytes that are no hotkeys text are refused whole; any other refusal of a file that
    // opened is a fault.
    if (read.opened && !read.refusal.isEmpty() && !read.notHotkeys)
        __builtin_trap();
    if (qint64(size) > HotkeysFile::kMaxBytes && read.opened)
        __builtin_trap();
    const QByteArray written = HotkeysFile::Compose(table);
    const QString again = file.Sibling("again.txt");
    if (!HotkeysFile::Write(table, again))
        __builtin_trap();
    const HotkeysFile::ReadResult reread = HotkeysFile::Read(table, again);
    if (!reread.opened || reread.ignored != 0 || HotkeysFile::Compose(table) != written)
        __builtin_trap();
    // Back to the defaults for the next input.
    FuzzFile reset(reinterpret_cast<const uint8_t *>(defaults.constData()), size_t(defaults.size()), "defaults.txt");
    HotkeysFile::Read(table, reset.Path());
    General::InstallShell(nullptr);
    return 0;
}
