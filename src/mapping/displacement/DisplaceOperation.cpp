#include "mapping/displacement/DisplaceOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mapping/displacement/DisplaceRecord.h"
#include "mapping/displacement/FloatMap.h"
#include "mesh/object/MeshHost.h"

#include <QCoreApplication>

#include <algorithm>
#include <initializer_list>
#include <climits>
#include <cmath>

namespace Displacement {

constinit General::TypeInfo DisplaceOperation::s_typeInfo{&General::Node::s_typeInfo, "DisplaceOperation",
                                                          &General::CreateNodes<DisplaceOperation>};

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Displacement::DisplaceOperation", text); }

void Describe(General::Attribute &attribute, const char *group, const char *help)
{
    attribute.SetGroup(QString::fromLatin1(group));
    attribute.SetTooltip(Tr(help));
}

const char *const kMapHelp = "File name or mask of the %1 map.\n%v - max V dimension\n%x - x index of current map\n"
                             "%i - 4 digit identifier of the current map";

// Marks the extension of the record beyond the original fields: the value range, the
// displacement channel and the float-map flag, which only make sense together.
constexpr int32_t kRangeExtension = 0x31505344;  // "DSP1"

}  // namespace

DisplaceOperation::DisplaceOperation()
    : General::Node(QStringLiteral("Displacement")),
      m_aNodeName(QStringLiteral("Node Name")),
      m_aTargetMesh(QStringLiteral("Target Mesh")),
      m_aDisplaceToLevel(QStringLiteral("Displace To Level")),
      m_aSmoothTCs(QStringLiteral("Smooth Texture Coors")),
      m_aFinalFaceCount(QStringLiteral("Final Face Count")),
      m_aDisplacementMap(QStringLiteral("Displacement Map"), true),
      m_aDisplacementMinimum(QStringLiteral("Displacement Minimum")),
      m_aDisplacementMaximum(QStringLiteral("Displacement Maximum")),
      m_aDisplacementChannel(QStringLiteral("Use Displacement Channel")),
      m_aMaskMap(QStringLiteral("Mask Map"), true),
      m_aMaskChannel(QStringLiteral("Use Mask Channel")),
      m_aURange(QStringLiteral("URange")),
      m_aInitialTile(QStringLiteral("Initial Tile Number")),
      m_aTileRange(QStringLiteral("Use Tile Range")),
      m_aStart(QStringLiteral("Start Operation")),
      m_aDelete(QStringLiteral("Delete Operation"))
{
    for (General::AttributeEnumeration *e : {&m_aDisplacementChannel, &m_aMaskChannel})
        for (const char *name : {"Red", "Green", "Blue", "Alpha", "None"})
            e->m_aValues.Add(name);
    m_aDisplacementMaximum.SetValue(1.0f, true);
    m_aMaskChannel.SetValue(kNone, true);
    m_aURange.SetValue(1, true);
    Describe(m_aNodeName, "#top", "Identifier of this operation");
    Describe(m_aTargetMesh, "#top",
             "The object where the displacement operation will use. The object must have texture coordinates.");
    Describe(m_aDisplaceToLevel, "#top", "Subdivision level where the object will be subdivided before the operation.");
    Describe(m_aSmoothTCs, "#top", "Smooth texture coordinates of the mesh after each subdivision step");
    Describe(m_aFinalFaceCount, "#top", "Number of poligons on the current target with the specified subdivision level.");
    m_aDisplacementMap.SetGroup(QStringLiteral("#top"));
    m_aDisplacementMap.SetTooltip(Tr(kMapHelp).arg(Tr("displacement")));
    Describe(m_aDisplacementMinimum, "#top", "Minimum value for displacement values (usefull only for 8 and 16 bit maps)");
    Describe(m_aDisplacementMaximum, "#top", "Maximum value for displacement values (usefull only for 8 and 16 bit maps)");
    Describe(m_aDisplacementChannel, "#top", "Channel to be used in the displacement map");
    m_aMaskMap.SetGroup(QStringLiteral("#top"));
    m_aMaskMap.SetTooltip(Tr(kMapHelp).arg(Tr("mask")));
    Describe(m_aMaskChannel, "#top", "Channel to be used in the mask map as the mask value.");
    Describe(m_aURange, "#top", "Number of tiles in a row.");
    Describe(m_aInitialTile, "#top", "Index of the top left most tile.");
    Describe(m_aTileRange, "#top", "Tiles to use in the dispacement operation.\nExample: 6-13,17,19-21");
    Describe(m_aStart, "#bottom", "Execute the operation.");
    Describe(m_aDelete, "#bottom",
             "Permanently delete the operation.\nIf you close this window the operation will remain in memory and you "
             "can access it later again.");
    m_aDisplaceToLevel.SetReadOnly(true);
    m_aSmoothTCs.SetReadOnly(true);
    m_aFinalFaceCount.SetReadOnly(true);
    // Lines close the groups: the name, the target, the displacement map, the mask map.
    for (General::Attribute *last : std::initializer_list<General::Attribute *>{
             &m_aNodeName, &m_aFinalFaceCount, &m_aDisplacementChannel, &m_aMaskChannel})
        last->SetSeparator(true);
    m_aNodeName.SetValue(DefaultName(), true);
    m_bReady = true;
}

