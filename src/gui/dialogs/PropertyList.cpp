#include "gui/dialogs/PropertyList.h"

#include "gui/dialogs/PropertiesDialog.h"

namespace GUI {

PropertyList::PropertyList(PropertiesDialog *owner) : QFrame(owner), m_pOwner(owner) {}

}  // namespace GUI
