#pragma once
// How an attribute asks for its editor row without the foundation knowing any widget:
// each attribute class says which kind of row it wants and with which settings; the GUI
// installs the one factory that builds the rows.

class QWidget;

namespace General {

class Attribute;
class TypeInfo;

enum class EditorKind {
    Editbox,             // generic text
    Spinbox,             // integer; spinWidth and digits
    Checkbox,            // bool
    CheckboxCollection,  // bool collection
    Colorbox,
    Vectorbox,
    Sliderbox,           // float range
    Combobox,            // enumeration
    Filenamebox,
    Eventbox,            // event gate
    Pointerbox,          // node pointer; pointerType filters the candidates
};

struct EditorRequest {
    EditorRequest(EditorKind kind, Attribute *attribute, QWidget *parent, int width)
        : kind(kind), attribute(attribute), parent(parent), width(width)
    {
    }

    EditorKind kind;
    Attribute *attribute;
    QWidget *parent;
    int width;  // editor width
    int spinWidth = 0;
    int digits = 0;
    const TypeInfo *pointerType = nullptr;
};

using EditorFactory = QWidget *(*)(const EditorRequest &request);

// Installs the GUI's factory; null removes it.
void InstallEditorFactory(EditorFactory factory);
// The row built by the installed factory; null when none is installed.
QWidget *MakeEditor(const EditorRequest &request);

}  // namespace General
