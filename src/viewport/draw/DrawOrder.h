#pragma once
// The order in which the scene's objects are drawn: every fully opaque object first,
// then those with any transparency, each group in chain order, so that blended objects
// are drawn over everything they let through. Objects without a material are left out.

#include <vector>

class Object;
class Scene;

std::vector<Object *> ObjectsInDrawOrder(const Scene &scene);
// 0 for the opaque pass, 1 for the blended one.
int DrawPass(float opacity);
