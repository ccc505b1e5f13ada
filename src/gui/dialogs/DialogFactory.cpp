#include "gui/dialogs/DialogFactory.h"

#include "gui/dialogs/HotkeyEditor.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/nodes/NodeTableDialog.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/trays/MTray.h"

#include <vector>

namespace GUI {

namespace {

// One entry per class, so factory, class name and title can never fall out of step.
struct Entry {
    std::unique_ptr<DialogFactory> factory;
    QString className;
    QString title;
};

std::vector<Entry> &Entries()
{
    static std::vector<Entry> entries;
    return entries;
}

}  // namespace

QWidget *DialogFactory::CreateByName(const QString &className, QWidget *parent, const char *name)
{
    for (const Entry &entry : Entries())
        if (entry.className == className)
            return entry.factory->Create(className, parent, name);
    return nullptr;
}

void DialogFactory::Register(std::unique_ptr<DialogFactory> factory, const QString &className, const QString &title)
{
    Entries().push_back(Entry{std::move(factory), className, title});
}

int DialogFactory::GetCount() { return int(Entries().size()); }

QString DialogFactory::GetClassName(int index)
{
    return index >= 0 && index < GetCount() ? Entries()[size_t(index)].className : QString();
}

QString DialogFactory::GetTitle(int index)
{
    return index >= 0 && index < GetCount() ? Entries()[size_t(index)].title : QString();
}

void DialogFactory::Clear() { Entries().clear(); }

void RegisterDialogFactories()
{
    // The "New Tab" menu lists the tool windows in this order: "HotkeyEditor" (Hotkeys),
    // "ImageBrowserDialog" (Image Browser), "LayerList" (Layers), "LogWindow" (Log),
    // "SceneInfoDialog" (Object List), "PreferencesDialog" (Preferences), "NodeTableDialog"
    // (Node View), "PropertiesDialog" (Properties), "MTray" (Tray). Each window joins here,
    // in its place, once its class exists:
    //   DialogFactory::Register(std::make_unique<LayerList::Factory>(), "LayerList", "Layers");
    HotkeyEditor::Register();
    SceneInfoDialog::Register();
    NodeTableDialog::Register();
    PropertiesDialog::Register();
    DialogFactory::Register(std::make_unique<MTray::Factory>(), QStringLiteral("MTray"), QStringLiteral("Tray"));
}

}  // namespace GUI
