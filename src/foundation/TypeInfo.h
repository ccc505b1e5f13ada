#pragma once
// The node-class registry: one record per node class, giving the class its name,
// its parent class and a factory, so that nodes can be created by class name
// (scene files, the node table) and kinds tested by walking the parent records.
//
// A class declares its record as a constant-initialised static, for example
//   constinit General::TypeInfo Mesh::s_typeInfo{&General::Node::s_typeInfo, "Mesh", &General::CreateNodes<Mesh>};
// and its layer's start-up code links it with TypeInfo::Register. The list always
// reads in the program's fixed class order (newest first), whichever order the
// layers' start-up code runs in.

#include <QString>

#include <new>

namespace General {

class Node;

class TypeInfo {
public:
    using Factory = Node *(*)(int count);

    constexpr TypeInfo(const TypeInfo *parent, const char *name, Factory factory)
        : m_pParent(parent), m_sName(name), m_pFactory(factory)
    {
    }
    TypeInfo(const TypeInfo &) = delete;
    TypeInfo &operator=(const TypeInfo &) = delete;

    // Links the record into the registry list at the place its name holds in the fixed
    // class order (a name outside that order goes to the head, as the newest record).
    // Registering a linked record again moves nothing.
    static void Register(TypeInfo &record);
    // Takes the record out of the list again (start-up objects are torn down in reverse).
    static void Unregister(TypeInfo &record);

    // The first record (from the head) whose name equals `name`; null when none.
    static const TypeInfo *Find(const QString &name);
    // False for a null record; otherwise whether `base` is the record or one of its ancestors.
    static bool IsKindOf(const TypeInfo *record, const TypeInfo *base);
    // The newest record of the registry list.
    static const TypeInfo *GetHead();

    const TypeInfo *GetParent() const { return m_pParent; }
    const TypeInfo *GetNext() const { return m_pNext; }
    const char *GetName() const { return m_sName; }
    Factory GetFactory() const { return m_pFactory; }
    bool IsRegistered() const;
    // Creates `count` nodes through the factory (one for a count below 2); null without a factory.
    Node *Create(int count = 1) const { return m_pFactory ? m_pFactory(count) : nullptr; }

private:
    const TypeInfo *m_pParent;
    TypeInfo *m_pNext = nullptr;
    const char *m_sName;
    Factory m_pFactory;
};

// The factory of a node class: one default-constructed node for a count below 2,
// else an array of `count` nodes (released by the caller with delete[]) whose first is
// returned. Null when the memory is refused.
template <class T>
Node *CreateNodes(int count)
{
    try {
        if (count < 2)
            return new (std::nothrow) T;
        return new (std::nothrow) T[size_t(count)];
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

}  // namespace General
