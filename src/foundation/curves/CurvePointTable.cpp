#include "foundation/curves/CurvePointTable.h"

#include "foundation/Stream.h"

#include <algorithm>

namespace {
constexpr int kVersionSevenFloats = 118;
constexpr int kOldPointCount = 8;
}  // namespace

CurvePointTable::CurvePointTable()
{
    for (CurvePoint &point : m_aPoints) {
        point.x = 0.0f;
        point.extra = 0.0f;
        point.Clear();
    }
}

bool CurvePointTable::Serialize(Stream &stream)
{
    const bool sevenFloats = stream.GetVersion() >= kVersionSevenFloats;
    const int floats = sevenFloats ? 7 : 6;
    if (stream.IsStoring()) {
        int count = std::clamp(m_iCount, 0, kCapacity);
        stream.Serialize(count);
        const int points = sevenFloats ? count : kOldPointCount;
        for (int i = 0; i < points; ++i)
            stream.Write(&m_aPoints[i], uint64_t(floats) * 4);
        return !stream.HasError();
    }

    int count = 0;
    if (stream.Read(&count, 4) != 4)
        return false;
    const int points = sevenFloats ? count : kOldPointCount;
    if (count < 0 || count > kCapacity || !stream.Expect(uint64_t(points) * floats * 4)) {
        Log("Falloff point table with %d points refused\n", count);
        stream.SetError();
        return false;
    }
    CurvePoint read[kCapacity];
    std::copy(m_aPoints, m_aPoints + kCapacity, read);
    for (int i = 0; i < points; ++i)
        if (stream.Read(&read[i], uint64_t(floats) * 4) != uint64_t(floats) * 4)
            return false;
    m_iCount = count;
    std::copy(read, read + kCapacity, m_aPoints);
    return true;
}
