#include "scene/Brush.h"

#include <algorithm>

namespace {

struct FalloffPoints {
    float x[4];
    float y[4];
};

constexpr FalloffPoints kFalloffs[8] = {
    {{0, 0.12f, 0.452f, 1}, {1, 0.422f, 0, 0}},
    {{0, 0.3f, 0.6f, 1}, {1, 0.5f, 0.2f, 0}},
    {{0, 0.5f, 0.506f, 1}, {0.984f, 0.992f, 0, 0}},
    {{0, 0.503f, 0.741f, 1}, {1, 1, 0, 0}},
    {{0, 0.753f, 0.709f, 1}, {1, 0.984f, 0, 0}},
    {{0, 0.547f, 0.834f, 1}, {1, 1, 0.555f, 0}},
    {{0, 0.508f, 0.506f, 1}, {0.5f, 0.492f, 0, 0}},
    {{0, 0.273f, 0.772f, 1}, {0.984f, 0.984f, 0.992f, 0.984f}},
};

struct ToolRow {
    const char *name;
    const char *description;
    int type;
    const char *group;
    int direction;
    float size;
    float strength;
    bool flags[4];
};

constexpr ToolRow kTools[] = {
    {"Soft", "Standard pull/push brush", 1, "sculpting", 1, 25, 15, {1, 1, 0, 0}},
    {"Soft B", "Standard pull/push brush", 1, "sculpting", 1, 25, 30, {1, 1, 0, 0}},
    {"Scratch", "Same as soft brush, but its drawing speed independent", 7, "sculpting", 1, 25, 3, {0, 1, 0, 0}},
    {"Smooth", "Reduces noise on the surface", 4, "sculpting", 1, 25, 100, {0, 1, 1, 0}},
    {"Pinch", "Moves vertices toward the brush center", 2, "sculpting", 1, 25, 15, {0, 1, 0, 0}},
    {"Bulge", "", 17, "sculpting", 2, 25, 15, {1, 1, 0, 0}},
    {"Flatten", "Aligns the vertices into a plane", 18, "sculpting", 1, 25, 100, {0, 1, 0, 0}},
    {"Stamp", "", 1, "sculpting", 1, 25, 15, {1, 1, 0, 1}},
    {"Smear", "Smear brush", 1, "sculpting", 3, 25, 5, {1, 1, 0, 0}},
    {"Move", "Move vertices", 3, "deform", 9, 25, 100, {0, 1, 0, 0}},
    {"Faces", "Select faces", 6, "selection", 1, 25, 15, {0, 1, 0, 0}},
    {"Objects", "Select objects", 5, "selection", 1, 25, 15, {0, 1, 0, 0}},
    {"Translate", "Translate objects", 22, "transform", 1, 0, 0, {0, 1, 0, 0}},
    {"Rotate", "Rotate objects", 23, "transform", 1, 0, 0, {0, 1, 0, 0}},
    {"Scale", "Scale objects", 24, "transform", 1, 0, 0, {0, 1, 0, 0}},
    {"Freeze", "Freeze vertices so they wont affected by operations", 8, "propPaint", 1, 25, 15, {0, 1, 0, 0}},
    {"Mask", "Changes layer mask for the vertices", 13, "propPaint", 1, 25, 15, {1, 1, 0, 0}},
    {"Erase", "Deletes layer data for the vertices", 19, "propPaint", 1, 25, 15, {1, 1, 0, 0}},
};

}  // namespace

Brush *AddTool(int index, const QString &name, const QString &description, int type, const QString &group,
               int direction, float size, float strength, bool flag1, bool flag2, bool flag3, bool flag4)
{
    auto &tools = Brush::Tools();
    if (Brush::Find(name))
        return nullptr;
    auto tool = std::make_unique<Brush>(name, type, QString(), direction, description);
    tool->m_sGroup = group;
    tool->m_aPairs[0] = tool->m_aPairs[1] = Brush::Pair{size, strength};
    tool->m_bFlag1 = flag1;
    tool->m_bFlag2 = flag2;
    tool->m_bSmoothLayer = !flag3;
    tool->m_bFlag4 = flag4;
    Brush *added = tool.get();
    const size_t at = std::min(size_t(std::max(index, 0)), tools.size());
    tools.insert(tools.begin() + std::ptrdiff_t(at), std::move(tool));
    return added;
}

void CreateDefaultTools()
{
    int index = 0;
    for (const ToolRow &row : kTools) {
        // A tool read back from a file has lost its category, which names its picture and
        // decides what its panel offers: the table gives it again.
        if (Brush *known = Brush::Find(QString::fromLatin1(row.name)); known && known->m_sGroup.isEmpty())
            known->m_sGroup = QString::fromLatin1(row.group);
        Brush *tool = AddTool(index++, QString::fromLatin1(row.name), QString::fromLatin1(row.description), row.type,
                              QString::fromLatin1(row.group), row.direction, row.size, row.strength, row.flags[0],
                              row.flags[1], row.flags[2], row.flags[3]);
        if (!tool)
            continue;
        const QString name = tool->m_sName;
        if (name == QLatin1String("Soft") || name == QLatin1String("Soft B") || name == QLatin1String("Scratch"))
            tool->m_iStrokeSetting = 0;
        if (name == QLatin1String("Soft B"))
            tool->m_bSpacedDab = true;
        if (name == QLatin1String("Stamp")) {
            tool->m_sStampImage = QStringLiteral("Stamps/cells01.jpg");
            tool->m_iStampSetting = 7;
        }
    }
}

void CreateDefaultFalloffs()
{
    auto &falloffs = Brush::Falloffs();
    if (falloffs.empty()) {
        for (const FalloffPoints &points : kFalloffs) {
            auto curve = std::make_unique<General::NURBSCurve>(3);
            for (int i = 0; i < 4; ++i) {
                if (i == 3)
                    curve->SetSampled(true);  // the table fills as the last point arrives
                curve->InsertControlPoint(General::Vector(points.x[i], points.y[i], 0.0f), -1);
            }
            falloffs.push_back(std::move(curve));
        }
    }
    CreateDefaultTools();
}

void FixUpTools()
{
    for (const std::unique_ptr<Brush> &tool : Brush::Tools()) {
        if (tool->m_iType == 1 || tool->m_iType == 17)
            tool->m_bFlag1 = true;
        if (tool->m_iType == 17)
            tool->m_iDirection = 2;
        if (tool->m_sName == QLatin1String("Smear")) {
            tool->m_iDirection = 3;
            tool->m_bSmoothLayer = false;
        }
        if (tool->m_sName == QLatin1String("Move"))
            tool->m_sIconName = QStringLiteral("deform");
    }
}
