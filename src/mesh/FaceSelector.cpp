#include "mesh/FaceSelector.h"

namespace {
FaceSelector *s_pSelector = nullptr;
}

FaceSelector *FaceSelector::Get() { return s_pSelector; }

void FaceSelector::Install(FaceSelector *selector) { s_pSelector = selector; }
