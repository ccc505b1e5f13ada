#include "gui/editors/VectorEditor.h"

#include <QDoubleValidator>
#include <QHBoxLayout>
#include <QLineEdit>

namespace GUI {

namespace {
// Degrees and radians convert with this value of pi throughout the panels, so an angle
// typed in degrees reads back unchanged.
constexpr float kPi = 3.1415f;
}  // namespace

VectorEditor::VectorEditor(QWidget *parent, const char *name) : QFrame(parent)
{
    setObjectName(QString::fromUtf8(name ? name : ""));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 3; ++i) {
        m_pFields[i] = new QLineEdit(QStringLiteral("0.0"), this);
        m_pFields[i]->setFixedWidth(45);
        m_pFields[i]->setValidator(new QDoubleValidator(m_pFields[i]));
        layout->addWidget(m_pFields[i]);
        // Return and leaving the field both end an edit.
        connect(m_pFields[i], &QLineEdit::editingFinished, this, [this, i] { SetComponent(i); });
    }
}

void VectorEditor::SetValue(float *target)
{
    m_pTarget = target;
    if (!target)
        return;
    m_bUpdating = true;
    for (int i = 0; i < 3; ++i) {
        const float shown = m_bAngles ? target[i] * 180.0f / kPi : target[i];
        m_pFields[i]->setText(QStringLiteral("%1").arg(double(shown), 0, 'f', 3, QLatin1Char(' ')));
    }
    m_bUpdating = false;
}

void VectorEditor::SetComponent(int component)
{
    bool ok = false;
    float value = m_pFields[component]->text().toFloat(&ok);
    if (!ok || m_bUpdating || !m_pTarget)
        return;
    if (m_bAngles)
        value = value * kPi / 180.0f;
    m_pTarget[component] = value;
    emit valueChanged();
}

}  // namespace GUI
