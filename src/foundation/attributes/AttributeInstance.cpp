#include "foundation/attributes/AttributeInstance.h"

#include "foundation/attributes/AttributeEditor.h"
#include "foundation/Node.h"
#include "foundation/Stream.h"

#include <type_traits>

namespace General {

namespace {

template <class T>
constexpr int TypeCode()
{
    if constexpr (std::is_same_v<T, int>)
        return Attribute::kTypeInt;
    else if constexpr (std::is_same_v<T, float>)
        return Attribute::kTypeFloat;
    else if constexpr (std::is_same_v<T, bool>)
        return Attribute::kTypeBool;
    else if constexpr (std::is_same_v<T, QString>)
        return Attribute::kTypeText;
    else if constexpr (std::is_same_v<T, Color>)
        return Attribute::kTypeColor;
    else if constexpr (std::is_same_v<T, Vector>)
        return Attribute::kTypeVector;
    else
        return Attribute::kTypeBase;  // the plain node pointer
}

// Bytes of the value as connections compare them (a node pointer counts as 4).
template <class T>
constexpr int ValueSize()
{
    if constexpr (std::is_same_v<T, bool>)
        return 1;
    else if constexpr (std::is_same_v<T, Color> || std::is_same_v<T, Vector>)
        return int(sizeof(T));
    else
        return 4;
}

// Moves the value's bytes; a load takes them only when they all arrive.
template <class T>
bool TransferValue(Stream &stream, T &value)
{
    T copy = value;
    if (!stream.Transfer(&copy, sizeof copy))
        return false;
    value = copy;
    return true;
}

// Field `index` of a text split at blanks, as a float (0 when absent or not a number).
float Field(const QString &text, int index) { return text.section(QLatin1Char(' '), index, index).toFloat(); }

}  // namespace

template <class T>
AttributeInstance<T>::AttributeInstance(const QString &name, bool join) : Attribute(name, join)
{
    m_iSize = ValueSize<T>();
    if constexpr (std::is_same_v<T, Color>)
        m_Value = Color(1.0f, 1.0f, 1.0f, 1.0f);
}

template <class T>
int AttributeInstance<T>::GetType() const
{
    return TypeCode<T>();
}

template <class T>
bool AttributeInstance<T>::Serialize(Stream &stream)
{
    if constexpr (std::is_same_v<T, bool>) {
        stream.Serialize(m_Value);
    } else if constexpr (std::is_same_v<T, QString>) {
        if (stream.IsStoring()) {
            stream << m_Value;
        } else {
            QString text;
            stream >> text;
            if (!stream.HasError())
                m_Value = text;
        }
    } else if constexpr (std::is_same_v<T, Node *>) {
        // Never the pointer's bytes: the class and the node name, bound again on reading.
        if (stream.IsStoring()) {
            const bool live = m_Value && Node::IsLive(m_Value);
            stream << (live ? QString::fromLatin1(m_Value->GetTypeInfo()->GetName()) : QString());
            stream << (live ? m_Value->GetName() : QString());
        } else {
            QString className;
            QString nodeName;
            stream >> className >> nodeName;
            if (stream.HasError())
                return false;
            if (className.isEmpty() && nodeName.isEmpty()) {
                SetValue(nullptr, false);
                return true;
            }
            for (Node *node = Node::GetHead(); node; node = node->GetNext()) {
                if (className == QLatin1String(node->GetTypeInfo()->GetName()) && node->GetName() == nodeName) {
                    SetValue(node, false);
                    break;
                }
            }
        }
    } else {
        TransferValue(stream, m_Value);
    }
    return !stream.HasError();
}

template <class T>
QString AttributeInstance<T>::AsString() const
{
    if constexpr (std::is_same_v<T, int>)
        return QString::asprintf("%d", m_Value);
    else if constexpr (std::is_same_v<T, float>)
        return QString::asprintf("%.02f", double(m_Value));
    else if constexpr (std::is_same_v<T, bool>)
        return m_Value ? QStringLiteral("true") : QStringLiteral("false");
    else if constexpr (std::is_same_v<T, QString>)
        return m_Value;
    else if constexpr (std::is_same_v<T, Color>)
        return QString::asprintf("%.2f %.2f %.2f %.2f", double(m_Value.r), double(m_Value.g), double(m_Value.b),
                                 double(m_Value.a));
    else if constexpr (std::is_same_v<T, Vector>)
        return QString::asprintf("%.2f %.2f %.2f", double(m_Value.x), double(m_Value.y), double(m_Value.z));
    else
        return m_Value && Node::IsLive(m_Value) ? m_Value->GetName() : QString();
}

template <class T>
void AttributeInstance<T>::SetFromString(const QString &text)
{
    if constexpr (std::is_same_v<T, int>) {
        m_Value = text.toInt(nullptr, 10);
    } else if constexpr (std::is_same_v<T, float>) {
        m_Value = text.toFloat();
    } else if constexpr (std::is_same_v<T, bool>) {
        if (text == QLatin1String("true"))
            m_Value = true;
        else if (text == QLatin1String("false"))
            m_Value = false;
    } else if constexpr (std::is_same_v<T, QString>) {
        m_Value = text;
    } else if constexpr (std::is_same_v<T, Color>) {
        m_Value = Color(Field(text, 0), Field(text, 1), Field(text, 2), Field(text, 3));
    } else if constexpr (std::is_same_v<T, Vector>) {
        m_Value = Vector(Field(text, 0), Field(text, 1), Field(text, 2));
    } else {
        Log("A node pointer cannot be set from a text (%s)\n", GetName().toLocal8Bit().constData());
    }
}

template <class T>
void AttributeInstance<T>::Connect(Attribute *target)
{
    Attribute::Connect(target);
    if (target->GetValueSize() != 0) {
        if (auto *typed = dynamic_cast<AttributeInstance<T> *>(target)) {
            if (!(typed->m_Value == m_Value)) {
                const T value = m_Value;
                typed->SetValue(value, false);
            }
        }
    }
    Notify(kTargetsChanged);
    target->Notify(kSourceChanged);
}

template <class T>
void AttributeInstance<T>::UpdateTargets()
{
    const T value = m_Value;
    // The list is read afresh each step: a notified owner may change it.
    for (unsigned i = 0; i < GetTargetCount(); ++i) {
        Attribute *target = GetTarget(i);
        if (target->GetValueSize() == m_iSize) {
            if (auto *typed = dynamic_cast<AttributeInstance<T> *>(target)) {
                typed->SetValue(value, false);
                continue;
            }
        }
        target->Notify(kValueChanged);
    }
}

template <class T>
QWidget *AttributeInstance<T>::CreateEditor(QWidget *parent, int width)
{
    EditorRequest request(EditorKind::Editbox, this, parent, width);
    if constexpr (std::is_same_v<T, int>) {
        request.kind = EditorKind::Spinbox;
        request.spinWidth = 40;
        request.digits = 1;
    } else if constexpr (std::is_same_v<T, bool>) {
        request.kind = EditorKind::Checkbox;
    } else if constexpr (std::is_same_v<T, Color>) {
        request.kind = EditorKind::Colorbox;
    } else if constexpr (std::is_same_v<T, Vector>) {
        request.kind = EditorKind::Vectorbox;
    }
    return MakeEditor(request);
}

template <class T>
void AttributeInstance<T>::SetValue(const T &value, bool silent)
{
    m_Value = value;
    UpdateTargets();
    if (!silent)
        Notify(kValueChanged);
}

template class AttributeInstance<int>;
template class AttributeInstance<float>;
template class AttributeInstance<bool>;
template class AttributeInstance<QString>;
template class AttributeInstance<Color>;
template class AttributeInstance<Vector>;
template class AttributeInstance<Node *>;

}  // namespace General
