#pragma once
// The base of every named item that carries attributes. Every live node sits in one
// program-wide list (newest first), which is what a saved pointer attribute is bound
// against after loading and what the node table walks.
//
// A node class declares its record and overrides GetTypeInfo:
//   class Mesh : public General::Node {
//   public:
//       static General::TypeInfo s_typeInfo;
//       const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
//       General::AttributeInstance<int> m_aLevel{"Level"};  // joins this node
//   };
// Attributes declared as members join the node automatically: the node under
// construction is the current node, and an attribute built without an owner joins it.

#include "foundation/attributes/AttributePointer.h"
#include "foundation/TypeInfo.h"

#include <QString>

namespace General {

class EventGate;

class Node {
    friend class Attribute;

public:
    explicit Node(const QString &name = QString());
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    // Called by an attribute of this node after a change; empty.
    virtual void AttributeChanged(Attribute *attribute, int event);
    // Called when an event gate of this node fires; empty.
    virtual void HandleEvent(EventGate *gate);
    // Tells the pointers to this node (event 4), sets them to null, leaves the node list.
    virtual ~Node();
    virtual QString GetName() const;
    // The name GetName gives unless a class keeps a name of its own.
    void SetNodeName(const QString &name) { m_sName = name; }
    virtual const TypeInfo *GetTypeInfo() const;

    // The root record, "Node".
    static TypeInfo s_typeInfo;

    // Attributes, newest first.
    int GetAttributeCount() const;
    Attribute *GetAttribute(int index) const;
    // Moves every attribute of `other` here, each to the head (so their order reverses);
    // a non-empty group text is given to each moved attribute.
    void TakeAttributes(Node *other, const QString &group);
    // One log line "name: text" per attribute.
    void LogAttributes() const;

    // The newest live node of the class (or a class derived from it) with that name;
    // null when none or when the class is not registered.
    static Node *Find(const QString &className, const QString &nodeName);
    static Node *FindById(int id);
    // Whether `node` is in the list of live nodes (no member of it is read).
    static bool IsLive(const Node *node);

    static Node *GetHead() { return s_pHead; }
    Node *GetNext() const { return m_pNext; }
    Node *GetPrevious() const { return m_pPrevious; }
    // The most recently constructed live node (null once it is destroyed): ownerless
    // attributes join it.
    static Node *GetCurrent() { return s_pCurrent; }

    int GetId() const { return m_iId; }
    int GetFirstOrder() const { return m_iFirstOrder; }
    int GetSecondOrder() const { return m_iSecondOrder; }
    AttributeThisPointer &GetThis() { return m_aThis; }

protected:
    QString m_sName;

private:
    static Node *s_pHead;
    static Node *s_pCurrent;
    static int s_iSerial;

    Attribute *m_pAttributes = nullptr;  // newest first
    int m_iId = 0;
    Node *m_pNext = nullptr;      // older
    Node *m_pPrevious = nullptr;  // newer
    int m_iFirstOrder = 10;
    int m_iSecondOrder = 10;
    AttributeThisPointer m_aThis;
};

}  // namespace General