DisplaceOperation::~DisplaceOperation()
{
    m_bReady = false;
    General::Shell().ReleaseNode(this);
}

QString DisplaceOperation::DefaultName()
{
    int n = 1;
    for (bool raised = true; raised;) {
        raised = false;
        const QString name = QString::asprintf("Disp #%d", n);
        for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
            if (node->GetTypeInfo() == &s_typeInfo && node->GetName() == name) {
                ++n;
                raised = true;
                break;
            }
    }
    return QString::asprintf("Disp #%d", n);
}

void DisplaceOperation::SetDisabled(General::Attribute &attribute, bool disabled)
{
    if (attribute.IsReadOnly() == disabled)
        return;
    attribute.SetReadOnly(disabled);
    attribute.Notify(General::Attribute::kNodeCreated);
}

void DisplaceOperation::ProbeFloatMap(const QString &file)
{
    m_bFloatMap = TiffBitsPerSample(file) == 32;
    UpdateFloatFlags();
}

void DisplaceOperation::UpdateFloatFlags()
{
    SetDisabled(m_aDisplacementMinimum, m_bFloatMap);
    SetDisabled(m_aDisplacementMaximum, m_bFloatMap);
}

void DisplaceOperation::UpdateFaceCount()
{
    Object *target = m_aTargetMesh.GetValue();
    if (!target) {
        m_aFinalFaceCount.SetValue(0, true);
        return;
    }
    uint64_t faces = target->m_iFaceCount;
    for (int i = 0; i < m_aDisplaceToLevel.GetValue() && faces <= uint64_t(INT_MAX); ++i)
        faces *= 4;
    m_aFinalFaceCount.SetValue(int(std::min<uint64_t>(faces, INT_MAX)), true);
    m_aFinalFaceCount.Notify(General::Attribute::kNodeCreated);
}

void DisplaceOperation::AttributeChanged(General::Attribute *attribute, int event)
{
    if (!m_bReady || event != General::Attribute::kValueChanged)
        return;
    if (attribute == &m_aDelete) {
        if (m_bRunning)
            m_bDeleteRequested = true;
        else
            delete this;
        return;
    }
    if (attribute == &m_aStart) {
        Start();
        if (m_bDeleteRequested)
            delete this;
        return;
    }
    if (attribute == &m_aTargetMesh) {
        Object *target = m_aTargetMesh.GetValue();
        if (target && target->LevelCount() > 1) {
            SetDisabled(m_aDisplaceToLevel, true);
            SetDisabled(m_aSmoothTCs, true);
            SubdivLevel *current = target->m_pActiveLevel ? target->m_pActiveLevel : target;
            m_aDisplaceToLevel.SetValue(current->GetLevelIndex(), true);
        } else {
            SetDisabled(m_aDisplaceToLevel, !target);
            SetDisabled(m_aSmoothTCs, !target);
        }
    }
    if (attribute == &m_aTargetMesh || attribute == &m_aDisplaceToLevel)
        UpdateFaceCount();
    if (attribute == &m_aDisplacementMap || attribute == &m_aMaskMap) {
        const QString file = attribute == &m_aDisplacementMap ? m_aDisplacementMap.GetValue() : m_aMaskMap.GetValue();
        if (attribute == &m_aDisplacementMap)
            ProbeFloatMap(file);
        // A picked first-tile file becomes the mask of every tile.
        QString mask = file;
        mask.replace(QLatin1String("0001"), QLatin1String("%i"));
        static_cast<General::AttributeInstance<QString> *>(attribute)->SetValue(mask, true);
    }
}

void DisplaceOperation::Start()
{
    if (m_bRunning || !m_aTargetMesh.GetValue())
        return;
    try {
        BuildTileList();
        Run();
    } catch (const General::Error &error) {
        General::Shell().ShowMessage(General::ShellServices::kWarning, Tr("Error"), error.GetMessage());
    } catch (General::Error *error) {
        General::Shell().ShowMessage(General::ShellServices::kWarning, Tr("Error"), error->GetMessage());
        delete error;
    } catch (const std::bad_alloc &) {
        General::Shell().ShowMessage(General::ShellServices::kWarning, Tr("Error"), Tr("Out of memory"));
    }
    MeshHost::Get().Redraw();
}

QString DisplaceOperation::ExpandMask(const QString &mask, uint32_t tile, int x, int y) const
{
    QString name = mask;
    name.replace(QLatin1String("%u"), QString::number(m_aURange.GetValue()));
    name.replace(QLatin1String("%v"), QString::number(m_iRows));
    name.replace(QLatin1String("%i"), QString::asprintf("%04u", tile));
    name.replace(QLatin1String("%x"), QString::number(x));
    name.replace(QLatin1String("%y"), QString::number(y));
    return name;
}

