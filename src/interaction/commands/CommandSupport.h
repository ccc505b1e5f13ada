#pragma once
// What the command bodies share: their event tests, translated status texts, the walk
// over every level of every object, and running an operation as a new user action.

#include "interaction/handlers/Handler.h"

#include <QString>

class Object;
class Scene;
class SubdivLevel;
namespace Operations {
class Operation;
}

namespace Commands {

// A press or a one-shot menu run.
inline bool OnPress(int event) { return event == eventActivate || event == eventMenuCommand; }
// A release or a one-shot menu run.
inline bool OnRelease(int event) { return event == eventDeactivate || event == eventMenuCommand; }

QString Tr(const char *text);
// The translated text in the status bar; state 0 normal, 2 error.
void Status(const char *text, int state = 0);

// Every level of the object from its base level upward.
template <class Fn>
void ForEachLevel(Object &object, Fn &&fn);

// Every level of every object, in scene order.
template <class Fn>
void ForEachSceneLevel(Scene &scene, Fn &&fn);

// Runs the operation and records it on the undo stack as a new user action (`kind` 0) or
// as part of the one just recorded (1); the redo stack is emptied. False when it did not run.
bool RunAction(Operations::Operation &operation, char kind = 0);

// Empties the per-level working lists of every level: the selection, freeze and
// visibility entries a command filled for its operations.
void ClearWorkingLists(Scene &scene);

}  // namespace Commands

#include "mesh/object/Object.h"
#include "scene/Scene.h"

template <class Fn>
void Commands::ForEachLevel(Object &object, Fn &&fn)
{
    for (SubdivLevel *level = &object; level; level = level->m_pNext)
        fn(*level);
}

template <class Fn>
void Commands::ForEachSceneLevel(Scene &scene, Fn &&fn)
{
    for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject)
        ForEachLevel(*object, [&](SubdivLevel &level) { fn(*object, level); });
}
