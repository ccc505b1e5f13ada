#include "foundation/attributes/AttributeEditor.h"

namespace General {

namespace {
EditorFactory s_pFactory = nullptr;
}

void InstallEditorFactory(EditorFactory factory) { s_pFactory = factory; }

QWidget *MakeEditor(const EditorRequest &request) { return s_pFactory ? s_pFactory(request) : nullptr; }

}  // namespace General
