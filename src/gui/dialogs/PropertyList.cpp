#include "gui/dialogs/PropertyList.h"

#include "gui/dialogs/PropertiesDialog.h"

namespace GUI {

PropertyList::PropertyList(PropertiesDialog *owner) : QFrame(owner), m_pOwner(owner) {}

PropertyList::PropertyList(QWidget *parent) : QFrame(parent), m_pOwner(nullptr) {}

General::Node *PropertyList::GetShownNode() const { return m_pOwner ? m_pOwner->GetNode() : nullptr; }

}  // namespace GUI
