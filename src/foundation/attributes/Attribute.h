#pragma once
// A named, typed value owned by a node. A source attribute can be connected to any
// number of targets, which then follow its value; every change is reported to the
// owning node (Node::AttributeChanged). Notifications are synchronous: they run
// inside the call that caused them.

#include "foundation/Containers.h"

#include <QString>

class QWidget;
class Stream;

namespace General {

class Node;
class TypeInfo;

class Attribute {
    friend class Node;

public:
    // What GetType returns.
    enum Type {
        kTypeBase = 0,     // the base, and the plain node-pointer instance
        kTypeInt = 1,      // int, enumeration, number, bool collection, event gate
        kTypeFloat = 2,    // float, float range
        kTypeBool = 3,
        kTypeText = 4,     // text, file name
        kTypePointer = 5,  // node pointers and THIS
        kTypeColor = 6,
        kTypeVector = 7,
        kTypeWatch = 8,
    };
    // The events passed to Notify and to the owner's AttributeChanged.
    enum Event {
        kValueChanged = 0,
        kSourceChanged = 1,
        kTargetsChanged = 2,
        kNodeChanged = 3,    // sent by a node through its THIS attribute
        kNodeDestroyed = 4,
        kNodeCreated = 5,
    };

    // Joins the current node (the node under construction).
    explicit Attribute(const QString &name);
    // With `join` clear the attribute stays detached until SetOwner.
    Attribute(const QString &name, bool join);
    Attribute(const Attribute &) = delete;
    Attribute &operator=(const Attribute &) = delete;

    virtual int GetType() const;
    // Stores or loads the value in the stream's direction; false on failure.
    virtual bool Serialize(Stream &stream);
    virtual QString AsString() const;
    // Parses an edited text; neither updates the targets nor notifies.
    virtual void SetFromString(const QString &text);
    // Makes `target` follow this attribute. Throws General::Error (code 1) and changes
    // nothing for a loop, a size mismatch (checked first) or a type mismatch.
    virtual void Connect(Attribute *target);
    // Passes this value on to every target.
    virtual void UpdateTargets();
    virtual const TypeInfo *GetPointerType() const;
    virtual void SetPointer(Node *node, bool connect);
    virtual Node *GetPointer() const;
    virtual bool AcceptsPointer(Node *node) const;
    // Disconnects from the source and the targets (each told), then leaves its owner.
    virtual ~Attribute();
    // Tells the watches among the targets, then the owner.
    virtual void Notify(int event);
    // The editor row of this attribute, made by the installed editor factory (see
    // AttributeEditor.h); null while the GUI has installed none.
    virtual QWidget *CreateEditor(QWidget *parent, int width);

    // Leaves the source (the source hears event 2, this attribute event 1).
    void Disconnect();
    // Lets every target go (each hears event 1), then this attribute hears event 2.
    void DisconnectTargets();
    // Moves the attribute to `node` (null: the current node); a move leaves its source
    // properly first. With no node at all it stays detached.
    void SetOwner(Node *node);
    // Unlinks from the owner's list.
    void Detach();

    const QString &GetName() const { return m_sName; }
    Node *GetOwner() const { return m_pOwner; }
    Attribute *GetSource() const { return m_pSource; }
    Attribute *GetNextAttribute() const { return m_pNext; }
    unsigned GetTargetCount() const { return m_aTargets.GetItemCount(); }
    Attribute *GetTarget(unsigned index) const { return m_aTargets[index]; }
    int GetValueSize() const { return m_iSize; }

    const QString &GetGroup() const { return m_sGroup; }
    void SetGroup(const QString &group);
    const QString &GetTooltip() const { return m_sTooltip; }
    void SetTooltip(const QString &text) { m_sTooltip = text; }
    float GetProportion() const { return m_fProportion; }
    void SetProportion(float proportion) { m_fProportion = proportion; }
    bool IsReadOnly() const { return m_bReadOnly; }
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    // A panel draws a line under this attribute's row, closing a group of rows.
    bool HasSeparator() const { return m_bSeparator; }
    void SetSeparator(bool separator) { m_bSeparator = separator; }

protected:
    int m_iSize = 0;  // bytes of the typed value, compared by Connect

private:
    void Link(Node *node);
    void Unlink();
    // Removes `target` from the target list; false when it was not there.
    bool RemoveTarget(Attribute *target);

    Attribute *m_pSource = nullptr;
    Attribute *m_pNext = nullptr;  // older attribute of the owner
    Store<Attribute *> m_aTargets{"attributetargets"};
    Node *m_pOwner = nullptr;
    QString m_sName;
    QString m_sGroup;
    QString m_sTooltip;
    float m_fProportion = 0.5f;
    bool m_bReadOnly = false;
    bool m_bSeparator = false;
};

}  // namespace General

// Hands an attribute to a stream (Serialize in the stream's direction), so attributes
// chain like other stream operands.
Stream &operator<<(Stream &stream, General::Attribute &attribute);
