#include "foundation/attributes/AttributeWatch.h"

namespace General {

AttributeWatch::AttributeWatch() : Attribute(QString()) {}

int AttributeWatch::GetType() const { return kTypeWatch; }

}  // namespace General