void DisplaceOperation::BuildTileList()
{
    m_aTiles.clear();
    Object *target = m_aTargetMesh.GetValue();
    if (!target)
        return;
    float minU = 0, minV = 0, maxU = 1, maxV = 1;
    const unsigned count = std::min(target->m_iTCCount, target->m_pTCs.GetItemCount());
    if (count) {
        minU = minV = INFINITY;
        maxU = maxV = -INFINITY;
        for (unsigned i = 0; i < count; ++i) {
            const TC &tc = target->m_pTCs[i];
            if (!std::isfinite(tc.u) || !std::isfinite(tc.v))
                continue;
            minU = std::min(minU, tc.u), maxU = std::max(maxU, tc.u);
            minV = std::min(minV, tc.v), maxV = std::max(maxV, tc.v);
        }
        if (!(minU <= maxU && minV <= maxV))
            minU = minV = 0, maxU = maxV = 1;
    }
    // Texture space far beyond any tile layout is damage: it is held to a million tiles.
    constexpr float kLimit = 1.0e6f;
    minU = std::clamp(minU, -kLimit, kLimit), maxU = std::clamp(maxU, -kLimit, kLimit);
    minV = std::clamp(minV, -kLimit, kLimit), maxV = std::clamp(maxV, -kLimit, kLimit);
    m_iOffsetX = int(std::floor(minU));
    m_iOffsetY = int(std::floor(minV));
    // At least one tile per row: a row of none would divide by zero.
    const int cols = std::max(1, int(std::ceil(maxU) - std::floor(minU)));
    const int rows = std::max(1, int(std::ceil(maxV) - std::floor(minV)));
    int range = std::max({m_aURange.GetValue(), int(std::ceil(maxU)), cols, 1});
    if (range != m_aURange.GetValue())
        m_aURange.SetValue(range, true);
    m_iRows = rows;
    const int64_t first = m_aInitialTile.GetValue();
    const int64_t last = first + int64_t(range) * rows - 1;
    const QString text = m_aTileRange.GetValue();
    std::vector<uint8_t> listed(size_t(last - first + 1), 0);
    if (text.isEmpty()) {
        for (int64_t t = first; t <= last; ++t)
            m_aTiles.push_back(Tile{uint32_t(t), 0});
        return;
    }
    // Items "a" or "a-b" separated by ","; numbers past the grid are held to it, so a
    // huge number neither overflows nor lists tiles that do not exist.
    int64_t start = 0, end = 0;
    bool second = false;
    auto finish = [&] {
        if (end <= start)
            end = start;
        for (int64_t t = std::max(start, first); t <= std::min(end, last); ++t)
            if (!listed[size_t(t - first)]) {
                listed[size_t(t - first)] = 1;
                m_aTiles.push_back(Tile{uint32_t(t), 0});
            }
        start = end = 0;
        second = false;
    };
    for (QChar c : text) {
        if (c == QLatin1Char(',')) {
            finish();
        } else if (c == QLatin1Char('-')) {
            second = true;
        } else if (c.isDigit()) {
            int64_t &number = second ? end : start;
            number = std::min<int64_t>(number * 10 + c.digitValue(), int64_t(INT_MAX) * 10);
        }
    }
    finish();
    for (int64_t t = first; t <= last; ++t)
        if (!listed[size_t(t - first)])
            m_aTiles.push_back(Tile{uint32_t(t), 1});
}

bool DisplaceOperation::Serialize(Stream &stream)
{
    const bool storing = stream.IsStoring();
    stream << m_aTargetMesh << m_aDisplaceToLevel << m_aFinalFaceCount << m_aURange << m_aInitialTile << m_aTileRange
           << m_aDisplacementMap << m_aMaskMap << m_aMaskChannel << m_aNodeName;
    if (stream.GetVersion() >= 156)
        stream << m_aSmoothTCs;
    bool extended = false;
    if (storing) {
        int32_t tag = kRangeExtension;
        stream.Transfer(&tag, 4);
        extended = true;
    } else if (stream.BytesLeft() >= 4) {
        const uint64_t at = stream.Tell();
        int32_t tag = 0;
        stream.Transfer(&tag, 4);
        extended = tag == kRangeExtension;
        if (!extended)
            stream.Seek(at);
    }
    if (extended) {
        float minimum = m_aDisplacementMinimum.GetValue(), maximum = m_aDisplacementMaximum.GetValue();
        int channel = m_aDisplacementChannel.GetValue();
        bool floats = m_bFloatMap;
        stream.Serialize(minimum).Serialize(maximum).Serialize(channel).Serialize(floats);
        if (!storing && !stream.HasError()) {
            m_aDisplacementMinimum.SetValue(minimum, true);
            m_aDisplacementMaximum.SetValue(maximum, true);
            if (channel >= 0 && channel <= kNone)
                m_aDisplacementChannel.SetValue(channel, true);
            m_bFloatMap = floats;
            UpdateFloatFlags();
        }
    } else {
        // Without the stored flag the map itself says whether its values are floats; the
        // default range then passes them unchanged either way.
        ProbeFloatMap(m_aDisplacementMap.GetValue());
    }
    return !stream.HasError();
}

}  // namespace Displacement
