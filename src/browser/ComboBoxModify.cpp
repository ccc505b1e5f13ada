#include "browser/ComboBoxModify.h"

void ComboBoxModify::setCurrentIndex(int index)
{
    QComboBox::setCurrentIndex(index);
    emit activated(index);
}
