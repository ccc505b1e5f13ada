#include "foundation/attributes/AttributeBoolCollection.h"

#include "foundation/attributes/AttributeEditor.h"

#include <QCoreApplication>

namespace General {

AttributeBoolCollection::AttributeBoolCollection(const QString &name) : AttributeInstance<int>(name) {}

int AttributeBoolCollection::AddBool(const QString &name, bool value)
{
    if (m_iCount >= kMaxBools)
        throw Error(1, QCoreApplication::translate("General::AttributeBoolCollection", "Too much bool in collection"));
    const int index = m_iCount++;
    m_aNames[index] = name;
    SetBool(index, value, true);
    return index;
}

void AttributeBoolCollection::SetBool(int index, bool value, bool silent)
{
    CheckIndex(index);
    const unsigned bit = 1u << index;
    const unsigned bits = unsigned(m_Value);
    m_Value = int(value ? bits | bit : bits & ~bit);
    UpdateTargets();
    if (!silent)
        Notify(kValueChanged);
}

bool AttributeBoolCollection::GetBool(int index) const
{
    CheckIndex(index);
    return (unsigned(m_Value) >> index) & 1u;
}

const QString &AttributeBoolCollection::GetBoolName(int index) const
{
    CheckIndex(index);
    return m_aNames[index];
}

QWidget *AttributeBoolCollection::CreateEditor(QWidget *parent, int width)
{
    return MakeEditor({EditorKind::CheckboxCollection, this, parent, width});
}

void AttributeBoolCollection::CheckIndex(int index) const
{
    if (index < 0 || index >= m_iCount)
        throw Error(1, QCoreApplication::translate("General::AttributeBoolCollection",
                                                   "Bool collection index is out of range (index: %1, range: %2)")
                           .arg(index)
                           .arg(m_iCount));
}

}  // namespace General
