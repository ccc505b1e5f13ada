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
    if (count < 0 || count > (sevenFloats ? kCapacity : kOldPointCount) || !stream.Expect(uint64_t(points) * floats * 4)) {
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

bool CurvePointTable::InsertPoint(const CurvePoint &point, int index)
{
    if (m_iCount >= kCapacity || index >= kCapacity || index > m_iCount)
        return false;
    if (index < 0)
        index = m_iCount;
    std::copy_backward(m_aPoints + index, m_aPoints + m_iCount, m_aPoints + m_iCount + 1);
    m_aPoints[index] = point;
    ++m_iCount;
    UpdateCoefficients();
    return true;
}

void CurvePointTable::RemovePoint(int index)
{
    if (index <= 0 || index >= m_iCount - 1)
        return;
    std::copy(m_aPoints + index + 1, m_aPoints + m_iCount, m_aPoints + index);
    --m_iCount;
    UpdateCoefficients();
}

void CurvePointTable::UpdateCoefficients()
{
    const int n = m_iCount;
    if (n <= 0)
        return;
    for (int i = 0; i + 1 < n; ++i) {
        CurvePoint &p = m_aPoints[i];
        p.c2 = m_aPoints[i + 1].y - p.y - p.c1;
        m_aPoints[i + 1].c1 = p.c1 + 2.0f * p.c2;
    }
    CurvePoint &last = m_aPoints[n - 1];
    last.c2 = -last.c1 - last.y;
}

float CurvePointTable::Evaluate(float x) const
{
    const int n = m_iCount;
    if (n < 2 || x < m_aPoints[0].x || x > m_aPoints[n - 1].x)
        return 0.0f;
    int k = 1;
    while (k < n - 1 && !(m_aPoints[k].x > x))
        ++k;
    const CurvePoint &p = m_aPoints[k - 1];
    const float length = m_aPoints[k].x - p.x;
    // Two points at one x make a segment of no length: it has only its start value.
    if (!(length > 0.0f))
        return p.y;
    const float t = (x - p.x) / length;
    const float t2 = t * t;
    return p.y + p.c1 * t + p.c2 * t2 + p.c3 * t * t2 + p.c4 * t2 * t2;
}

void CurvePointTable::SetPosition(int index, float x, float y)
{
    if (index < 0 || index >= m_iCount)
        return;
    m_aPoints[index].x = x;
    m_aPoints[index].y = y;
}
