// Loads arbitrary bytes as "settings.sav" and as "recent.sav": any file either loads
// whole or is refused, and a refused one leaves the preferences and the tool list as they were.
#include "FuzzFile.h"
#include "FuzzPreferences.h"
#include "app/settings/Preferences.h"
#include "app/settings/RecentFiles.h"
#include "app/settings/SettingsFile.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"
#include "viewport/view/ViewToggles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    Preferences &preferences = FuzzPreferences();
    FuzzFile file(data, size, "settings.sav");
    const int unit = preferences.LinearUnit;
    const size_t tools = Brush::Tools().size();
    WindowPlacement window;
    ViewToggles view;
    const SettingsLoad load = LoadSettingsFile(file.Path(), SettingsParts{&preferences, &window, &view});
    if (load.outcome != SettingsLoad::Loaded &&
        (preferences.LinearUnit != unit || Brush::Tools().size() != tools || !(view == ViewToggles())))
        __builtin_trap();
    if (load.outcome == SettingsLoad::Loaded) {
        // Back to a known state for the next input.
        Brush::Tools().clear();
        CreateDefaultTools();
        preferences.LinearUnit = 1;
    }
    RecentFiles recent;
    if (!recent.Load(file.Path()) && !recent.Files().isEmpty())
        __builtin_trap();
    if (recent.Files().size() > RecentFiles::kMaximum)
        __builtin_trap();
    General::InstallShell(nullptr);
    return 0;
}
