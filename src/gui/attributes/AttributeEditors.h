#pragma once
// Installs the factory that builds an attribute's editor row (see
// foundation/attributes/AttributeEditor.h); the main window and the tests call it once.

namespace GUI {

void InstallAttributeEditors();

}  // namespace GUI
