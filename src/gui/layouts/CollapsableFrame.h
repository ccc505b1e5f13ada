#pragma once
// A titled group whose body opens and closes with the arrow on its title row. A titled
// frame starts closed unless its title begins with "-" (a leading "+" is dropped as well);
// a frame without a title cannot fold and stays open. The body lays out its widgets in a
// given number of columns; attribute rows placed in it follow the frame's width.

#include <QList>
#include <QWidget>

class QGridLayout;
class QLabel;
class QPushButton;

namespace GUI {

class AttributeWidget;

class CollapsableFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLabelWidth = 82;

    // `unused` is kept for the callers that pass a second text.
    CollapsableFrame(QWidget *parent, const QString &title, const QString &unused, int columns, bool labelled);
    // A two-column labelled frame of caption and editor rows.
    CollapsableFrame(const QString &title, QWidget *parent);

    // Appends a row; either side may be null (an empty cell).
    void AddRow(QWidget *caption, QWidget *editor);
    // Puts `widget` into the next cell of the body.
    void AddToBody(QWidget *widget);
    // An attribute row of the body, placed at the frame's width from now on.
    void AddAttributeRow(AttributeWidget *row);
    // A thin line after the last widget of the body.
    void AddSeparator();
    // Whether the title row's button folds the frame. Off hides the title row, leaving the
    // body alone; on shows it and folds the frame once, as a click on the button does.
    void SetCollapsible(bool on);
    // A caption of the label column: the frame's label width at least, aligned right.
    void AlignLabel(QLabel *label) const;

    QWidget *GetBody() const { return m_pBody; }
    bool IsOpen() const { return m_bOpen; }
    bool IsFoldable() const { return m_bFoldable; }
    bool IsLabelled() const { return m_bLabelled; }
    QString GetTitle() const;
    QWidget *GetTitleRow() const { return m_pTitleRow; }
    const QList<AttributeWidget *> &GetRows() const { return m_aRows; }
    int GetLabelWidth() const { return m_iLabelWidth; }
    int GetEditorWidth() const { return m_iEditorWidth; }
    void SetWidths(int label, int editor)
    {
        m_iLabelWidth = label;
        m_iEditorWidth = editor;
    }

public slots:
    // Opens a closed frame and closes an open one; nothing for a frame that cannot fold.
    virtual void Toggle();
    void OnToggle() { Toggle(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_pTitleRow;
    QPushButton *m_pButton;
    QLabel *m_pTitle;
    QWidget *m_pBody;
    QGridLayout *m_pRows;
    QList<AttributeWidget *> m_aRows;
    int m_iColumns;
    int m_iCells = 0;
    bool m_bOpen = true;
    bool m_bFoldable;
    bool m_bLabelled;
    int m_iLabelWidth = kLabelWidth;
    int m_iEditorWidth = 100;
    int m_iClosedHeight = 0;
};

}  // namespace GUI
