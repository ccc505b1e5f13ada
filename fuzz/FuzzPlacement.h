#pragma once
// What fuzz targets of the mesh model stand in for the layers above it: a transformation
// node (three vectors in its record); FuzzFile.h has the shell with a private swap folder.
#include "foundation/attributes/AttributeInstance.h"
#include "foundation/Node.h"
#include "foundation/Stream.h"
#include "mesh/core/Placement.h"

class FuzzPlacement : public General::Node, public Placement {
public:
    static inline constinit General::TypeInfo s_typeInfo{&General::Node::s_typeInfo, "Transformation",
                                                         &General::CreateNodes<FuzzPlacement>};
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    General::Vector GetScale() const override { return m_aScale.GetValue(); }
    const General::Matrix &GetFullMatrix() override { return m_mIdentity; }
    const General::Matrix &GetInverseLocalMatrix() override { return m_mIdentity; }
    bool Serialize(Stream &stream) override
    {
        stream << m_aTranslate << m_aRotate << m_aScale;
        return !stream.HasError();
    }

    General::AttributeInstance<General::Vector> m_aTranslate{QStringLiteral("Translate")};
    General::AttributeInstance<General::Vector> m_aRotate{QStringLiteral("Rotate")};
    General::AttributeInstance<General::Vector> m_aScale{QStringLiteral("Scale")};

private:
    General::Matrix m_mIdentity;
};
