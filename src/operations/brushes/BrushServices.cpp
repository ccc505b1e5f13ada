#include "operations/brushes/BrushServices.h"

#include "scene/SceneServices.h"

namespace Operations {

Camera *BrushServices::GetActiveCamera() const { return SceneServices::Get().GetViewCamera(); }

}  // namespace Operations
