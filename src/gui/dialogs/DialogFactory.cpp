#include "gui/dialogs/DialogFactory.h"

#include "gui/dialogs/HotkeyEditor.h"
#include "gui/dialogs/LogWindow.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layers/LayerList.h"
#include "gui/nodes/NodeTableDialog.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/trays/MTray.h"

#include <iterator>
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

// The order of the "New Tab" and Windows menus, whichever layer registers a window;
// classes not listed go last, in the order they come.
int Rank(const QString &className)
{
    static const char *const order[] = {"HotkeyEditor",      "ImageBrowserDialog", "LayerList",
                                        "LogWindow",         "SceneInfoDialog",    "PreferencesDialog",
                                        "NodeTableDialog",   "PropertiesDialog",   "MTray"};
    for (int i = 0; i < int(std::size(order)); ++i)
        if (className == QLatin1String(order[i]))
            return i;
    return int(std::size(order));
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
    std::vector<Entry> &entries = Entries();
    const int rank = Rank(className);
    auto at = entries.begin();
    while (at != entries.end() && Rank(at->className) <= rank)
        ++at;
    entries.insert(at, Entry{std::move(factory), className, title});
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
    // The windows of this layer; the layers above add theirs, and each takes its place in
    // the menus' order (see Rank).
    HotkeyEditor::Register();
    DialogFactory::Register(std::make_unique<LayerList::Factory>(), QLatin1String(LayerList::kClassName),
                            QStringLiteral("Layers"));
    DialogFactory::Register(std::make_unique<LogWindow::Factory>(), QLatin1String(LogWindow::kClassName),
                            QStringLiteral("Log"));
    SceneInfoDialog::Register();
    NodeTableDialog::Register();
    PropertiesDialog::Register();
    DialogFactory::Register(std::make_unique<MTray::Factory>(), QStringLiteral("MTray"), QStringLiteral("Tray"));
}

}  // namespace GUI
