#include "gui/attributes/AttributeChoiceRows.h"

#include "foundation/Diagnostics.h"
#include "foundation/EventGate.h"
#include "foundation/TypeInfo.h"
#include "foundation/attributes/AttributeBoolCollection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace GUI {

// --- event gate ---------------------------------------------------------------------------

AttributeEventbox::AttributeEventbox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeWidget(parent, width, attribute),
      m_cButton(new QPushButton(attribute ? attribute->GetName() : QString(), this))
{
    m_cButton->setFixedSize(120, 20);
    m_cButton->setAutoDefault(false);
    m_cButton->setDefault(false);
    GetLabel()->hide();
    TV_CHECK(connect(m_cButton, &QPushButton::released, this, &AttributeEventbox::OnAction));
}

void AttributeEventbox::LayoutRow(int left, int right, bool labelled)
{
    const int span = right - left;
    if (labelled) {
        m_cButton->setMaximumWidth(std::max(0, span));
        m_cButton->move(left + (span - m_cButton->width()) / 2, 0);
        m_cButton->show();
    } else {
        GetLabel()->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        GetLabel()->setFixedWidth(std::max(0, span - 3));
        SetEditorGeometry(right, right);
        m_cButton->hide();
    }
}

void AttributeEventbox::OnAction()
{
    if (!IsNodeAlive())
        return;
    auto *gate = static_cast<General::EventGate *>(m_pAttribute);
    try {
        gate->SetValue(gate->GetValue() + 1);
    } catch (const General::Error &error) {
        error.Show(QString());
    }
}

// --- node pointer -------------------------------------------------------------------------

AttributePointerbox::AttributePointerbox(QWidget *parent, int width, General::Attribute *attribute,
                                         const General::TypeInfo *filter)
    : AttributeWidget(parent, width, attribute), m_cCombo(new QComboBox(this)), m_pFilter(filter)
{
    m_cCombo->setFixedHeight(18);
    if (IsNodeAlive()) {
        auto *pointer = static_cast<General::AttributePointer<General::Node> *>(attribute);
        if (pointer->IsNullAllowed() || !pointer->GetPointer())
            AddNullEntry();
        for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
            if ((!filter || General::TypeInfo::IsKindOf(node->GetTypeInfo(), filter)) &&
                attribute->AcceptsPointer(node)) {
                m_cCombo->addItem(node->GetName());
                m_aEntries.push_back(Entry{node, node->GetId()});
            }
    }
    Refresh();
    TV_CHECK(connect(m_cCombo, &QComboBox::currentIndexChanged, this, &AttributePointerbox::OnChange));
}

void AttributePointerbox::AddNullEntry()
{
    const QString text = static_cast<General::AttributePointer<General::Node> *>(m_pAttribute)->GetNullText();
    m_cCombo->insertItem(0, text);
    m_aEntries.insert(m_aEntries.begin(), Entry{});
    m_bNullEntry = true;
}

General::Node *AttributePointerbox::EntryNode(int index) const
{
    if (index < 0 || size_t(index) >= m_aEntries.size())
        return nullptr;
    const Entry &entry = m_aEntries[size_t(index)];
    // The list can outlive its nodes, and an address can come back as another node.
    for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
        if (node == entry.node)
            return node->GetId() == entry.serial ? node : nullptr;
    return nullptr;
}

void AttributePointerbox::Refresh()
{
    if (!IsNodeAlive())
        return;
    m_bUpdating = true;
    if (General::Node *node = m_pAttribute->GetPointer()) {
        for (int i = 0; i < m_cCombo->count(); ++i)
            if (EntryNode(i) == node) {
                m_cCombo->setCurrentIndex(i);
                break;
            }
    } else {
        if (!m_bNullEntry)
            AddNullEntry();
        m_cCombo->setCurrentIndex(0);
    }
    m_bUpdating = false;
}

void AttributePointerbox::SetEditorGeometry(int left, int) { m_cCombo->move(left, 0); }

void AttributePointerbox::OnChange(int index)
{
    if (m_bUpdating || !IsNodeAlive())
        return;
    General::Node *node = EntryNode(index);
    if (node && m_pFilter && !General::TypeInfo::IsKindOf(node->GetTypeInfo(), m_pFilter))
        return;
    m_pAttribute->SetPointer(node, true);
}

// --- bool collection ----------------------------------------------------------------------

AttributeCheckboxCollection::AttributeCheckboxCollection(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeWidget(parent, width, attribute), m_pContainer(new QWidget(this))
{
    auto *layout = new QHBoxLayout(m_pContainer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bools = static_cast<General::AttributeBoolCollection *>(attribute);
    const int count = attribute ? std::min(bools->GetBoolCount(), int(General::AttributeBoolCollection::kMaxBools)) : 0;
    for (int i = 0; i < count; ++i) {
        auto *box = new QCheckBox(bools->GetBoolName(i), m_pContainer);
        layout->addWidget(box);
        m_aCheckboxes << box;
    }
    Refresh();
    for (QCheckBox *box : m_aCheckboxes)
        TV_CHECK(connect(box, &QCheckBox::stateChanged, this, &AttributeCheckboxCollection::OnChange));
}

void AttributeCheckboxCollection::Refresh()
{
    if (!IsNodeAlive())
        return;
    auto *bools = static_cast<General::AttributeBoolCollection *>(m_pAttribute);
    // Setting a box reports its change: the bits must not be written back half set.
    m_bUpdating = true;
    for (int i = 0; i < m_aCheckboxes.size(); ++i)
        m_aCheckboxes[i]->setCheckState(bools->GetBool(i) ? Qt::Checked : Qt::Unchecked);
    m_bUpdating = false;
}

void AttributeCheckboxCollection::SetEditorGeometry(int left, int right)
{
    m_pContainer->move(left, 0);
    m_pContainer->setFixedWidth(std::max(0, right - left));
}

void AttributeCheckboxCollection::OnChange(int)
{
    if (m_bUpdating || !IsNodeAlive())
        return;
    unsigned bits = 0;
    for (int i = 0; i < m_aCheckboxes.size(); ++i)
        if (m_aCheckboxes[i]->checkState() == Qt::Checked)
            bits |= 1u << i;
    auto *bools = static_cast<General::AttributeBoolCollection *>(m_pAttribute);
    bools->SetValue(int(bits), true);
    bools->Notify(General::Attribute::kValueChanged);
}

}  // namespace GUI
