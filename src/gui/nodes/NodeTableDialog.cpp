#include "gui/nodes/NodeTableDialog.h"

#include "foundation/Diagnostics.h"
#include "foundation/TypeInfo.h"
#include "gui/nodes/ClassMenu.h"
#include "gui/nodes/NodeTable.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace GUI {

DialogChain NodeTableDialog::s_chain;

NodeTableDialog::NodeTableDialog(QWidget *parent, const char *name) : Dialog(parent, name)
{
    s_chain.Link(this);
    auto *bar = new QWidget(this);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setSizeConstraint(QLayout::SetFixedSize);
    m_pViewNode = new QPushButton(tr("Add Node To Table"), bar);
    m_pViewNode->setObjectName(QStringLiteral("AddNode"));
    m_pViewNode->setAutoDefault(false);
    m_pCreatorLabel = new QLabel(tr("Create New Node:"), bar);
    m_pCreatorCombo = new QComboBox(bar);
    m_pCreatorCombo->setObjectName(QStringLiteral("Creator"));
    m_pCreatorCombo->addItem(tr("Select Node Type..."));
    for (const General::TypeInfo *record = General::TypeInfo::GetHead(); record; record = record->GetNext())
        m_pCreatorCombo->addItem(QLatin1String(record->GetName()));
    barLayout->addWidget(m_pViewNode);
    barLayout->addWidget(m_pCreatorLabel);
    barLayout->addWidget(m_pCreatorCombo);
    m_pCreatorLabel->hide();
    m_pCreatorCombo->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(bar);
    m_pScroll = new QScrollArea(this);
    m_pTable = new NodeTable(m_pScroll);
    m_pTable->setAutoFillBackground(true);
    QPalette palette = m_pTable->palette();
    palette.setColor(QPalette::Window, m_pScroll->viewport()->palette().color(QPalette::Window));
    m_pTable->setPalette(palette);
    m_pScroll->setWidget(m_pTable);
    layout->addWidget(m_pScroll);
    TV_CHECK(connect(m_pViewNode, &QPushButton::pressed, this, &NodeTableDialog::OnAddNodeButton));
    TV_CHECK(connect(m_pCreatorCombo, &QComboBox::currentIndexChanged, this, &NodeTableDialog::OnClassSelected));
}

NodeTableDialog::~NodeTableDialog() { s_chain.Unlink(this); }

void NodeTableDialog::Register()
{
    DialogFactory::Register(std::make_unique<Factory>(), QLatin1String(kClassName), tr("Node View"));
}

void NodeTableDialog::Refresh()
{
    m_pTable->update();
    Dialog::Refresh();
}

void NodeTableDialog::OnAddNodeButton()
{
    {
        NodeMenu menu(true, false, this);
        menu.exec(m_pViewNode->mapToGlobal(m_pViewNode->rect().center()));
    }
    m_pViewNode->setDown(false);
    m_pTable->AddNode(ClassMenu::TakePicked());
}

void NodeTableDialog::OnClassSelected(int index)
{
    if (index <= 0)
        return;
    const General::TypeInfo *record = General::TypeInfo::Find(m_pCreatorCombo->itemText(index));
    if (TV_CHECK(record) && record->GetFactory())
        m_pTable->AddNode(record->Create(1));
    const QSignalBlocker blocker(m_pCreatorCombo);
    m_pCreatorCombo->setCurrentIndex(0);
}

}  // namespace GUI
