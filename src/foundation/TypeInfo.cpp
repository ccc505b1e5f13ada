#include "foundation/TypeInfo.h"

#include <climits>
#include <cstring>

namespace General {

namespace {

TypeInfo *s_pHead = nullptr;

// The order in which the program registers its node classes, oldest first. Keeping
// each record at its place makes the registry read the same in every run and in every
// test binary, whatever order the layers announce their classes in.
constexpr const char *kClassOrder[] = {
    "Camera", "Material", "Mesh", "DisplaceOperation", "Info", "Mapper",
    "Node", "Object", "SelectionSet", "SubdivLevel", "Transformation",
};

int Rank(const char *name)
{
    for (int i = 0; i < int(std::size(kClassOrder)); ++i)
        if (name && std::strcmp(kClassOrder[i], name) == 0)
            return i;
    return INT_MAX;
}

}  // namespace

void TypeInfo::Register(TypeInfo &record)
{
    if (record.IsRegistered())
        return;
    // Newest first: the record goes before the first record that is not registered later.
    const int rank = Rank(record.m_sName);
    TypeInfo **link = &s_pHead;
    while (*link && Rank((*link)->m_sName) > rank)
        link = &(*link)->m_pNext;
    record.m_pNext = *link;
    *link = &record;
}

void TypeInfo::Unregister(TypeInfo &record)
{
    for (TypeInfo **link = &s_pHead; *link; link = &(*link)->m_pNext) {
        if (*link == &record) {
            *link = record.m_pNext;
            record.m_pNext = nullptr;
            return;
        }
    }
}

bool TypeInfo::IsRegistered() const
{
    for (const TypeInfo *record = s_pHead; record; record = record->m_pNext)
        if (record == this)
            return true;
    return false;
}

const TypeInfo *TypeInfo::Find(const QString &name)
{
    for (const TypeInfo *record = s_pHead; record; record = record->m_pNext)
        if (name == QLatin1String(record->m_sName))
            return record;
    return nullptr;
}

bool TypeInfo::IsKindOf(const TypeInfo *record, const TypeInfo *base)
{
    for (; record; record = record->m_pParent)
        if (record == base)
            return true;
    return false;
}

const TypeInfo *TypeInfo::GetHead() { return s_pHead; }

}  // namespace General
