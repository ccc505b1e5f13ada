#pragma once
// Face and vertex index lists as the level code takes them, written inline in tests.
#include "foundation/Containers.h"

#include <initializer_list>
#include <vector>

inline General::Store<unsigned int> List(std::initializer_list<unsigned> values)
{
    General::Store<unsigned int> list("test list");
    for (unsigned v : values)
        list.Add(v);
    return list;
}

inline std::vector<unsigned> Vec(const General::Store<unsigned int> &list) { return {list.begin(), list.end()}; }
