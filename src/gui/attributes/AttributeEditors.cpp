#include "gui/attributes/AttributeEditors.h"

#include "foundation/attributes/AttributeEditor.h"
#include "gui/attributes/AttributeChoiceRows.h"
#include "gui/attributes/AttributeTextRows.h"
#include "gui/attributes/AttributeValueRows.h"

namespace GUI {

namespace {

QWidget *MakeRow(const General::EditorRequest &request)
{
    QWidget *parent = request.parent;
    General::Attribute *attribute = request.attribute;
    const int width = request.width;
    switch (request.kind) {
    case General::EditorKind::Editbox:
        return new AttributeEditbox(parent, width, attribute);
    case General::EditorKind::Spinbox:
        return new AttributeSpinbox(parent, width, attribute, request.spinWidth, request.digits);
    case General::EditorKind::Checkbox:
        return new AttributeCheckbox(parent, width, attribute);
    case General::EditorKind::CheckboxCollection:
        return new AttributeCheckboxCollection(parent, width, attribute);
    case General::EditorKind::Colorbox:
        return new AttributeColorbox(parent, width, attribute);
    case General::EditorKind::Vectorbox:
        return new AttributeVectorbox(parent, width, attribute);
    case General::EditorKind::Sliderbox:
        return new AttributeSliderbox(parent, width, attribute);
    case General::EditorKind::Combobox:
        return new AttributeCombobox(parent, width, attribute);
    case General::EditorKind::Filenamebox:
        return new AttributeFilenamebox(parent, width, attribute);
    case General::EditorKind::Eventbox:
        return new AttributeEventbox(parent, width, attribute);
    case General::EditorKind::Pointerbox:
        return new AttributePointerbox(parent, width, attribute, request.pointerType);
    }
    return nullptr;
}

}  // namespace

void InstallAttributeEditors() { General::InstallEditorFactory(&MakeRow); }

}  // namespace GUI
