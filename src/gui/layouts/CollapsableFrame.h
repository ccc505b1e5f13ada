#pragma once
// A titled group whose body of two-column rows (caption, editor) opens and closes with a
// click on its title. New frames start closed.

#include <QWidget>

class QGridLayout;
class QToolButton;

namespace GUI {

class CollapsableFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLabelWidth = 82;

    CollapsableFrame(const QString &title, QWidget *parent);

    // Appends a row; either side may be null (an empty cell).
    void AddRow(QWidget *caption, QWidget *editor);
    QWidget *GetBody() const { return m_pBody; }
    bool IsOpen() const { return m_bOpen; }
    QString GetTitle() const;

public slots:
    // Opens a closed frame and closes an open one.
    void Toggle();

private:
    QToolButton *m_pTitle;
    QWidget *m_pBody;
    QGridLayout *m_pRows;
    bool m_bOpen = false;
};

}  // namespace GUI
