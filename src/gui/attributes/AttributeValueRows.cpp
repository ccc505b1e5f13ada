#include "gui/attributes/AttributeValueRows.h"

#include "foundation/Diagnostics.h"
#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/math/Vector.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace GUI {

namespace {

// The editor at `left`, no wider than the room up to `right`.
void PlaceAt(QWidget *editor, int left, int right)
{
    editor->move(left, 0);
    editor->setMaximumWidth(std::max(0, right - left));
}

}  // namespace

// --- vector -------------------------------------------------------------------------------

namespace {

General::AttributeInstance<General::Vector> *VectorOf(General::Attribute *attribute)
{
    return static_cast<General::AttributeInstance<General::Vector> *>(attribute);
}

// The typed component, or the current one when the text is not a number.
float ComponentFrom(const QLineEdit &box, float current)
{
    bool ok = false;
    const float value = box.text().toFloat(&ok);
    return ok ? value : current;
}

}  // namespace

AttributeVectorbox::AttributeVectorbox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeWidget(parent, width, attribute),
      m_cXBox(new QLineEdit(this)),
      m_cYBox(new QLineEdit(this)),
      m_cZBox(new QLineEdit(this))
{
    Refresh();
    for (QLineEdit *box : {m_cXBox, m_cYBox, m_cZBox})
        TV_CHECK(connect(box, &QLineEdit::editingFinished, this, &AttributeVectorbox::OnChange));
}

QLineEdit *AttributeVectorbox::GetBox(int axis) const { return axis == 0 ? m_cXBox : axis == 1 ? m_cYBox : m_cZBox; }

void AttributeVectorbox::Refresh()
{
    if (!IsNodeAlive())
        return;
    const General::Vector &value = VectorOf(m_pAttribute)->GetValue();
    m_cXBox->setText(QString::number(value.x, 'f', 3));
    m_cYBox->setText(QString::number(value.y, 'f', 3));
    m_cZBox->setText(QString::number(value.z, 'f', 3));
}

void AttributeVectorbox::SetEditorGeometry(int left, int right)
{
    const int w = std::max(0, (right - left) / 3);
    for (int axis = 0; axis < 3; ++axis) {
        GetBox(axis)->move(left + axis * w, 0);
        GetBox(axis)->setFixedWidth(w);
    }
}

void AttributeVectorbox::OnChange()
{
    if (!IsNodeAlive())
        return;
    General::AttributeInstance<General::Vector> *vector = VectorOf(m_pAttribute);
    const General::Vector current = vector->GetValue();
    const General::Vector typed(ComponentFrom(*m_cXBox, current.x), ComponentFrom(*m_cYBox, current.y),
                                ComponentFrom(*m_cZBox, current.z));
    vector->SetValue(typed);
    // A refused text shows the kept value again.
    Refresh();
}

// --- bool ---------------------------------------------------------------------------------

AttributeCheckbox::AttributeCheckbox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeWidget(parent, width, attribute), m_cCheckbox(new QCheckBox(this))
{
    Refresh();
    TV_CHECK(connect(m_cCheckbox, &QCheckBox::stateChanged, this, &AttributeCheckbox::OnChange));
}

void AttributeCheckbox::Refresh()
{
    if (!IsNodeAlive())
        return;
    m_bUpdating = true;
    m_cCheckbox->setCheckState(static_cast<General::AttributeInstance<bool> *>(m_pAttribute)->GetValue()
                                   ? Qt::Checked
                                   : Qt::Unchecked);
    m_bUpdating = false;
}

void AttributeCheckbox::SetEditorGeometry(int left, int right) { PlaceAt(m_cCheckbox, left, right); }

void AttributeCheckbox::OnChange(int state)
{
    if (m_bUpdating || !IsNodeAlive())
        return;
    static_cast<General::AttributeInstance<bool> *>(m_pAttribute)->SetValue(state == Qt::Checked);
}

// --- int ----------------------------------------------------------------------------------

AttributeSpinbox::SpinBox::SpinBox(int digits, QWidget *parent) : QSpinBox(parent), m_iDigits(digits) {}

QString AttributeSpinbox::SpinBox::textFromValue(int value) const
{
    QString text = QString::number(value);
    while (text.size() < m_iDigits)
        text.prepend(QLatin1Char('0'));
    return text;
}

AttributeSpinbox::AttributeSpinbox(QWidget *parent, int width, General::Attribute *attribute, int spinWidth,
                                   int digits)
    : AttributeWidget(parent, width, attribute), m_cSpin(new SpinBox(digits, this))
{
    m_cSpin->setRange(-99999999, 99999999);
    m_cSpin->setFixedWidth(std::max(0, spinWidth));
    Refresh();
    TV_CHECK(connect(m_cSpin, &QSpinBox::valueChanged, this, &AttributeSpinbox::OnChange));
}

void AttributeSpinbox::Refresh()
{
    if (!IsNodeAlive())
        return;
    m_bUpdating = true;
    m_cSpin->setValue(static_cast<General::AttributeInstance<int> *>(m_pAttribute)->GetValue());
    m_bUpdating = false;
}

void AttributeSpinbox::SetEditorGeometry(int left, int right)
{
    m_cSpin->move(left, 0);
    if (right == left)
        m_cSpin->setFixedWidth(0);
    m_cSpin->setMaximumWidth(std::max(0, right - left));
}

void AttributeSpinbox::OnChange(int value)
{
    if (m_bUpdating || !IsNodeAlive())
        return;
    static_cast<General::AttributeInstance<int> *>(m_pAttribute)->SetValue(value);
}

// --- enumeration --------------------------------------------------------------------------

AttributeCombobox::AttributeCombobox(QWidget *parent, int width, General::Attribute *attribute)
    : AttributeWidget(parent, width, attribute), m_cCombo(new QComboBox(this))
{
    m_cCombo->setFixedHeight(18);
    Refresh();
    TV_CHECK(connect(m_cCombo, &QComboBox::currentIndexChanged, this, &AttributeCombobox::OnChange));
}

void AttributeCombobox::Refresh()
{
    if (!IsNodeAlive())
        return;
    auto *enumeration = static_cast<General::AttributeEnumeration *>(m_pAttribute);
    m_bUpdating = true;
    m_cCombo->clear();
    for (unsigned i = 0; i < enumeration->m_aValues.GetItemCount(); ++i)
        m_cCombo->addItem(QString::fromUtf8(enumeration->m_aValues[i]));
    m_cCombo->setCurrentIndex(enumeration->GetValue());
    m_bUpdating = false;
}

void AttributeCombobox::SetEditorGeometry(int left, int right) { PlaceAt(m_cCombo, left, right); }

void AttributeCombobox::OnChange(int index)
{
    if (m_bUpdating || !IsNodeAlive())
        return;
    static_cast<General::AttributeEnumeration *>(m_pAttribute)->SetValue(index);
}

}  // namespace GUI
