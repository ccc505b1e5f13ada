#pragma once
// A 4-byte value with a name, streamed together: the stamp keeps its file name in one.

#include <QString>

class Stream;

namespace General {

class NamedValue {
public:
    int m_iValue = 0;
    QString m_sName;

    // The value, then the name as a stream string. A failed load leaves both as they were.
    bool Serialize(Stream &stream);
};

}  // namespace General
