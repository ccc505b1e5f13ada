#pragma once
// The base of the tool windows: a dialog that is also a node. Each concrete class keeps
// the chain of its live windows, newest first, so one Refresh on the chain's first window
// brings every open window of that class up to date. Help texts come from HTML pages
// named after the window and the widget; Alt+F1 enters What's-This mode and Escape never
// closes a tool window, while its close button always does.

#include "foundation/Node.h"

#include <QDialog>
#include <QString>

namespace GUI {

class DialogChain;

class Dialog : public QDialog, public General::Node {
    Q_OBJECT
    friend class DialogChain;

public:
    // Not modal, no window flags; `name` becomes the Qt object name (the node name stays empty).
    Dialog(QWidget *parent, const char *name);
    ~Dialog() override;

    // Brings the window up to date and passes the call on along the chain. An override
    // refreshes itself and calls this base as well.
    virtual void Refresh();
    // Turns the window into a free-standing top-level window; nothing here.
    virtual void MakeFloating();
    // The help page file of the child widget `widgetName`.
    virtual QString HelpPage(const QString &widgetName) const;

    // The help text of a child widget: a "_label" suffix is dropped, so a caption shares its
    // control's page; empty when the page is missing or unreadable.
    QString GetWhatsThisText(const QString &widgetName) const;
    // Gives every descendant widget of `root` its help text, innermost first; widgets
    // without a page keep what they had.
    void SetWhatsThis(QWidget *root);

    // The next older live window of the same class.
    Dialog *GetNext() const { return m_pNext; }

    // Key presses of the watched children go to this window's own key handling.
    bool eventFilter(QObject *watched, QEvent *event) override;

    // Folder of the help pages (the shipped help folder's "whatsthis").
    static QString HelpFolder();

public slots:
    // Escape and rejection leave a tool window open.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The close button closes the window: the dialog's own close would go through the
    // rejection a tool window ignores.
    void closeEvent(QCloseEvent *event) override;

private:
    Dialog *m_pNext = nullptr;
};

// The chain of the live windows of one concrete class: a class keeps one as a static
// member, links each new window in its constructor and unlinks it in its destructor.
class DialogChain {
public:
    Dialog *First() const { return m_pFirst; }
    // Makes `dialog` the first window.
    void Link(Dialog *dialog);
    // Takes `dialog` out wherever it stands; a window not in the chain is left alone.
    void Unlink(Dialog *dialog);
    // Refreshes every window of the chain (nothing when it is empty).
    void Refresh() const
    {
        if (m_pFirst)
            m_pFirst->Refresh();
    }

private:
    Dialog *m_pFirst = nullptr;
};

}  // namespace GUI
