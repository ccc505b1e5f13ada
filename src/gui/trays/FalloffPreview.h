#pragma once
// The falloff curve of a falloff tray item, drawn small over the button's icon.

#include <QWidget>

namespace GUI {

class FalloffPreview : public QWidget {
public:
    // Shows curve `index` of the falloff list (nothing when there is none); 32 x 32 at (4, 4).
    FalloffPreview(int index, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_iIndex;
};

}  // namespace GUI
