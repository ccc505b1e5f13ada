#include "mesh/surface/TangentConfig.h"

#include "foundation/Stream.h"

#include <QCoreApplication>

namespace Surface {

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("TangentConfig", text); }

void AddValues(General::AttributeEnumeration &attribute, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        attribute.m_aValues.Add(name);
}

// A dropped field of older records: read and ignored, written as zeros.
void TransferDropped(Stream &stream, uint64_t bytes)
{
    const uint32_t zero = 0;
    for (uint64_t i = 0; i < bytes; i += 4) {
        uint32_t value = zero;
        stream.Transfer(&value, std::min<uint64_t>(4, bytes - i));
    }
}

}  // namespace

TangentConfig::TangentConfig()
    : m_aOrthogonalizeTangentToNormal(Tr("Orthogonalize Tangent To Normal")),
      m_aOrthogonalizeBinormalToNormal(Tr("Orthogonalize Binormal To Normal")),
      m_aOrthogonalizeTangentToBinormal(Tr("Orthogonalize Tangent To Binormal")),
      m_aOrthogonalizeBinormalToTangent(Tr("Orthogonalize Binormal To Tangent")),
      m_aDeriveAxis(Tr("Derive Axis")),
      m_aSwitchTangentWithBinormal(Tr("Switch Tangent With Binormal")),
      m_aFlipBinormal(Tr("Flip Binormal")),
      m_aFlipTangent(Tr("Flip Tangent")),
      m_aFlipNormal(Tr("Flip Normal")),
      m_aIndexSource(Tr("Index Source")),
      m_aUseVertexNormals(Tr("Use Vertex Normals")),
      m_aOrientation(Tr("Orientation")),
      m_aPreset(Tr("Preset"))
{
    AddValues(m_aDeriveAxis, {"None", "Binormal", "Tangent", "Normal", "Shortest of binormal or tangent"});
    AddValues(m_aIndexSource, {"Position", "TC", "Global"});
    AddValues(m_aOrientation, {"Any", "Right handed", "Left handed"});
    AddValues(m_aPreset, {"Custom", "Varnel", "Quorra"});

    m_aOrthogonalizeTangentToNormal.SetValue(true, true);
    m_aIndexSource.SetValue(kIndexTC, true);
    m_aUseVertexNormals.SetValue(true, true);

    m_aFlipNormal.SetTooltip(QStringLiteral("Invert normal"));
    m_aFlipTangent.SetTooltip(QStringLiteral("Invert tangent"));
    m_aFlipBinormal.SetTooltip(QStringLiteral("Invert binormal"));
}

TangentConfig::~TangentConfig() = default;

General::Attribute *TangentConfig::GetConfigAttribute(int index)
{
    General::Attribute *attributes[kAttributeCount] = {
        &m_aOrthogonalizeTangentToNormal, &m_aOrthogonalizeBinormalToNormal, &m_aOrthogonalizeTangentToBinormal,
        &m_aOrthogonalizeBinormalToTangent, &m_aDeriveAxis, &m_aSwitchTangentWithBinormal,
        &m_aFlipBinormal, &m_aFlipTangent, &m_aFlipNormal, &m_aIndexSource, &m_aUseVertexNormals,
        &m_aOrientation, &m_aPreset,
    };
    return index >= 0 && index < kAttributeCount ? attributes[index] : nullptr;
}

bool TangentConfig::Holds(const General::Attribute *attribute) const
{
    auto *self = const_cast<TangentConfig *>(this);
    for (int i = 0; i < kAttributeCount; ++i)
        if (self->GetConfigAttribute(i) == attribute)
            return true;
    return false;
}

bool TangentConfig::Serialize(Stream &stream)
{
    const int v = stream.GetVersion();
    stream << m_aOrthogonalizeBinormalToNormal << m_aOrthogonalizeBinormalToTangent
           << m_aOrthogonalizeTangentToBinormal << m_aOrthogonalizeTangentToNormal;
    if (v < 206)
        TransferDropped(stream, 3);
    else
        stream << m_aDeriveAxis << m_aPreset;
    stream << m_aSwitchTangentWithBinormal;
    if (v > 127)
        stream << m_aIndexSource;
    if (v >= 129 && v <= 205)
        TransferDropped(stream, 4);
    if (v > 225) {
        stream << m_aFlipNormal << m_aFlipTangent << m_aFlipBinormal;
    } else {
        int bits = (m_aFlipNormal.GetValue() ? 1 : 0) | (m_aFlipTangent.GetValue() ? 2 : 0) |
                   (m_aFlipBinormal.GetValue() ? 4 : 0);
        stream.Serialize(bits);
        if (!stream.IsStoring() && !stream.HasError()) {
            m_aFlipNormal.SetValue((bits & 1) != 0, true);
            m_aFlipTangent.SetValue((bits & 2) != 0, true);
            m_aFlipBinormal.SetValue((bits & 4) != 0, true);
        }
    }
    if (v > 129)
        TransferDropped(stream, 4);
    if (v > 202)
        stream << m_aUseVertexNormals;
    if (v > 203)
        stream << m_aOrientation;
    return !stream.HasError();
}

void TangentConfig::SetAttributesDisabled(bool disabled)
{
    for (int i = 0; i < kAttributeCount; ++i) {
        General::Attribute *attribute = GetConfigAttribute(i);
        attribute->SetReadOnly(disabled);
        attribute->Notify(General::Attribute::kNodeCreated);
    }
}

void TangentConfig::SetCategory(const QString &text)
{
    for (int i = 0; i < kAttributeCount; ++i)
        GetConfigAttribute(i)->SetGroup(text);
}

void TangentConfig::ApplyPreset(int preset)
{
    m_aOrthogonalizeBinormalToNormal.SetValue(true, true);
    m_aOrthogonalizeBinormalToTangent.SetValue(false, true);
    m_aOrthogonalizeTangentToBinormal.SetValue(false, true);
    m_aOrthogonalizeTangentToNormal.SetValue(true, true);
    m_aDeriveAxis.SetValue(kDeriveShortest, true);
    m_aSwitchTangentWithBinormal.SetValue(false, true);
    m_aFlipNormal.SetValue(false, true);
    m_aFlipTangent.SetValue(false, true);
    // The two presets differ only here.
    m_aFlipBinormal.SetValue(preset == kQuorra, true);
    m_aIndexSource.SetValue(kIndexTC, true);
    m_aUseVertexNormals.SetValue(true, true);
    m_aOrientation.SetValue(kOrientationAny, true);
}

void TangentConfig::AttributeChanged(General::Attribute *attribute, int event)
{
    if (event != General::Attribute::kValueChanged)
        return;
    if (attribute == &m_aPreset) {
        const int preset = m_aPreset.GetValue();
        if (preset == kVarnel || preset == kQuorra)
            ApplyPreset(preset);
        if (preset == kCustom) {
            SetAttributesDisabled(false);
        } else {
            // While a preset is chosen only the preset itself stays editable.
            SetAttributesDisabled(true);
            m_aPreset.SetReadOnly(false);
            m_aPreset.Notify(General::Attribute::kNodeCreated);
        }
    }
    GetThis().Notify(General::Attribute::kNodeChanged);
}

}  // namespace Surface
