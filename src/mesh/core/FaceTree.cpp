#include "mesh/core/FaceTree.h"

namespace {
FaceTreeFactory s_pFactory = nullptr;
}

void InstallFaceTreeFactory(FaceTreeFactory factory) { s_pFactory = factory; }

FaceTreeFactory GetFaceTreeFactory() { return s_pFactory; }
