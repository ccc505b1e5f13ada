#include "gui/layouts/CollapsableContainer.h"

#include "foundation/Node.h"
#include "gui/attributes/AttributeWidget.h"
#include "gui/layouts/CollapsableFrame.h"

#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

namespace GUI {

CollapsableContainer::CollapsableContainer(QWidget *parent, bool labelled)
    : QFrame(parent), m_pLayout(new QVBoxLayout(this)), m_bLabelled(labelled)
{
    m_pLayout->setAlignment(Qt::AlignTop);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pLayout->setSpacing(0);
    m_pLayout->setSizeConstraint(QLayout::SetNoConstraint);
}

CollapsableFrame *CollapsableContainer::AddFrame(const QString &title, bool titled)
{
    auto *frame = new CollapsableFrame(this, title, QString(), 1, m_bLabelled);
    frame->SetWidths(m_iLabelWidth, m_iEditorWidth);
    m_pLayout->addWidget(frame);
    if (!titled) {
        frame->Toggle();
        frame->GetTitleRow()->hide();
    }
    m_aFrames << frame;
    return frame;
}

void CollapsableContainer::AddCategory(General::Node *node, const QString &category)
{
    CollapsableFrame *frame = nullptr;
    // From the oldest attribute to the newest: the order the node added them.
    for (int i = node->GetAttributeCount() - 1; i >= 0; --i) {
        General::Attribute *attribute = node->GetAttribute(i);
        const QString &name = attribute->GetName();
        if (name == QLatin1String("eventgate") || name == QLatin1String("THIS") || attribute->GetGroup() != category)
            continue;
        if (!frame)
            frame = AddFrame(category, !category.isEmpty() && !category.startsWith(QLatin1Char('#')));
        QWidget *editor = attribute->CreateEditor(frame->GetBody(), m_iEditorWidth - 16);
        auto *row = qobject_cast<AttributeWidget *>(editor);
        if (!row) {
            delete editor;
            continue;
        }
        frame->AddAttributeRow(row);
        row->Place(m_iLabelWidth + m_iEditorWidth, m_bLabelled);
        if (attribute->HasSeparator())
            frame->AddSeparator();
    }
    if (frame)
        FitLabelColumn();
}

void CollapsableContainer::FitLabelColumn()
{
    if (!m_bLabelled)
        return;
    int column = 0;
    for (CollapsableFrame *frame : m_aFrames)
        for (AttributeWidget *row : frame->GetRows())
            if (const QLabel *label = row->GetLabel(); !label->isHidden())
                column = std::max(column, label->fontMetrics().horizontalAdvance(label->text()) + 5);
    for (CollapsableFrame *frame : m_aFrames)
        for (AttributeWidget *row : frame->GetRows()) {
            row->SetLabelColumn(column);
            row->Place(row->width(), m_bLabelled);
        }
    // The frame's margins, the connection sign and room for an editor beside the column.
    setMinimumWidth(column + 4 + 16 + m_iEditorWidth);
}

void CollapsableContainer::AddNode(General::Node *node)
{
    if (!node)
        return;
    QStringList categories;
    for (int i = 0; i < node->GetAttributeCount(); ++i) {
        const QString &group = node->GetAttribute(i)->GetGroup();
        if (!group.isEmpty() && !group.startsWith(QLatin1Char('#')) && !categories.contains(group))
            categories << group;
    }
    AddCategory(node, QStringLiteral("#top"));
    AddCategory(node, QString());
    for (const QString &category : categories)
        AddCategory(node, category);
    AddCategory(node, QStringLiteral("#bottom"));
}

}  // namespace GUI
