#pragma once
// A horizontal slider that edits a float with a fixed number of decimals: its integer
// positions are the value × 10^decimals. A value set in code keeps its full precision
// while it maps to the slider's position; a position the user drags to is reported.

#include <QSlider>

namespace GUI {

class FloatSlider : public QSlider {
    Q_OBJECT

public:
    FloatSlider(int decimals, QWidget *parent, const char *name);

    // The float range; the integer range follows, held within what an int can count.
    void SetRange(float minimum, float maximum);
    float GetValue() const { return m_fValue; }
    float GetMinimum() const { return m_fMinimum; }
    float GetMaximum() const { return m_fMaximum; }
    int GetDecimals() const { return m_iDecimals; }

    // The slider position of `value`: value × 10^decimals truncated, held within the int range.
    int ToPosition(float value) const;

signals:
    void valueChanged(float value);
    void doubleClicked();

public slots:
    // Nothing for the value already held; otherwise stores it, moves the slider (Qt clamps
    // the position to the range) and reports the value.
    void setValue(float value);

protected:
    // Reports `doubleClicked` and makes the current value the upper end of the range.
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    double Scale() const;

    int m_iDecimals;
    float m_fValue = 0.0f;
    float m_fMinimum = 0.0f;
    float m_fMaximum = 1.0f;
};

}  // namespace GUI
