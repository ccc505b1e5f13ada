#pragma once
// The "Hotkeys" window: one row per handler of the live handler table (its name, the key,
// and Ctrl, Shift, Alt and the three mouse buttons). An edit applies at once to its own
// handler only; a combination another handler holds is taken from it after a question.
// Writing the table to the hotkeys file is the application's.

#include "gui/dialogs/Dialog.h"

#include <QVector>

#include <cstdint>

class EventHandler;
class QCheckBox;
class QLineEdit;

namespace GUI {

class HotkeyEditor : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "HotkeyEditor";

    // The table of the running controller (no rows without one).
    HotkeyEditor(QWidget *parent, const char *name);
    HotkeyEditor(QWidget *parent, const char *name, EventHandler *handlers);
    ~HotkeyEditor() override;

    static void Register();

    // The code the row of handler `index` shows now (its boxes and key text).
    uint32_t RowCode(int index) const;

public slots:
    // Applies the edited row (the sender's); other rows stay as they are.
    void OnOK();
    // Unlike the other tool windows, Escape closes this one, as it does any plain dialog.
    void reject() override;

private:
    struct Row {
        QLineEdit *key = nullptr;
        QCheckBox *boxes[6] = {};
    };

    void Build();
    void ShowCode(int index, uint32_t code);
    void Apply(int index);

    EventHandler *m_pHandlers;
    QVector<Row> m_aRows;
    // The question box runs its own event loop, in which the line edit's focus loss would
    // apply the same edit again.
    bool m_bApplying = false;
};

}  // namespace GUI
