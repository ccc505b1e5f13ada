#pragma once
// A storing stream whose header and records take an older version, so that a record can
// be written in an old form and read back the way an old file would be.
#include "foundation/Stream.h"

class StreamAtVersion : public Stream {
public:
    StreamAtVersion(const QString &path, int version) : Stream(path, true)
    {
        m_iVersion = version;
        Seek(0);
        Write(&version, 4);
    }
};
