#include "gui/layouts/CollapsableFrame.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/Pictures.h"
#include "gui/attributes/AttributeSign.h"
#include "gui/attributes/AttributeWidget.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace GUI {

namespace {

QGroupBox *SeparatorLine(QWidget *parent)
{
    auto *line = new QGroupBox(parent);
    line->setFlat(true);
    return line;
}

}  // namespace

CollapsableFrame::CollapsableFrame(QWidget *parent, const QString &title, const QString &, int columns,
                                   bool labelled)
    : QWidget(parent), m_iColumns(std::max(1, columns)), m_bLabelled(labelled)
{
    QString text = title;
    bool startOpen = false;
    if (text.startsWith(QLatin1Char('+')))
        text.remove(0, 1);
    if (text.startsWith(QLatin1Char('-'))) {
        text.remove(0, 1);
        startOpen = true;
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    for (int i = 0; i < (m_iColumns == 1 ? 2 : 1); ++i) {
        QGroupBox *line = SeparatorLine(this);
        line->setMaximumHeight(3);
        layout->addWidget(line);
    }

    m_pTitleRow = new QWidget(this);
    m_pTitleRow->setObjectName(QStringLiteral("hbox"));
    m_pTitleRow->setMaximumHeight(20);
    auto *titleLayout = new QHBoxLayout(m_pTitleRow);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(6);
    m_pButton = new QPushButton(m_pTitleRow);
    m_pButton->setObjectName(QStringLiteral("button"));
    m_pButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/triOpen.png")));
    m_pButton->setFixedSize(16, 16);
    m_pButton->setDefault(false);
    m_pButton->setAutoDefault(false);
    TV_CHECK(connect(m_pButton, &QPushButton::clicked, this, &CollapsableFrame::OnToggle));
    titleLayout->addWidget(m_pButton);
    m_pTitle = new QLabel(text, m_pTitleRow);
    titleLayout->addWidget(m_pTitle, 1);
    layout->addWidget(m_pTitleRow);

    m_pBody = new QWidget(this);
    m_pRows = new QGridLayout(m_pBody);
    m_pRows->setContentsMargins(0, 0, 0, 0);
    m_pRows->setSpacing(2);
    if (m_iColumns == 2)
        m_pRows->setColumnMinimumWidth(0, kLabelWidth);
    layout->addWidget(m_pBody);

    // Toggle flips once more: a titled frame ends closed unless it asked to start open.
    m_bOpen = !startOpen;
    m_bFoldable = !text.isEmpty();
    if (!m_bFoldable)
        m_bOpen = true;
    Toggle();
}

CollapsableFrame::CollapsableFrame(const QString &title, QWidget *parent)
    : CollapsableFrame(parent, title, QString(), 2, true)
{
}

void CollapsableFrame::AddRow(QWidget *caption, QWidget *editor)
{
    const int row = (m_iCells + m_iColumns - 1) / m_iColumns;
    if (caption) {
        caption->setParent(m_pBody);
        m_pRows->addWidget(caption, row, 0);
    }
    if (editor) {
        editor->setParent(m_pBody);
        m_pRows->addWidget(editor, row, std::min(1, m_iColumns - 1));
    }
    m_iCells = (row + 1) * m_iColumns;
}

void CollapsableFrame::AddToBody(QWidget *widget)
{
    widget->setParent(m_pBody);
    m_pRows->addWidget(widget, m_iCells / m_iColumns, m_iCells % m_iColumns);
    ++m_iCells;
}

void CollapsableFrame::AddAttributeRow(AttributeWidget *row)
{
    AddToBody(row);
    m_aRows << row;
    row->setMinimumHeight(row->sizeHint().height());
}

void CollapsableFrame::AddSeparator()
{
    QGroupBox *line = SeparatorLine(m_pBody);
    line->setFixedHeight(2);
    m_pRows->addWidget(line, m_iCells / m_iColumns, 0, 1, m_iColumns);
    m_iCells = (m_iCells / m_iColumns + 1) * m_iColumns;
}

void CollapsableFrame::SetCollapsible(bool on)
{
    m_bFoldable = on;
    if (!on) {
        m_pTitleRow->hide();
        m_bOpen = true;
        m_pBody->show();
        return;
    }
    m_pTitleRow->show();
    Toggle();
}

void CollapsableFrame::AlignLabel(QLabel *label) const
{
    label->setMinimumWidth(m_iLabelWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

QString CollapsableFrame::GetTitle() const { return m_pTitle->text(); }

void CollapsableFrame::Toggle()
{
    if (!m_bFoldable)
        return;
    m_bOpen = !m_bOpen;
    if (m_bOpen) {
        m_pBody->show();
        m_pButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/triOpen.png")));
    } else {
        m_pBody->hide();
        m_iClosedHeight = height();
        m_pButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/triClose.png")));
    }
    // A nudge of the parent makes the stack lay itself out again.
    if (QWidget *parent = parentWidget()) {
        const QSize size = parent->size();
        parent->resize(size.width() + 1, size.height() + 1);
        parent->resize(size);
    }
    FireConnectionGate();
}

void CollapsableFrame::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int width = event->size().width() - 4;
    for (AttributeWidget *row : m_aRows)
        row->Place(width, m_bLabelled);
}

}  // namespace GUI
