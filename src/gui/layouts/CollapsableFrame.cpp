#include "gui/layouts/CollapsableFrame.h"

#include <QGridLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace GUI {

CollapsableFrame::CollapsableFrame(const QString &title, QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_pTitle = new QToolButton(this);
    m_pTitle->setText(title);
    m_pTitle->setArrowType(Qt::RightArrow);
    m_pTitle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pTitle->setAutoRaise(true);
    layout->addWidget(m_pTitle);
    m_pBody = new QWidget(this);
    m_pRows = new QGridLayout(m_pBody);
    m_pRows->setContentsMargins(4, 0, 4, 4);
    m_pRows->setColumnMinimumWidth(0, kLabelWidth);
    layout->addWidget(m_pBody);
    m_pBody->setVisible(false);
    connect(m_pTitle, &QToolButton::clicked, this, &CollapsableFrame::Toggle);
}

void CollapsableFrame::AddRow(QWidget *caption, QWidget *editor)
{
    const int row = m_pRows->rowCount();
    if (caption) {
        caption->setParent(m_pBody);
        m_pRows->addWidget(caption, row, 0);
    }
    if (editor) {
        editor->setParent(m_pBody);
        m_pRows->addWidget(editor, row, 1);
    }
}

QString CollapsableFrame::GetTitle() const { return m_pTitle->text(); }

void CollapsableFrame::Toggle()
{
    m_bOpen = !m_bOpen;
    m_pTitle->setArrowType(m_bOpen ? Qt::DownArrow : Qt::RightArrow);
    m_pBody->setVisible(m_bOpen);
}

}  // namespace GUI
