#pragma once
// The rows that fire an event, pick a node or set a collection of flags.

#include "gui/attributes/AttributeWidget.h"

#include <QList>

#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace General {
class TypeInfo;
}

namespace GUI {

class AttributeEventbox : public AttributeWidget {
    Q_OBJECT

public:
    AttributeEventbox(QWidget *parent, int width, General::Attribute *attribute);
    void LayoutRow(int left, int right, bool labelled) override;
    QPushButton *GetButton() const { return m_cButton; }

public slots:
    void OnAction();

private:
    QPushButton *m_cButton;
};

// The candidates are listed once, at construction; each entry carries its node's pointer
// and serial, so a choice resolves to exactly that node, or to none once it is gone.
class AttributePointerbox : public AttributeWidget {
    Q_OBJECT

public:
    AttributePointerbox(QWidget *parent, int width, General::Attribute *attribute, const General::TypeInfo *filter);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    QComboBox *GetCombo() const { return m_cCombo; }

public slots:
    void OnChange(int index);

private:
    void AddNullEntry();
    // The live node an entry stands for; null for the empty entry or a vanished node.
    General::Node *EntryNode(int index) const;

    // What each entry stands for: a node and its serial, or nothing for the empty entry.
    struct Entry {
        General::Node *node = nullptr;
        int serial = -1;
    };

    std::vector<Entry> m_aEntries;
    bool m_bUpdating = false;
    bool m_bNullEntry = false;
    QComboBox *m_cCombo;
    const General::TypeInfo *m_pFilter;
};

class AttributeCheckboxCollection : public AttributeWidget {
    Q_OBJECT

public:
    AttributeCheckboxCollection(QWidget *parent, int width, General::Attribute *attribute);
    void Refresh() override;
    void SetEditorGeometry(int left, int right) override;
    const QList<QCheckBox *> &GetCheckboxes() const { return m_aCheckboxes; }

public slots:
    void OnChange(int state);

private:
    QList<QCheckBox *> m_aCheckboxes;
    QWidget *m_pContainer;
    bool m_bUpdating = false;
};

}  // namespace GUI
