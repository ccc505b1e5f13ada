#pragma once
// The rows that edit one number, flag, vector or choice: vector, check box, spin box and
// enumeration combo.

#include "gui/attributes/AttributeWidget.h"

#include <QSpinBox>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace GUI {

class AttributeVectorbox : public AttributeWidget {
    Q_OBJECT

public:
    AttributeVectorbox(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QLineEdit *GetBox(int axis) const;

public slots:
    void OnChange();

private:
    QLineEdit *m_cXBox;
    QLineEdit *m_cYBox;
    QLineEdit *m_cZBox;
};

class AttributeCheckbox : public AttributeWidget {
    Q_OBJECT

public:
    AttributeCheckbox(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QCheckBox *GetCheckbox() const { return m_cCheckbox; }

public slots:
    void OnChange(int state);

private:
    bool m_bUpdating = false;
    QCheckBox *m_cCheckbox;
};

class AttributeSpinbox : public AttributeWidget {
    Q_OBJECT

public:
    // Shows at least a given number of digits, with leading zeros.
    class SpinBox : public QSpinBox {
    public:
        SpinBox(int digits, QWidget *parent);

    protected:
        QString textFromValue(int value) const override;

    private:
        int m_iDigits;
    };

    AttributeSpinbox(QWidget *parent, int width, General::Attribute *attribute, int spinWidth, int digits);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QSpinBox *GetSpin() const { return m_cSpin; }

public slots:
    void OnChange(int value);

private:
    SpinBox *m_cSpin;
    bool m_bUpdating = false;
};

class AttributeCombobox : public AttributeWidget {
    Q_OBJECT

public:
    AttributeCombobox(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QComboBox *GetCombo() const { return m_cCombo; }

public slots:
    void OnChange(int index);

private:
    bool m_bUpdating = false;
    QComboBox *m_cCombo;
};

}  // namespace GUI
