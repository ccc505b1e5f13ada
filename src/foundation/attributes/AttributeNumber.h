#pragma once
// An int shown in a spin box of a given width, padded with leading "0" to a minimum
// number of digits.

#include "foundation/attributes/AttributeInstance.h"

namespace General {

class AttributeNumber : public AttributeInstance<int> {
public:
    AttributeNumber(const QString &name, int width, int digits);

    QWidget *CreateEditor(QWidget *parent, int width) override;

    int GetDigits() const { return m_iDigits; }
    int GetWidth() const { return m_iWidth; }

private:
    int m_iDigits;
    int m_iWidth;
};

}  // namespace General
