#pragma once
// A number field beside a FloatSlider, kept in step with it: the panels' most used editor.
// By default a value outside the range widens the range to include it.

#include <QWidget>

class QLineEdit;

namespace GUI {

class FloatSlider;

class TextSlider : public QWidget {
    Q_OBJECT

public:
    ~TextSlider() override;
    TextSlider(int decimals, QWidget *parent, const char *name);

    void SetRange(float minimum, float maximum);
    // The slider's value (not the field's text).
    float GetValue() const;
    FloatSlider *GetSlider() const { return m_pSlider; }
    QLineEdit *GetEdit() const { return m_pEdit; }
    // True by default: a value set outside the range widens it. When false, a value above
    // the maximum shows the maximum in the field.
    void SetRangeFollowsValue(bool follows) { m_bRangeFollowsValue = follows; }
    bool GetRangeFollowsValue() const { return m_bRangeFollowsValue; }

signals:
    void sliderPressed();
    void sliderReleased();
    void valueChanged(float value);
    void doubleClicked();

public slots:
    // Reads the field after an edit; text that is not a number changes nothing.
    void textChanged();
    // Shows `value` in the field, widens the range when asked to, and passes the value on
    // to the slider.
    void setValue(float value);

private:
    QString Format(float value) const;
    void FitField(float value);

    bool m_bRangeFollowsValue = true;
    bool m_bUpdating = false;
    FloatSlider *m_pSlider;
    QLineEdit *m_pEdit;
};

}  // namespace GUI
