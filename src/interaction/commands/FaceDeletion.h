#pragma once
// "Delete faces": the selected faces of every level of the target objects go, each base
// face with its descendants on every level, and an object whose level has every face
// selected goes whole. Face deletions and object deletions of one run are one user action.

class Interface;
class Scene;

namespace Commands {

void DeleteFaces(Interface &controller, Scene &scene);

}  // namespace Commands
