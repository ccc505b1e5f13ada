#pragma once
// A stack of collapsible frames; AddNode turns a node into a page of them, one frame per
// attribute category: "#top" first, then the attributes without a category, then each
// named category in the order it first appears, then "#bottom". Other "#" categories and
// the attributes "eventgate" and "THIS" are never shown.

#include <QFrame>
#include <QList>

class QVBoxLayout;

namespace General {
class Node;
}

namespace GUI {

class CollapsableFrame;

class CollapsableContainer : public QFrame {
    Q_OBJECT

public:
    CollapsableContainer(QWidget *parent, bool labelled);

    // A frame at the bottom of the stack; an untitled one opens and shows no title row.
    CollapsableFrame *AddFrame(const QString &title, bool titled);
    // The rows of the node's attributes of one category; no frame when none has it.
    void AddCategory(General::Node *node, const QString &category);
    void AddNode(General::Node *node);

    const QList<CollapsableFrame *> &GetFrames() const { return m_aFrames; }
    int GetLabelWidth() const { return m_iLabelWidth; }
    int GetEditorWidth() const { return m_iEditorWidth; }

private:
    // Every labelled row's label column fits the longest shown label; the page is kept wide
    // enough for that column and an editor beside it.
    void FitLabelColumn();

    QVBoxLayout *m_pLayout;
    QList<CollapsableFrame *> m_aFrames;
    int m_iLabelWidth = 100;
    int m_iEditorWidth = 100;
    bool m_bLabelled;
};

}  // namespace GUI
