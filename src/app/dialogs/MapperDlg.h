#pragma once
// The "Texture Baking" window as far as the "Texture bake" command needs it: a tool window
// of its own, shown floating over the main window. Its settings come with the map
// extraction dialogs.

#include "gui/dialogs/Dialog.h"

namespace GUI {

class MapperDlg : public Dialog {
    Q_OBJECT

public:
    explicit MapperDlg(QWidget *parent);
};

}  // namespace GUI
