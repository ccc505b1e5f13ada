#pragma once
// Three number fields that edit the owner's vector of three floats in place; for rotation
// angles the vector holds radians and the fields show degrees.

#include <QFrame>

class QLineEdit;

namespace GUI {

class VectorEditor : public QFrame {
    Q_OBJECT

public:
    VectorEditor(QWidget *parent, const char *name);

    // Binds the editor to `target` (three floats that must outlive its use) and shows them.
    void SetValue(float *target);
    // Set by the owner of an editor of angles.
    void SetAngles(bool angles) { m_bAngles = angles; }
    QLineEdit *GetField(int component) const { return m_pFields[component]; }

signals:
    void valueChanged();

public slots:
    void SetX() { SetComponent(0); }
    void SetY() { SetComponent(1); }
    void SetZ() { SetComponent(2); }

private:
    // Writes the parsed field into the target; nothing while the fields are being filled,
    // without a target, or for text that is not a number.
    void SetComponent(int component);

    bool m_bAngles = false;
    bool m_bUpdating = false;
    QLineEdit *m_pFields[3];
    float *m_pTarget = nullptr;
};

}  // namespace GUI
