#pragma once
// The transform gizmo: handles to move, scale and turn an object, or move its pivot, by
// dragging in the view. A drag edits the object's Transformation directly and its release
// records one undoable transformation with the values from before the drag. Unlike the
// other tools it outlives a gesture: the controller keeps the current one and the view
// draws it every frame.

#include "foundation/math/Vector.h"
#include "interaction/handlers/Function.h"

#include <memory>

class Camera;
class Object;
class Transformation;

class Manipulator : public Function {
public:
    enum Mode { kTranslate = 0, kScale = 1, kRotate = 2, kPivot = 3 };
    // The handle a drag holds: the free one (centre, or tumbling), an axis, the view ring, none.
    enum Handle { kFree = 0, kX = 1, kY = 2, kZ = 3, kView = 4, kNone = 5 };

    // On the object's transformation; `size` sets the handles' length in the object's
    // units. A preset handle other than kNone makes every drag use it; `next` becomes
    // current when such a drag ends.
    Manipulator(Object &object, int mode, float size, int presetHandle, std::unique_ptr<Manipulator> next);
    ~Manipulator() override;
    Manipulator(const Manipulator &) = delete;
    Manipulator &operator=(const Manipulator &) = delete;

    void OnBegin(float x, float y) override;
    void OnMove(float x, float y) override;
    void OnEnd(float x, float y) override;

    // Centre, handle length and axis ends from the node and the active camera: the gizmo
    // keeps its size on screen (5 % of the camera's distance).
    void UpdateAxes();
    // Immediate-mode drawing with the camera's matrices loaded.
    void Draw() const;

    // The smallest screen distance (x and y, view units -1 to 1) from p to the ring about
    // `axis` with that radius; 2 when nothing is nearer.
    float RingScreenDistance(const General::Vector &axis, float radius, float px, float py) const;
    // The pointer's angle on the held ring, from its reference direction.
    float GetRingAngle(float px, float py) const;

    Object *GetObject() const { return m_pObject; }
    Transformation *GetNode() const { return m_pNode; }
    int GetMode() const { return m_iMode; }
    int GetHandle() const { return m_iHandle; }
    int GetPresetHandle() const { return m_iPreset; }
    std::unique_ptr<Manipulator> TakeNext() { return std::move(m_pNext); }
    const General::Vector &GetCentre() const { return m_vCentre; }
    const General::Vector &GetAxisEnd(int axis) const { return m_aEnd[axis]; }
    float GetHandleLength() const { return m_fHandleLength; }

private:
    // The length of (1, 1, 1)/√3 through the node's matrix as a direction; 1 when the
    // node squashes it to nothing, so that no length is divided by 0.
    float ScaleNormaliser() const;
    void PickHandle(float px, float py);
    // Moves the node so that its pivot lands on the centre.
    void SyncTranslation(const General::Vector &centre);
    void DrawScale() const;
    void DrawRotate() const;
    void DrawTranslate() const;

    Object *m_pObject;
    Transformation *m_pNode;
    int m_iMode;
    int m_iHandle;
    int m_iPreset;
    std::unique_ptr<Manipulator> m_pNext;
    General::Vector m_vCentre{0, 0, 0};
    General::Vector m_aEnd[3];
    float m_fHandleLength = 1.0f;
    float m_fSize = 1.0f;  // the handle length asked for, in the object's units
    float m_fNormaliser = 1.0f;

    // At the press.
    General::Vector m_vStartTranslate{0, 0, 0}, m_vStartRotate{0, 0, 0}, m_vStartScale{1, 1, 1};
    General::Vector m_vStartPivot{0, 0, 0};
    General::Vector m_vStartCentre{0, 0, 0};
    General::Vector m_aStartEnd[3];
    float m_fOffsetX = 0.0f, m_fOffsetY = 0.0f;  // the pointer from the projected centre
    float m_fDepth = 0.0f;                       // the centre's projected depth
    float m_fAxisX = 0.0f, m_fAxisY = 0.0f;      // the held axis on screen
    float m_fAxisStart = 0.0f, m_fAxisEnd = 1.0f;
    General::Vector m_vRingAxis{0, 0, 1};
    float m_fRingOffset = 0.0f;
    General::Vector m_vRingReference{1, 0, 0};
    float m_fLastAngle = 0.0f;
};

// Two unit vectors perpendicular to the axis and to each other.
void GetPerpendicularFrame(const General::Vector &axis, General::Vector &u, General::Vector &v);
// Where the line through A and B meets the plane X · n = d; false when it runs along it.
bool IntersectLinePlane(const General::Vector &a, const General::Vector &b, const General::Vector &n, float d,
                        General::Vector &hit);
