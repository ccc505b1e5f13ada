#pragma once
// What the "Layers" window needs of the preferences: the colour of the active layer's row
// and the show-layer-mask switch. The application installs its implementation; until then
// the defaults answer.

#include "foundation/Installable.h"
#include "foundation/math/Color.h"

namespace GUI {

class LayerListHost : public General::Installable<LayerListHost> {
public:
    virtual ~LayerListHost() = default;
    virtual General::Color ActiveLayerColor() const { return General::Color(0.512f, 0.637f, 0.688f, 1.0f); }
    virtual bool ShowLayerMask() const { return false; }
    // Stores the switch (the 3D view shows the active layer's weights while it is on).
    virtual void SetShowLayerMask(bool on) {}
};

}  // namespace GUI
