#include "scene/Brush.h"

#include "foundation/curves/CurvePointTable.h"
#include "foundation/Stream.h"

#include <algorithm>

float Brush::s_fSharedSize[2] = {25.0f, 25.0f};
bool Brush::s_bIncrementalUpdate = false;

namespace {

bool UsesIncrementalUpdate(int type)
{
    switch (type) {
    case 1: case 2: case 3: case 4: case 7: case 17: case 18:
        return true;
    default:
        return false;
    }
}

}  // namespace

Brush::Brush(const QString &name, int type, const QString &iconName, int direction, const QString &description)
    : m_iType(type), m_sName(name), m_sIconName(iconName), m_sDescription(description), m_iDirection(direction)
{
    m_bIncremental = s_bIncrementalUpdate && UsesIncrementalUpdate(type);
    if (Falloffs().size() > 2)
        m_falloff = *Falloffs()[2];
}

float Brush::GetSize() const
{
    const int pair = m_bWindowSpace ? 1 : 0;
    return m_bSharedSize ? s_fSharedSize[pair] : m_aPairs[pair].size;
}

void Brush::SetSize(float size)
{
    const int pair = m_bWindowSpace ? 1 : 0;
    (m_bSharedSize ? s_fSharedSize[pair] : m_aPairs[pair].size) = size;
}

float Brush::GetStrength() const { return m_aPairs[m_bWindowSpace ? 1 : 0].strength; }

void Brush::SetStrength(float strength) { m_aPairs[m_bWindowSpace ? 1 : 0].strength = strength; }

QString Brush::IconPath() const
{
    // The default tool table names a tool's picture by its category word, kept in its group.
    return QStringLiteral("Icons/tool_%1.png").arg(m_sIconName.isEmpty() ? m_sGroup : m_sIconName);
}

void Brush::CopySettings(const Brush &other)
{
    const int type = m_iType;
    const QString description = m_sDescription;
    *this = other;
    m_iType = type;
    m_sDescription = description;
}

bool Brush::ReadPointTable(Stream &stream)
{
    CurvePointTable table;
    if (!table.Serialize(stream))
        return false;
    // Files before the seven-float points always hold eight of them.
    const int count = stream.GetVersion() < 118 ? std::min(table.GetCount(), 8) : table.GetCount();
    if (count < 2)
        return true;  // no curve to build: the falloff stays as it was
    General::NURBSCurve curve(std::min(3, count - 1));
    for (int i = 0; i < count; ++i)
        curve.InsertControlPoint(General::Vector(table.GetPoint(i).x, table.GetPoint(i).y, 0.0f), -1);
    curve.SetSampled(true);
    curve.Precalculate();
    m_falloff = curve;
    return true;
}

std::vector<std::unique_ptr<Brush>> &Brush::Tools()
{
    static std::vector<std::unique_ptr<Brush>> tools;
    return tools;
}

std::vector<std::unique_ptr<General::NURBSCurve>> &Brush::Falloffs()
{
    static std::vector<std::unique_ptr<General::NURBSCurve>> falloffs;
    return falloffs;
}

Brush *Brush::Find(const QString &name)
{
    for (const auto &tool : Tools())
        if (tool->m_sName == name)
            return tool.get();
    return nullptr;
}

Brush *Brush::FindByType(int type)
{
    for (const auto &tool : Tools())
        if (tool->m_iType == type && !tool->m_bHidden)
            return tool.get();
    return nullptr;
}
