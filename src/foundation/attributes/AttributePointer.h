#pragma once
// Node pointers that follow their node: a pointer attribute is a target of the THIS
// attribute of the node it points to, so it hears when that node changes (event 3) or
// dies (event 4, after which it holds null). In a stream it is the class name and the
// node name, bound again to a live node when read.

#include "foundation/attributes/AttributeInstance.h"

namespace General {

template <class T>
class AttributePointer;

// The pointer to any node; the base of the pointers to a node class.
template <>
class AttributePointer<Node> : public AttributeInstance<Node *> {
public:
    using AcceptFilter = bool (*)(Node *node);

    explicit AttributePointer(const QString &name, bool join = true);

    int GetType() const override;
    // The node's name, or the null text.
    QString AsString() const override;
    // Refused: a pointer is never formed from text.
    void SetFromString(const QString &text) override;
    // The base connection; a target holding another node takes this one without
    // connecting (so it goes on following this attribute); then events 2 and 1.
    void Connect(Attribute *target) override;
    // Every target gets SetPointer (this pointer, without connecting).
    void UpdateTargets() override;
    const TypeInfo *GetPointerType() const override;
    // Ignored for a node that AcceptsPointer refuses. With `connect` as SetValue; without,
    // stores the pointer, updates the targets and notifies event 0.
    void SetPointer(Node *node, bool connect) override;
    Node *GetPointer() const override { return m_Value; }
    // Whether the node is of the pointed class and passes the accept filter.
    bool AcceptsPointer(Node *node) const override;
    // As the base; events 3 and 4 then go on to every other target too.
    void Notify(int event) override;
    QWidget *CreateEditor(QWidget *parent, int width) override;
    // Nothing for the node already held or for a node not of the pointed class. Otherwise
    // stores it, updates the targets, notifies event 0 unless silent and follows the new
    // node's THIS attribute.
    void SetValue(Node *const &node, bool silent = false) override;

    void SetAcceptFilter(AcceptFilter filter) { m_pFilter = filter; }
    const QString &GetNullText() const { return m_sNullText; }
    void SetNullText(const QString &text) { m_sNullText = text; }
    bool IsNullAllowed() const { return m_bNullAllowed; }
    void SetNullAllowed(bool allowed) { m_bNullAllowed = allowed; }

private:
    bool IsOfPointerType(Node *node) const;

    AcceptFilter m_pFilter = nullptr;
    QString m_sNullText = QStringLiteral("NULL");
    bool m_bNullAllowed = true;
};

// The pointer to a node of class T (which names its record T::s_typeInfo).
template <class T>
class AttributePointer : public AttributePointer<Node> {
public:
    using AttributePointer<Node>::AttributePointer;

    const TypeInfo *GetPointerType() const override { return &T::s_typeInfo; }
    T *GetValue() const { return static_cast<T *>(m_Value); }
};

// A node's own THIS attribute: points at the node; the pointers to the node are its targets.
class AttributeThisPointer : public AttributePointer<Node> {
public:
    // Named "THIS" and detached; the node adopts it.
    AttributeThisPointer();
    // The owning node's own class record.
    const TypeInfo *GetPointerType() const override;
};

}  // namespace General
