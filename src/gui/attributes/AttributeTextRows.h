#pragma once
// The rows whose editor is a line of text: the plain text row, and the colour, slider and
// file rows built on it.

#include "gui/attributes/AttributeWidget.h"

#include <QSlider>

class QLineEdit;
class QPushButton;

namespace GUI {

class AttributeEditbox : public AttributeWidget {
    Q_OBJECT

public:
    AttributeEditbox(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QLineEdit *GetEditbox() const { return m_cEditbox; }

public slots:
    void OnChange();

protected:
    // The text refresh without the liveness check of the kinds built on it.
    void ShowText();
    // The line edit between `left` and the button at the right end, at most 30 wide.
    void PlaceWithButton(QPushButton *button, int left, int right);
    QLineEdit *m_cEditbox;
};

class AttributeColorbox : public AttributeEditbox {
    Q_OBJECT

public:
    AttributeColorbox(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QPushButton *GetButton() const { return m_cChangeButton; }

public slots:
    void OnButtonPushed();

private:
    QPushButton *m_cChangeButton;
};

class AttributeSliderbox : public AttributeEditbox {
    Q_OBJECT

public:
    // Knows its row, so a double-click can move the range to the value.
    class Slider : public QSlider {
    public:
        Slider(AttributeSliderbox *row, QWidget *parent);

    protected:
        void mouseDoubleClickEvent(QMouseEvent *event) override;

    private:
        AttributeSliderbox *m_pRow;
    };

    AttributeSliderbox(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QSlider *GetSlider() const { return m_cSlider; }
    // Left: the value becomes the range's upper end; otherwise its lower end.
    void MoveRangeToValue(bool upper);
    // The slider position of `value` in 0..1000; 0 for an empty range.
    static int SliderPosition(float value, float lower, float upper);

public slots:
    void OnMove(int position);

private:
    void SetSliderFromValue();

    Slider *m_cSlider;
    bool m_bMoving = false;
    bool m_bSetting = false;
};

class AttributeFilenamebox : public AttributeEditbox {
    Q_OBJECT

public:
    AttributeFilenamebox(QWidget *parent, int width, General::Attribute *attribute);
    void SetEditorGeometry(int left, int right) override;
    QPushButton *GetButton() const { return m_cBrowseButton; }

public slots:
    void OnBrowse();

private:
    QPushButton *m_cBrowseButton;
};

}  // namespace GUI
