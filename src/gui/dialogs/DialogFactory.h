#pragma once
// Tool windows are created by class name: window layouts, menu commands and the tab
// panels' "New Tab" menu name a window by its class, and the registry turns the name into
// a new window. Each registered class nests its factory as `Factory`.

#include <QString>
#include <QWidget>

#include <memory>

namespace GUI {

class DialogFactory {
public:
    virtual ~DialogFactory() = default;
    // A new window of the factory's own class when `className` names it exactly; else null.
    virtual QWidget *Create(const QString &className, QWidget *parent, const char *name) const = 0;

    // The window made by the first registered entry whose class name equals `className`
    // (case and blanks count); null before registration or when no entry matches.
    static QWidget *CreateByName(const QString &className, QWidget *parent, const char *name);

    // Appends an entry; the order of the entries is the order of the "New Tab" menu.
    static void Register(std::unique_ptr<DialogFactory> factory, const QString &className, const QString &title);
    static int GetCount();
    static QString GetClassName(int index);
    static QString GetTitle(int index);
    // Empties the registry (the program fills it once; tests start afresh).
    static void Clear();
};

// The factory of a class T that is constructed as T(parent, name) and names itself in
// T::kClassName.
template <class T>
class DialogFactoryOf : public DialogFactory {
public:
    QWidget *Create(const QString &className, QWidget *parent, const char *name) const override
    {
        return className == QLatin1String(T::kClassName) ? new T(parent, name) : nullptr;
    }
};

// Registers the tool windows in the order of the "New Tab" menu. Called once by the main
// window before it builds the tab panels.
void RegisterDialogFactories();

}  // namespace GUI
