#pragma once
// An int that indexes a list of value names, edited with a combo box. Users add the
// names to the store directly.

#include "foundation/attributes/AttributeInstance.h"

namespace General {

class AttributeEnumeration : public AttributeInstance<int> {
public:
    explicit AttributeEnumeration(const QString &name);

    QWidget *CreateEditor(QWidget *parent, int width) override;

    Store<const char *> m_aValues{"attributeenumerationvalues"};
};

}  // namespace General
