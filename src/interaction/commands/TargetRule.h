#pragma once
// Which objects an object command acts on: the objects with selected faces when any
// level has some; otherwise the selected objects, else the active object, else the
// object under the mouse, else the only object of the scene.

class Interface;
class Object;
class Scene;

class TargetRule {
public:
    // Takes the scene's state now; with no selected faces and no selected objects, the
    // object under the mouse becomes the active object.
    TargetRule(Interface &owner, Scene &scene);

    bool Qualifies(Object *object) const;
    // The first qualifying object in scene order; null when none.
    Object *First() const;

private:
    Interface &m_rOwner;
    Scene &m_rScene;
    bool m_bSelectedFaces;
    Object *m_pUnderMouse;
};
