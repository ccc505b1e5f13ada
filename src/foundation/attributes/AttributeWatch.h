#pragma once
// A valueless attribute that hears everything its source is notified of and passes it
// to its owner: any attribute may be connected to a watch. Editor rows hold one to
// follow the attribute they edit.

#include "foundation/attributes/Attribute.h"

namespace General {

class AttributeWatch : public Attribute {
public:
    AttributeWatch();

    int GetType() const override;
};

}  // namespace General
