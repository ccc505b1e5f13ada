#pragma once
// The node that places something in the world: every object owns one, and cameras and
// lights derive from it. It keeps the editable "Translate", "Rotate", "Scale" and "Pivot"
// and caches the matrices that picking, drawing and the manipulators read; the two
// inverses are computed on first use after a change.

#include "foundation/attributes/AttributeInstance.h"
#include "foundation/EventGate.h"
#include "foundation/math/Matrix.h"
#include "foundation/Node.h"
#include "mesh/core/Placement.h"

class Mesh;
class Stream;

class Transformation : public General::Node, public Placement {
public:
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }

    // `owner` is the mesh whose box "Center Pivot" uses; may be null.
    explicit Transformation(Mesh *owner = nullptr);
    ~Transformation() override;

    // A user's change of "Translate", "Rotate", "Scale" or "Pivot" rebuilds the matrices as
    // needed, tells the node's watchers and redraws the view.
    void AttributeChanged(General::Attribute *attribute, int event) override;
    // Placement: the record objects embed, and the mesh the pivot commands measure.
    bool Serialize(Stream &stream) override;
    void SetSubject(Mesh *subject) override { m_pOwner = subject; }
    // N from the rotation, scale and translation (or the direct matrix), then F = B × N.
    virtual void UpdateWorldMatrix();
    // The modified flag; marks it seen.
    virtual bool IsModified();
    // The inverse of N.
    virtual const General::Matrix &GetInverseWorldMatrix();
    // The inverse of F: world space to the object's space.
    const General::Matrix &GetInverseLocalMatrix() override;

    // Placement: the "Scale" values and F.
    General::Vector GetScale() const override { return m_aScale.GetValue(); }
    const General::Matrix &GetFullMatrix() override { return m_mFull; }

    // Euler angles in degrees.
    void SetRotate(const General::Vector &degrees);
    // Turns by Euler angles in radians, applied before the current rotation.
    void RotateBy(const General::Vector &radians);
    void RotateAround(const General::Vector &axis, float radians);
    void SetTranslate(const General::Vector &translation);
    // Moves the node by `offset` ("Translate" += offset); the manipulators and cameras move this way.
    void AddTranslate(const General::Vector &offset) { SetTranslate(m_aTranslate.GetValue() + offset); }
    void SetScale(const General::Vector &scale);
    General::Vector GetPosition() const;
    // F applied to (v, w): w = 1 for points, 0 for directions.
    General::Vector LocalToWorld(const General::Vector &v, float w) const { return m_mFull.Transform(v, w); }
    General::Vector GetForward() const { return LocalToWorld(General::Vector(0, 0, -1), 0.0f); }
    General::Vector GetUp() const { return LocalToWorld(General::Vector(0, 1, 0), 0.0f); }
    General::Vector GetRight() const { return LocalToWorld(General::Vector(1, 0, 0), 0.0f); }

    General::AttributeInstance<General::Vector> m_aTranslate;
    General::AttributeInstance<General::Vector> m_aRotate;  // degrees
    General::AttributeInstance<General::Vector> m_aScale;
    General::AttributeInstance<General::Vector> m_aPivot;
    General::EventGate m_aCenterPivot;

    bool m_bModified = true;
    bool m_bSeen = false;
    bool m_bInverseNodeValid = false;
    bool m_bInverseFullValid = false;
    bool m_bDirectMatrix = false;

    General::Matrix m_mFull;         // F = B × N
    General::Matrix m_mInverseFull;
    General::Matrix m_mNode;         // N
    General::Matrix m_mInverseNode;
    General::Matrix m_mBase;         // B
    General::Matrix m_mRotation;     // R
    General::Matrix m_mInverseRotation;
    General::Matrix m_mDirect;       // D: drives N while the direct flag is set

    Mesh *m_pOwner;
};
