#pragma once
// What the property panels share: untitled groups, captioned rows and colour swatches.
// A swatch shows a colour as components × 255 (fraction dropped, alpha 255); a colour
// picked for it comes back as components / 255 with alpha 1.

#include "foundation/math/Color.h"

#include <QString>

class QFrame;
class QLabel;
class QObject;
class QVBoxLayout;
class QWidget;

namespace GUI {

class CollapsableFrame;

// The panel's top-aligned, fixed-size column of groups (margin 1, 4 pixels of spacing).
QVBoxLayout *MakePanelLayout(QWidget *panel);
// A group of rows added to the panel's column; an empty title gives a group without a
// header that cannot fold.
CollapsableFrame *AddGroup(QWidget *panel, QVBoxLayout *layout, const QString &title);
// A right-aligned caption named after the editor ("<name>_label") followed by the editor;
// without a caption the label column holds an empty widget.
QLabel *AddCaptionRow(CollapsableFrame *frame, const QString &caption, QWidget *editor);

// A boxed 60 × 16 frame named `name` whose events go to `filter`.
QFrame *MakeColorSwatch(QWidget *parent, const QString &name, QObject *filter);
void PaintSwatch(QFrame *swatch, const General::Color &color);
// Asks for a colour starting at the swatch's own; false when the user cancelled.
bool AskSwatchColor(QFrame *swatch, QWidget *parent, General::Color &picked);

}  // namespace GUI
