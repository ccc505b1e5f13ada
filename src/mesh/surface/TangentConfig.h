#pragma once
// The conventions of a tangent space: which texture direction is the tangent, which
// axes are made perpendicular, derived, swapped or flipped, and which handedness the
// frame keeps. Readers of tangent-space normal maps disagree on these, so they are
// gathered here, with two presets. Materials and the map extraction settings own one
// each; Mesh::CalculateTangents builds the frames by it.

#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/Node.h"

class Stream;

namespace Surface {

class TangentConfig : public General::Node {
public:
    enum DeriveAxis { kDeriveNone, kDeriveBinormal, kDeriveTangent, kDeriveNormal, kDeriveShortest };
    enum IndexSource { kIndexPosition, kIndexTC, kIndexGlobal };
    enum Orientation { kOrientationAny, kRightHanded, kLeftHanded };
    enum Preset { kCustom, kVarnel, kQuorra };
    static constexpr int kAttributeCount = 13;

    TangentConfig();
    ~TangentConfig() override;

    // The stored record in the stream's direction; false when it could not be transferred.
    bool Serialize(Stream &stream);
    // Read-only flag of all the attributes; each is told (event 5) so editors follow.
    void SetAttributesDisabled(bool disabled);
    // The group text the attributes are shown under.
    void SetCategory(const QString &text);
    // Presets and the owner's recalculation (event 3 through "THIS").
    void AttributeChanged(General::Attribute *attribute, int event) override;

    // Attribute i (0 to 12) in declaration order.
    General::Attribute *GetConfigAttribute(int index);
    // Whether `attribute` is one of this configuration's (wherever it is listed now).
    bool Holds(const General::Attribute *attribute) const;

    General::AttributeInstance<bool> m_aOrthogonalizeTangentToNormal;
    General::AttributeInstance<bool> m_aOrthogonalizeBinormalToNormal;
    General::AttributeInstance<bool> m_aOrthogonalizeTangentToBinormal;
    General::AttributeInstance<bool> m_aOrthogonalizeBinormalToTangent;
    General::AttributeEnumeration m_aDeriveAxis;
    General::AttributeInstance<bool> m_aSwitchTangentWithBinormal;
    General::AttributeInstance<bool> m_aFlipBinormal;
    General::AttributeInstance<bool> m_aFlipTangent;
    General::AttributeInstance<bool> m_aFlipNormal;
    General::AttributeEnumeration m_aIndexSource;
    General::AttributeInstance<bool> m_aUseVertexNormals;
    General::AttributeEnumeration m_aOrientation;
    General::AttributeEnumeration m_aPreset;

private:
    void ApplyPreset(int preset);
};

}  // namespace Surface
