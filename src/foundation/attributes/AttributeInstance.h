#pragma once
// A plain attribute value: int, float, bool, text, colour, vector or a node pointer.
// One template serves them all; its members are built once, for exactly these types,
// in AttributeInstance.cpp.

#include "foundation/attributes/Attribute.h"
#include "foundation/math/Color.h"
#include "foundation/math/Vector.h"

#include <type_traits>

namespace General {

template <class T>
class AttributeInstance : public Attribute {
public:
    explicit AttributeInstance(const QString &name, bool join = true);

    int GetType() const override;
    bool Serialize(Stream &stream) override;
    QString AsString() const override;
    void SetFromString(const QString &text) override;
    // The base connection, then the target takes this value when it differs
    // (it hears event 0), then event 2 to this attribute and 1 to the target.
    void Connect(Attribute *target) override;
    // A target of this value size takes the value (not silently); any other hears event 0.
    void UpdateTargets() override;
    QWidget *CreateEditor(QWidget *parent, int width) override;

    // Stores the value (without comparing), updates the targets, then notifies event 0 unless silent.
    virtual void SetValue(const T &value, bool silent = false);
    const T &GetValue() const { return m_Value; }
    // SetValue that hands the value back, for callers that set and use it in one expression.
    T Assign(const T &value, bool silent = false)
    {
        SetValue(value, silent);
        return m_Value;
    }
    // The vector form of Assign, component by component.
    template <class U = T, class = std::enable_if_t<std::is_same_v<U, Vector>>>
    Vector Assign(float x, float y, float z, bool silent = false)
    {
        return Assign(Vector(x, y, z), silent);
    }

protected:
    T m_Value{};  // zero; a colour starts white
};

extern template class AttributeInstance<int>;
extern template class AttributeInstance<float>;
extern template class AttributeInstance<bool>;
extern template class AttributeInstance<QString>;
extern template class AttributeInstance<Color>;
extern template class AttributeInstance<Vector>;
extern template class AttributeInstance<Node *>;

}  // namespace General
