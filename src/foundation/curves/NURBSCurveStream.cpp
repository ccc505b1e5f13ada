// The stream form of curves. A record is read whole into a scratch record and checked
// before it replaces anything, so a refused record leaves the curve as it was.
#include "foundation/curves/CurvePointTable.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/Stream.h"

#include <cmath>
#include <memory>

namespace General {

namespace {
constexpr int kVersionPlacement = 132;     // offsets, angle and scale
constexpr int kVersionPointTable = 132;    // only this version: a falloff point table, discarded
constexpr int kVersionProfile = 133;       // drawn flag and profile curve
constexpr int kVersionClosed = 155;
constexpr int kVersionSamples = 157;
// Profiles are one level deep in every file this program writes; deeper nesting is a damaged file.
constexpr int kMaxProfileDepth = 4;
}  // namespace

struct NURBSCurve::Record {
    QString name;
    int degree = 3;
    int count = 0;
    float totalLength = 0.0f;
    Store<Vector> points{"nurbscps"};
    Store<float> knots{"nurbsknots"};
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    float angle = 0.0f;
    float scale = 1.0f;
    bool drawn = true;
    bool closed = false;
    bool sampled = false;
    bool hasSamples = false;
    Store<float> samples{"nurbsprecalc"};
    std::unique_ptr<Record> profile;
};

namespace {

bool Refuse(Stream &stream, const char *reason)
{
    Log("Curve record refused: %s\n", reason);
    stream.SetError();
    return false;
}

bool ReadBool(Stream &stream, bool &value)
{
    unsigned char byte = 0;
    if (stream.Read(&byte, 1) != 1)
        return false;
    value = byte != 0;
    return true;
}

bool KnotsAreValid(const Store<float> &knots)
{
    for (unsigned i = 0; i < knots.GetItemCount(); ++i) {
        if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1]))
            return false;
    }
    return true;
}

}  // namespace

bool NURBSCurve::Serialize(Stream &stream)
{
    if (stream.IsStoring()) {
        for (NURBSCurve *curve = this; curve; curve = curve->m_pNext)
            curve->WriteRecord(stream);
        return !stream.HasError();
    }
    for (NURBSCurve *curve = this; curve; curve = curve->m_pNext) {
        Record record;
        if (!ReadRecord(stream, curve, record, 0))
            return false;
        curve->Apply(record);
    }
    return true;
}

void NURBSCurve::WriteRecord(Stream &stream)
{
    const int version = stream.GetVersion();
    stream << m_sName;
    int degree = m_iDegree;
    int count = GetControlPointCount();
    stream.Serialize(degree).Serialize(count).Serialize(m_fTotalLength);
    stream.WriteArray(m_aControlPoints);
    stream.WriteArray(m_aKnots);
    if (version >= kVersionPlacement)
        stream.Serialize(m_fOffsetX).Serialize(m_fOffsetY).Serialize(m_fAngle).Serialize(m_fScale);
    if (version == kVersionPointTable) {
        CurvePointTable table;
        table.Serialize(stream);
    }
    if (version >= kVersionProfile) {
        stream.Serialize(m_bDrawn);
        bool present = m_pProfile != nullptr;
        stream.Serialize(present);
        if (m_pProfile)
            m_pProfile->WriteRecord(stream);
    }
    if (version >= kVersionClosed)
        stream.Serialize(m_bClosed);
    if (version >= kVersionSamples) {
        stream.Serialize(m_bSampled);
        stream.WriteArray(m_aSamples);
    }
}

bool NURBSCurve::ReadRecord(Stream &stream, const NURBSCurve *current, Record &record, int depth)
{
    // Fields that older versions lack keep the current curve's values (a fresh curve's
    // when there is none).
    if (current) {
        record.offsetX = current->m_fOffsetX;
        record.offsetY = current->m_fOffsetY;
        record.angle = current->m_fAngle;
        record.scale = current->m_fScale;
        record.drawn = current->m_bDrawn;
        record.closed = current->m_bClosed;
        record.sampled = current->m_bSampled;
    }

    const int version = stream.GetVersion();
    if (stream.HasError())
        return false;
    stream >> record.name;
    if (stream.HasError())
        return Refuse(stream, "name");
    if (stream.Read(&record.degree, 4) != 4 || stream.Read(&record.count, 4) != 4 ||
        stream.Read(&record.totalLength, 4) != 4)
        return Refuse(stream, "short header");
    if (record.degree < 0 || record.degree > kMaxDegree)
        return Refuse(stream, "degree out of range");
    if (!stream.ReadArray(record.points) || !stream.ReadArray(record.knots))
        return Refuse(stream, "short point or knot table");
    // The count is stored beside the table; evaluation trusts both, so they must agree.
    if (record.count < 0 || unsigned(record.count) != record.points.GetItemCount())
        return Refuse(stream, "point count differs from the stored points");
    const bool noKnotsYet = !record.knots.HasItems() && record.count <= record.degree;
    if (!noKnotsYet && record.knots.GetItemCount() != unsigned(record.count + record.degree + 1))
        return Refuse(stream, "knot count does not fit points and degree");
    if (!KnotsAreValid(record.knots))
        return Refuse(stream, "knots decrease or are not finite");

    if (version >= kVersionPlacement) {
        float placement[4];
        if (stream.Read(placement, sizeof(placement)) != sizeof(placement))
            return Refuse(stream, "short placement");
        record.offsetX = placement[0];
        record.offsetY = placement[1];
        record.angle = placement[2];
        record.scale = placement[3];
    }
    if (version == kVersionPointTable) {
        CurvePointTable table;
        if (!table.Serialize(stream))
            return Refuse(stream, "falloff point table");
    }
    if (version >= kVersionProfile) {
        bool present = false;
        if (!ReadBool(stream, record.drawn) || !ReadBool(stream, present))
            return Refuse(stream, "short flags");
        if (present) {
            if (depth >= kMaxProfileDepth)
                return Refuse(stream, "profile curves nested too deeply");
            record.profile = std::make_unique<Record>();
            if (!ReadRecord(stream, current ? current->m_pProfile : nullptr, *record.profile, depth + 1))
                return false;
        }
    }
    if (version >= kVersionClosed && !ReadBool(stream, record.closed))
        return Refuse(stream, "short closed flag");
    if (version >= kVersionSamples) {
        if (!ReadBool(stream, record.sampled) || !stream.ReadArray(record.samples))
            return Refuse(stream, "short sample table");
        record.hasSamples = true;
    }
    return true;
}

void NURBSCurve::Apply(Record &record)
{
    m_sName = record.name;
    m_iDegree = record.degree;
    m_fTotalLength = record.totalLength;
    m_aControlPoints.Take(record.points);
    m_aKnots.Take(record.knots);
    m_fOffsetX = record.offsetX;
    m_fOffsetY = record.offsetY;
    m_fAngle = record.angle;
    m_fScale = record.scale;
    m_bDrawn = record.drawn;
    m_bClosed = record.closed;
    m_bSampled = record.sampled;
    if (record.hasSamples)
        m_aSamples.Take(record.samples);
    m_aChordLengths.Clear();
    if (m_iSelectedPoint >= GetControlPointCount())
        m_iSelectedPoint = -1;
    if (record.profile) {
        if (!m_pProfile)
            m_pProfile = new NURBSCurve(3, false);
        m_pProfile->Apply(*record.profile);
    }
    // Lookups read the table by index: a sampled curve always has a whole one.
    if (m_bSampled && m_aSamples.GetItemCount() != unsigned(kSampleCount))
        Precalculate();
}

}  // namespace General
