#include "scene/Transformation.h"

#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"
#include "mesh/object/MeshHost.h"

#include <QCoreApplication>

namespace {

QString Label(const char *text) { return QCoreApplication::translate("Transformation", text); }

// The program turns degrees into radians with 3.1415 / 180 and back with 1 / pi.
General::Vector ToRadians(const General::Vector &degrees)
{
    return degrees * 3.1414999961853027f * 0.0055555556900799274f;
}
General::Vector ToDegrees(const General::Vector &radians) { return radians * 0.31831926107406616f * 180.0f; }

}  // namespace

constinit General::TypeInfo Transformation::s_typeInfo{&General::Node::s_typeInfo, "Transformation",
                                                      &General::CreateNodes<Transformation>};

Transformation::Transformation(Mesh *owner)
    : m_aTranslate(Label("Translate")),
      m_aRotate(Label("Rotate")),
      m_aScale(Label("Scale")),
      m_aPivot(Label("Pivot")),
      m_aCenterPivot(Label("Center Pivot")),
      m_pOwner(owner)
{
    m_aScale.SetValue(General::Vector(1, 1, 1), true);
    m_aRotate.SetValue(General::Vector(0, 0, 0), true);
    m_mRotation.SetIdentity();
    m_mBase.SetIdentity();
    UpdateWorldMatrix();
}

Transformation::~Transformation() = default;

void Transformation::UpdateWorldMatrix()
{
    if (!m_bDirectMatrix) {
        const General::Vector scale = m_aScale.GetValue();
        const General::Vector translate = m_aTranslate.GetValue();
        m_mNode = m_mRotation;
        const float factor[3] = {scale.x, scale.y, scale.z};
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 4; ++column)
                m_mNode(row, column) *= factor[row];
        m_mNode.m[12] = translate.x;
        m_mNode.m[13] = translate.y;
        m_mNode.m[14] = translate.z;
        m_mDirect = m_mNode;
    } else {
        m_mNode = m_mDirect;
    }
    m_mInverseRotation = m_mRotation;
    m_mInverseRotation.Transpose();
    m_mFull = m_mBase.Multiply(m_mNode);
    m_bSeen = false;
    m_bInverseNodeValid = false;
    m_bInverseFullValid = false;
}

bool Transformation::IsModified()
{
    if (!m_bSeen)
        m_bSeen = true;
    return m_bModified;
}

const General::Matrix &Transformation::GetInverseWorldMatrix()
{
    if (!m_bInverseNodeValid) {
        m_mInverseNode = m_mNode;
        m_mInverseNode.Invert();
        m_bInverseNodeValid = true;
    }
    return m_mInverseNode;
}

const General::Matrix &Transformation::GetInverseLocalMatrix()
{
    if (!m_bInverseFullValid) {
        m_mInverseFull = m_mFull;
        m_mInverseFull.Invert();
        m_bInverseFullValid = true;
    }
    return m_mInverseFull;
}

void Transformation::SetRotate(const General::Vector &degrees)
{
    m_aRotate.SetValue(degrees, true);
    m_mRotation.SetRotation(ToRadians(degrees));
    m_bDirectMatrix = false;
    UpdateWorldMatrix();
}

void Transformation::RotateBy(const General::Vector &radians)
{
    General::Matrix turn;
    turn.SetRotation(radians);
    m_mRotation = turn.Multiply(m_mRotation);
    m_aRotate.SetValue(ToDegrees(m_mRotation.GetRotation()), true);
    m_bDirectMatrix = false;
    UpdateWorldMatrix();
}

void Transformation::RotateAround(const General::Vector &axis, float radians)
{
    General::Matrix turn;
    turn.SetAxisRotation(axis, radians);
    m_mRotation = turn.Multiply(m_mRotation);
    m_aRotate.SetValue(ToDegrees(m_mRotation.GetRotation()), true);
    m_bDirectMatrix = false;
    UpdateWorldMatrix();
}

void Transformation::SetTranslate(const General::Vector &translation)
{
    m_aTranslate.SetValue(translation, true);
    m_bDirectMatrix = false;
    UpdateWorldMatrix();
}

void Transformation::SetScale(const General::Vector &scale)
{
    m_aScale.SetValue(scale, true);
    m_bDirectMatrix = false;
    UpdateWorldMatrix();
}

General::Vector Transformation::GetPosition() const { return m_mNode.Transform(General::Vector(0, 0, 0), 1.0f); }

void Transformation::AttributeChanged(General::Attribute *attribute, int event)
{
    if (event != General::Attribute::kValueChanged)
        return;
    if (attribute == &m_aCenterPivot) {
        // The new pivot notifies in its turn.
        if (m_pOwner)
            m_aPivot.SetValue(m_pOwner->GetAABB().GetCenter());
        return;
    }
    if (attribute == &m_aTranslate || attribute == &m_aScale) {
        m_bDirectMatrix = false;
        UpdateWorldMatrix();
    } else if (attribute == &m_aRotate) {
        SetRotate(m_aRotate.GetValue());
    } else if (attribute != &m_aPivot) {
        return;
    }
    // Whoever shows or uses this node hears of the change through its THIS attribute.
    GetThis().Notify(General::Attribute::kNodeChanged);
    // The view shows the node where it now stands (the pivot is drawn too).
    MeshHost::Get().Redraw();
}

bool Transformation::Serialize(Stream &stream)
{
    for (bool *flag : {&m_bModified, &m_bSeen, &m_bInverseNodeValid, &m_bInverseFullValid, &m_bDirectMatrix})
        stream.Serialize(*flag);
    for (General::Matrix *matrix : {&m_mFull, &m_mInverseFull, &m_mNode, &m_mInverseNode, &m_mBase, &m_mRotation,
                                    &m_mInverseRotation, &m_mDirect})
        stream.Transfer(matrix->m, sizeof(matrix->m));
    m_aTranslate.Serialize(stream);
    m_aScale.Serialize(stream);
    if (stream.GetVersion() >= 211)
        m_aRotate.Serialize(stream);
    if (stream.GetVersion() >= 214)
        m_aPivot.Serialize(stream);
    return !stream.HasError();
}
