#pragma once
// A combo box whose programmatic choice acts like the user's: setCurrentIndex also emits
// activated(int), so the one slot that answers the user answers the program too.

#include <QComboBox>

class ComboBoxModify : public QComboBox {
    Q_OBJECT

public:
    using QComboBox::QComboBox;

public slots:
    void setCurrentIndex(int index);
};
