#pragma once
// The modal questions widgets ask (a colour, a folder, files to open or save, yes or no, a
// line of text, a dialog of our own). The default instance opens Qt's own dialogs; tests install scripted answers
// so that no test waits in a modal loop.

#include "foundation/Installable.h"

#include <QColor>
#include <QString>
#include <QStringList>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

namespace GUI {

class ModalDialogs : public General::Installable<ModalDialogs> {
public:
    virtual ~ModalDialogs() = default;
    // An invalid colour when the user cancelled.
    virtual QColor GetColor(const QColor &initial, QWidget *parent);
    // Folders only; empty when the user cancelled.
    virtual QString GetExistingDirectory(QWidget *parent, const QString &caption, const QString &start);
    // One file to open; empty when the user cancelled.
    virtual QString GetOpenFileName(QWidget *parent, const QString &caption, const QString &start,
                                    const QString &filter);
    // A file to save to, without the dialog's own overwrite question; `chosenFilter` gets the
    // filter picked. Empty when the user cancelled.
    virtual QString GetSaveFileName(QWidget *parent, const QString &caption, const QString &start,
                                    const QString &filter, QString &chosenFilter);
    // A question box with the buttons in order (empty labels get no button): the index of
    // the one chosen. Escape and the close button answer `escape`, also when it names no button.
    virtual int AskQuestion(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
                            int byDefault, int escape);
    // A question box with Yes (the default) and No; true for Yes.
    virtual bool AskYesNo(QWidget *parent, const QString &title, const QString &text);
    // A line of text, preset with `text`; false (text unchanged) when the user cancelled.
    virtual bool GetText(QWidget *parent, const QString &title, const QString &label, QString &text);
    // Existing files; empty when the user cancelled.
    virtual QStringList GetOpenFileNames(QWidget *parent, const QString &caption, const QString &folder,
                                         const QString &filter);
    // One file to open (`open`) or to save; empty when the user cancelled.
    virtual QString GetFileName(QWidget *parent, const QString &caption, const QString &folder,
                                const QString &filter, bool open);
    // Runs a dialog of our own modally; true when it was accepted.
    virtual bool Run(QDialog &dialog);
    // Pops up a menu at a screen position; the chosen entry, null when dismissed.
    virtual QAction *ExecMenu(QMenu &menu, const QPoint &globalPosition);
};

inline ModalDialogs &Modals() { return ModalDialogs::Get(); }

}  // namespace GUI
