#include "gui/dialogs/HotkeyEditor.h"

#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/dialogs/KeyText.h"
#include "interaction/Interface.h"
#include "interaction/handlers/EventHandler.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace GUI {

namespace {

struct Box {
    const char *text;
    const char *kind;
    uint32_t bit;
};

const Box kBoxes[6] = {
    {"Ctrl", "ctrl", kCtrlBit},       {"Shift", "shift", kShiftBit},    {"Alt", "alt", kAltBit},
    {"LMB", "LMB", kLeftButton},      {"MMB", "MMB", kMiddleButton},    {"RMB", "RMB", kRightButton},
};

EventHandler *RunningTable() { return Interface::Get() ? &Interface::Get()->m_cEventHandler : nullptr; }

}  // namespace

HotkeyEditor::HotkeyEditor(QWidget *parent, const char *name) : HotkeyEditor(parent, name, RunningTable()) {}

HotkeyEditor::HotkeyEditor(QWidget *parent, const char *name, EventHandler *handlers)
    : Dialog(parent, name), m_pHandlers(handlers)
{
    setWindowTitle(tr("Hotkeys"));
    resize(484, 400);
    Build();
}

HotkeyEditor::~HotkeyEditor()
{
    // A focused key field finishes its edit when the window goes: that must not reach
    // this window once it is half destroyed.
    for (Row &row : m_aRows) {
        row.key->disconnect(this);
        for (QCheckBox *box : row.boxes)
            box->disconnect(this);
    }
}

void HotkeyEditor::Register()
{
    DialogFactory::Register(std::make_unique<DialogFactoryOf<HotkeyEditor>>(), QLatin1String(kClassName),
                            tr("Hotkeys"));
}

void HotkeyEditor::Build()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSizeConstraint(QLayout::SetNoConstraint);
    auto *scroll = new QScrollArea(this);
    QPalette background = scroll->viewport()->palette();
    background.setColor(QPalette::Window, palette().color(QPalette::Window));
    scroll->viewport()->setPalette(background);
    scroll->setMinimumSize(0, 0);
    scroll->setFrameStyle(QFrame::NoFrame | QFrame::Plain);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(scroll);
    auto *frame = new QFrame(scroll);
    auto *rows = new QVBoxLayout(frame);
    rows->setContentsMargins(8, 8, 8, 8);
    rows->setSizeConstraint(QLayout::SetFixedSize);
    scroll->setWidget(frame);
    if (!m_pHandlers)
        return;

    const int count = int(m_pHandlers->GetHandlerCount());
    m_aRows.resize(count);
    for (int i = 0; i < count; ++i) {
        const Handler &handler = m_pHandlers->GetHandler(unsigned(i));
        const QString name = QString::fromLatin1(handler.m_sID);
        auto *line = new QHBoxLayout;
        auto *label = new QLabel(name, frame);
        label->setFixedWidth(135);
        line->addWidget(label);
        Row &row = m_aRows[i];
        row.key = new QLineEdit(frame);
        row.key->setObjectName(name);
        row.key->setFixedWidth(35);
        row.key->setProperty("row", i);
        connect(row.key, &QLineEdit::editingFinished, this, &HotkeyEditor::OnOK);
        line->addWidget(row.key);
        auto *plus = new QLabel(QStringLiteral("+"), frame);
        plus->setFixedWidth(10);
        line->addWidget(plus);
        for (int b = 0; b < 6; ++b) {
            auto *box = new QCheckBox(QLatin1String(kBoxes[b].text), frame);
            box->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(kBoxes[b].kind), name));
            box->setProperty("row", i);
            connect(box, &QCheckBox::toggled, this, &HotkeyEditor::OnOK);
            row.boxes[b] = box;
            line->addWidget(box);
        }
        rows->addLayout(line);
        ShowCode(i, handler.m_iKey);
    }
    // The first size shows every column, the mouse buttons at the right end included, beside
    // the vertical scroll bar; the window may still be made narrower by hand.
    const int wanted = frame->sizeHint().width() + scroll->verticalScrollBar()->sizeHint().width() +
                       outer->contentsMargins().left() + outer->contentsMargins().right();
    resize(std::max(width(), wanted), height());
}

void HotkeyEditor::ShowCode(int index, uint32_t code)
{
    Row &row = m_aRows[index];
    const QSignalBlocker blockKey(row.key);
    row.key->setText(KeyCodeToText(code));
    for (int b = 0; b < 6; ++b) {
        const QSignalBlocker blockBox(row.boxes[b]);
        row.boxes[b]->setChecked((code & kBoxes[b].bit) != 0);
    }
}

uint32_t HotkeyEditor::RowCode(int index) const
{
    const Row &row = m_aRows[index];
    uint32_t code = 0;
    for (int b = 0; b < 6; ++b)
        if (row.boxes[b]->isChecked())
            code += kBoxes[b].bit;
    uint32_t key = 0;
    if (TextToKeyPart(row.key->text(), key))
        code += key;
    return code;
}

void HotkeyEditor::reject()
{
    QDialog::reject();
}

void HotkeyEditor::OnOK()
{
    if (m_bApplying || !m_pHandlers || !sender())
        return;
    bool ok = false;
    const int index = sender()->property("row").toInt(&ok);
    if (!ok || index < 0 || index >= m_aRows.size())
        return;
    m_bApplying = true;
    Apply(index);
    m_bApplying = false;
}

void HotkeyEditor::Apply(int index)
{
    Handler &handler = m_pHandlers->GetHandler(unsigned(index));
    const uint32_t code = RowCode(index);
    if (code == handler.m_iKey) {
        ShowCode(index, code);
        return;
    }
    if (code != 0) {
        for (int j = 0; j < m_aRows.size(); ++j) {
            Handler &other = m_pHandlers->GetHandler(unsigned(j));
            if (j == index || other.m_iKey != code)
                continue;
            const QString text = tr("Warning: this hotkey is already used for\n%1\nDo you want to override this setting?")
                                     .arg(QString::fromLatin1(other.m_sID));
            if (!Modals().AskYesNo(nullptr, tr("Hotkeys"), text)) {
                ShowCode(index, handler.m_iKey);
                return;
            }
            other.m_iKey = 0;
            ShowCode(j, 0);
            break;
        }
    }
    handler.m_iKey = code;
    ShowCode(index, code);
}

}  // namespace GUI
