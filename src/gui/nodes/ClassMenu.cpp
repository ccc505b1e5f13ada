#include "gui/nodes/ClassMenu.h"

#include "foundation/Diagnostics.h"
#include "foundation/Node.h"
#include "foundation/TypeInfo.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/panels/FloatingPanel.h"

#include <QApplication>

namespace GUI {

namespace {

const QString kNewOperation = QStringLiteral("New operation");

General::Node *s_pPicked = nullptr;
int s_iPickedSerial = 0;

QWidget *MainWidget()
{
    // The application's main window: the top-level widget that has no parent.
    QWidget *active = QApplication::activeWindow();
    return active ? active->window() : nullptr;
}

}  // namespace

ClassMenu::ClassMenu(const General::TypeInfo *record, const QString &title, const QString &creationText,
                     bool openPanel, QWidget *parent)
    : QMenu(title, parent), m_pRecord(record), m_sCreationText(creationText), m_bOpenPanel(openPanel)
{
    TV_CHECK(connect(this, &QMenu::aboutToShow, this, &ClassMenu::OnShow));
    TV_CHECK(connect(this, &QMenu::triggered, this, &ClassMenu::OnAction));
}

void ClassMenu::SetPicked(General::Node *node)
{
    s_pPicked = node;
    s_iPickedSerial = node ? node->GetId() : 0;
}

General::Node *ClassMenu::TakePicked()
{
    General::Node *node = s_pPicked;
    const bool alive = node && General::Node::IsLive(node) && node->GetId() == s_iPickedSerial;
    SetPicked(nullptr);
    return alive ? node : nullptr;
}

void ClassMenu::OnShow()
{
    clear();
    bool listed = false;
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext()) {
        if (node->GetTypeInfo() != m_pRecord || node->GetName().isEmpty())
            continue;
        addAction(node->GetName())->setData(node->GetName());
        listed = true;
    }
    if (listed && !m_sCreationText.isEmpty())
        addSeparator();
    if (!m_sCreationText.isEmpty())
        addAction(m_sCreationText)->setData(kNewOperation);
    m_bFilled = true;
}

void ClassMenu::OnAction(QAction *action)
{
    // Each choice acts once, though it reaches every menu up the chain.
    if (!m_bFilled || !action || action->parent() != this)
        return;
    m_bFilled = false;
    SetPicked(nullptr);
    const QString data = action->data().toString();
    General::Node *picked = nullptr;
    if (data == kNewOperation) {
        picked = m_pRecord ? m_pRecord->Create(1) : nullptr;
    } else if (!data.isEmpty()) {
        for (General::Node *node = General::Node::GetHead(); node && !picked; node = node->GetNext())
            if (node->GetTypeInfo() == m_pRecord && node->GetName() == data)
                picked = node;
    }
    SetPicked(picked);
    if (picked && m_bOpenPanel) {
        auto *page = new CollapsableContainer(nullptr, true);
        page->AddNode(picked);
        auto *panel = new FloatingPanel(MainWidget(), page, picked->GetName(), false);
        panel->setAttribute(Qt::WA_DeleteOnClose);
    }
}

NodeMenu::NodeMenu(bool creationEntries, bool openPanel, QWidget *parent) : QMenu(parent)
{
    for (const General::TypeInfo *record = General::TypeInfo::GetHead(); record; record = record->GetNext()) {
        const QString name = QLatin1String(record->GetName());
        addMenu(new ClassMenu(record, name, creationEntries ? tr("Create New Instance") : QString(), openPanel, this));
    }
}

}  // namespace GUI
