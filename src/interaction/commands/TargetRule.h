#pragma once
// Which objects an object command acts on. When some face is selected anywhere, the
// objects with selected faces; otherwise the selected objects, or else the active object,
// the object under the mouse, or the only object of the scene. With nothing selected the
// object under the mouse becomes the active object first.

#include <vector>

class Interface;
class Object;
class Scene;

namespace Commands {

struct Targets {
    bool anySelectedFaces = false;  // some level of some object has selected faces
    Object *underMouse = nullptr;   // the object of the first hit under the mouse
    std::vector<Object *> objects;  // the qualifying objects, in scene order
};

// Decides the whole list before any command acts, so a command that changes the object
// selection inside its loop still reaches every target.
Targets FindTargets(Interface &controller, Scene &scene);

}  // namespace Commands
