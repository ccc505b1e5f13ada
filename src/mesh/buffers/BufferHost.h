#pragma once
// What the video buffers need of the 3D view and the preferences: the view's wireframe
// setting, the refresh after a rebuild, the preference colours and the mask display
// switch. The application installs its implementation; until then every call answers
// as a program with default preferences and no view would.

#include "foundation/Installable.h"
#include "foundation/math/Color.h"

class BufferHost : public General::Installable<BufferHost> {
public:
    virtual ~BufferHost() = default;

    // The 3D view's wireframe setting: buffers are made of lines while it is set.
    virtual bool Wireframe() const { return false; }
    // Asks the 3D view to repaint after buffers were made again.
    virtual void RefreshView() {}

    // The preference colours: levels other than the object's active one, selected
    // faces, and the blend towards which a face's freeze amount shades it.
    virtual General::Color InactiveLevelColor() const { return General::Color(0.5f, 0.5f, 0.5f, 1.0f); }
    virtual General::Color SelectionColor() const { return General::Color(1.0f, 0.4f, 0.4f, 1.0f); }
    virtual General::Color FrozenColor() const { return General::Color(0.4f, 0.4f, 1.0f, 1.0f); }
    // Whether vertices are darkened by their mask byte.
    virtual bool ShowMask() const { return false; }
};
