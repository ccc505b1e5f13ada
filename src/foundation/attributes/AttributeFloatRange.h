#pragma once
// A float edited on a slider between two bounds, shown scaled (a scale of 100 shows
// 0.5 as "50.00"). The bounds widen to take any value the attribute is given; the value
// itself is never clamped.

#include "foundation/attributes/AttributeInstance.h"

namespace General {

class AttributeFloatRange : public AttributeInstance<float> {
public:
    AttributeFloatRange(const QString &name, float lower, float upper, float scale = 1.0f);

    // "%.02f" of value × scale.
    QString AsString() const override;
    // The parsed number divided by the scale.
    void SetFromString(const QString &text) override;
    // Event 0 first widens the bounds to hold the value.
    void Notify(int event) override;
    QWidget *CreateEditor(QWidget *parent, int width) override;

    float GetLower() const { return m_fLower; }
    float GetUpper() const { return m_fUpper; }
    float GetScale() const { return m_fScale; }
    // The editor's slider spans these; the value is left as it is.
    void SetBounds(float lower, float upper)
    {
        m_fLower = lower;
        m_fUpper = upper;
    }

private:
    float m_fLower;
    float m_fUpper;
    float m_fScale;
};

}  // namespace General
