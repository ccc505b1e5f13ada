#pragma once
// What the "Stencil" and "ImagePlane" pages share: the switch, preview and file rows, the
// placement fields of the "Transform" group, and when a visibility slider's value counts
// as settled. Angles are stored in radians and shown in degrees (pi taken as 3.1415).

#include <QString>

#include <functional>

class QCheckBox;
class QHBoxLayout;
class QImage;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace General {
class ImagePlacement;
}

namespace GUI {

class CollapsableFrame;
class TextSlider;

// The untitled top group: "Off", the 130 x 130 preview "Image", the file name "ImageName"
// and a row for the panel's buttons.
struct ImageRows {
    QCheckBox *off = nullptr;
    QLabel *preview = nullptr;
    QLineEdit *name = nullptr;
    QHBoxLayout *buttons = nullptr;

    ImageRows(QWidget *panel, QVBoxLayout *layout);
    // A 64 x 20 button in the button row.
    QPushButton *AddButton(const QString &text, const char *name) const;
    // Shows the picture (a null one leaves the preview empty) and the file's name without
    // its folder; an empty file empties both.
    void ShowPreview(const QString &file, const QImage &picture) const;
};

// The "Transform" group: "TranslateX" and "TranslateY" side by side, "Rotate", "Scale".
class PlacementFields {
public:
    // Adds the group to the panel's column; each field reports a finished edit (Return or
    // leaving it) to `receiver`'s `slot`.
    template <class Receiver>
    void Build(QWidget *panel, QVBoxLayout *layout, Receiver *receiver, void (Receiver::*slot)())
    {
        AddGroup(panel, layout);
        Connect(receiver, [receiver, slot] { (receiver->*slot)(); });
    }

    // Three decimals each; the rotation in degrees.
    void Show(const General::ImagePlacement &placement) const;
    // The fields into the placement; a field whose text reads as no number keeps the
    // placement's value.
    void Read(General::ImagePlacement &placement) const;
    QLineEdit *Field(int index) const { return m_aFields[index]; }

private:
    void AddGroup(QWidget *panel, QVBoxLayout *layout);
    void Connect(QWidget *receiver, const std::function<void()> &call) const;

    QLineEdit *m_aFields[4] = {};  // translate x, translate y, rotate, scale
};

// A "Visibility" slider of 0 to 100 with its caption.
TextSlider *AddPercentSlider(CollapsableFrame *frame, const QString &caption, const char *name);
// The "Reset Transform" button row ("ResetTransform").
QPushButton *AddResetRow(CollapsableFrame *frame);
// Whether the user still drags the slider: a change that costs an image reload waits for
// the release while this holds.
bool IsDragging(const TextSlider *slider);

}  // namespace GUI
