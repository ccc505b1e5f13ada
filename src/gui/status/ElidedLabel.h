#pragma once
// A one-line label that never cuts its text off silently: a text wider than the label is
// drawn with an ellipsis, and the tooltip then shows it whole. text() stays the full text.

#include <QLabel>

namespace GUI {

class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // The text as drawn at the current width.
    QString ShownText() const;
    bool IsElided() const { return ShownText() != text(); }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

}  // namespace GUI
