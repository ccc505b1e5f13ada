#include "gui/attributes/AttributeWidget.h"

#include "foundation/Diagnostics.h"
#include "gui/attributes/AttributeSign.h"

#include <QLabel>

#include <algorithm>

namespace GUI {

namespace {
// The event that re-reads the attribute's read-only flag.
constexpr int kReadOnlyChanged = 5;
}  // namespace

AttributeWidget::AttributeWidget(QWidget *parent, int, General::Attribute *attribute)
    : QWidget(parent),
      m_pAttribute(attribute),
      m_pOwner(attribute ? attribute->GetOwner() : nullptr),
      m_iOwnerSerial(m_pOwner ? m_pOwner->GetId() : -1),
      m_pLabel(new QLabel(this)),
      m_pSign(new AttributeSign(this)),
      m_fLabelFraction(attribute ? attribute->GetProportion() : 0.5f)
{
    QString name = attribute ? attribute->GetName() : QString();
    if (name.startsWith(QLatin1Char('<'))) {
        name.remove(0, 1);
        m_bLeftAligned = true;
    }
    m_pLabel->setText(name);
    m_pLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (!attribute)
        return;
    setEnabled(!attribute->IsReadOnly());
    setToolTip(attribute->GetTooltip());
    try {
        attribute->Connect(&m_aWatch);
    } catch (const General::Error &error) {
        error.Show(QString());
    }
}

AttributeWidget::~AttributeWidget()
{
    m_bDestroying = true;
    delete m_pSign;
    delete m_pLabel;
    // The watch leaves the attribute with its member destructor.
}

QSize AttributeWidget::sizeHint() const { return QSize(220, m_iRowHeight); }

bool AttributeWidget::IsNodeAlive() const
{
    if (!m_pOwner)
        return false;
    for (const General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
        if (node == m_pOwner)
            return node->GetId() == m_iOwnerSerial;
    return false;
}

void AttributeWidget::AttributeChanged(General::Attribute *, int event)
{
    if (m_bDestroying)
        return;
    switch (event) {
    case General::Attribute::kValueChanged:
        Refresh();
        break;
    case General::Attribute::kSourceChanged:
    case General::Attribute::kTargetsChanged:
        try {
            m_pSign->Refresh();
        } catch (const General::Error &error) {
            error.Show(QString());
        }
        break;
    case kReadOnlyChanged:
        if (IsNodeAlive())
            setEnabled(!m_pAttribute->IsReadOnly());
        break;
    default:
        break;
    }
}

void AttributeWidget::Place(int width, bool labelled)
{
    m_iRowHeight = labelled ? kRowHeight : 8;
    // The frame's layout keeps the row at least this high; the height a row had when it
    // was added would hold a Node View box's rows at the labelled height.
    setMinimumHeight(m_iRowHeight);
    resize(width, m_iRowHeight);
    m_pSign->move(width - m_pSign->width(), 0);
    LayoutRow(0, width - m_pSign->width(), labelled);
    updateGeometry();
}

void AttributeWidget::LayoutRow(int left, int right, bool labelled)
{
    const int span = right - left;
    if (labelled) {
        m_pLabel->setAlignment((m_bLeftAligned ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        // A right-aligned label cut short loses its start: the column is at least as wide
        // as the page's longest label needs.
        const int column = std::max(int(m_fLabelFraction * float(span)), m_iLabelColumn);
        m_pLabel->setFixedWidth(std::max(0, column - 3));
        m_pLabel->move(left, 0);
        SetEditorGeometry(left + column, right);
    } else {
        m_pLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_pLabel->setFixedWidth(std::max(0, span - 3));
        m_pLabel->move(left, 0);
        SetEditorGeometry(right, right);
    }
}

}  // namespace GUI
