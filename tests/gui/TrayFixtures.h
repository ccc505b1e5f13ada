#pragma once
// What the tray and tab tests share: scripted text and file answers, a drag runner that
// sends the enter, move and drop events to a named widget, and a folder for tray files.

#include "foundation/Globals.h"
#include "gui/common/DragRunner.h"
#include "gui/common/ModalDialogs.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>

#include <deque>

namespace guitest {

class ScriptedModals : public GUI::ModalDialogs {
public:
    ScriptedModals() { Install(this); }
    ~ScriptedModals() override { Install(nullptr); }

    // Each answer: the text, or cancel when none is left.
    bool GetText(QWidget *, const QString &title, const QString &label, QString &text) override
    {
        titles << title;
        presets << text;
        if (texts.empty())
            return false;
        text = texts.front();
        texts.pop_front();
        return true;
    }
    QStringList GetOpenFileNames(QWidget *, const QString &, const QString &folder, const QString &) override
    {
        folders << folder;
        return files;
    }

    std::deque<QString> texts;
    QStringList titles;
    QStringList presets;
    QStringList files;
    QStringList folders;
};

// Sends the drag's events to `target` at `at` (its own pixels); with `drop` off the drag
// is cancelled after the move. No target: the drag ends over nothing.
class ScriptedDrag : public GUI::DragRunner {
public:
    ScriptedDrag() { Install(this); }
    ~ScriptedDrag() override { Install(nullptr); }

    Qt::DropAction Exec(QDrag &drag, Qt::DropActions actions, Qt::DropAction) override
    {
        ++runs;
        if (!target)
            return Qt::IgnoreAction;
        QDragEnterEvent enter(at, actions, drag.mimeData(), Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(at, actions, drag.mimeData(), Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        if (!move.isAccepted() || !drop)
            return Qt::IgnoreAction;
        QDropEvent event(at, actions, drag.mimeData(), Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    }

    QWidget *target = nullptr;
    QPoint at;
    bool drop = true;
    int runs = 0;
};

// Tray files go to a folder of the test's own.
class TrayFolder {
public:
    TrayFolder() : m_sOld(General::TraysFolder()) { General::TraysFolder() = m_dir.Path(); }
    ~TrayFolder() { General::TraysFolder() = m_sOld; }
    QString Path() const { return m_dir.Path(); }

private:
    TempDir m_dir;
    QString m_sOld;
};

}  // namespace guitest
