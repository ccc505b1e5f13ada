#pragma once
// The scroll area around the image viewer's canvas: centres the picture when it is smaller
// than the view and keeps the canvas's fit area equal to the view.

#include <QScrollArea>

class ImageWidget;

class ImageArea : public QScrollArea {
    Q_OBJECT

public:
    explicit ImageArea(QWidget *parent);
    ImageWidget *GetImageWidget() const { return m_pWidget; }

public slots:
    // Places a picture of w x h: centred where the view is larger, the canvas as large as
    // the picture where it is not.
    void slotWidgetResized(int w, int h);
    // Scrolls back by the amounts given.
    void slotWidgetMoved(int dx, int dy);

protected:
    bool viewportEvent(QEvent *event) override;

private:
    ImageWidget *m_pWidget;
};
