#pragma once
// What the controller needs of the 3D view, the main window, the GUI panels, the trays
// and the preferences, all of which live in higher layers. The application installs its
// implementation; until then every call answers as a program without a window would.

#include "foundation/Installable.h"
#include "foundation/math/Vector.h"

#include <QString>

class CurveEdit;
class QKeyEvent;
class Mesh;
class Object;
class Picker;

// The preferences that strokes, tools and placement drags read.
struct StrokePreferences {
    int selectionMode = 0;  // "Selection Mode": 0 "Paint", 1 "Rectangle"
    int mirrorCount = 0;    // mirror planes in use; 0 off
    General::Vector mirrorAxis{1, 0, 0};  // the first mirror plane's normal
    float rotateJitter = 0.0f;
    float scaleJitter = 0.0f;
    float positionJitter = 0.0f;
    float strengthJitter = 0.0f;
    bool flipRandomizeX = false;
    bool flipRandomizeY = false;
    bool orientToStroke = false;
    float rotationFactor = 30.0f;          // placement drags: degrees per view width, over 10
    bool suspendContinuousRedraw = false;  // no continuous redraw while a stroke runs
    bool pivotAtStrokeStart = false;       // the camera turns about where a stroke began
    bool strokeOnOneLevel = false;         // a stroke stays on the level it began on
};

// The first thing under the cursor: a level and the object that owns it.
struct PickHit {
    Mesh *mesh = nullptr;
    Object *object = nullptr;
    int face = -1;  // the face of the mesh that was hit
    General::Vector position{0, 0, 0};  // the hit point, world space
};

// The preferences' subdivision options, which the level commands hand to the mesh model.
struct SubdivisionOptions {
    bool smoothPositions = true;
    bool subdivideUVs = true;
    bool smoothUVs = false;
    bool freezeBorder = true;
};

class InteractionServices : public General::Installable<InteractionServices> {
public:
    virtual ~InteractionServices() = default;

    // --- 3D view ------------------------------------------------------------------------
    virtual bool HasView() const { return false; }
    virtual int GetViewWidth() const { return 0; }
    virtual int GetViewHeight() const { return 0; }
    // Main-window pixels to view pixels; false when the point does not lie on the view.
    virtual bool MapToView(float windowX, float windowY, float &viewX, float &viewY) const
    {
        viewX = windowX;
        viewY = windowY;
        return HasView();
    }
    // Picks at a view pixel into the controller's picker (Interface::m_cPicker); the first hit.
    virtual PickHit Pick(float x, float y) { return {}; }
    // Fills `picker` with the hits at a view pixel (mirrored hits included); false on none.
    virtual bool PickInto(Picker &picker, float x, float y) { return false; }
    virtual void RepaintView() {}
    // Paints the view before returning: the camera's matrices, which picks read, are those
    // of the last frame drawn.
    virtual void PaintViewNow() {}
    // Whether the view draws curves.
    virtual bool ShowsCurves() const { return true; }
    // The view's held-handler flag (cursor and continuous-redraw decisions).
    virtual void SetHeldHandler(bool held) {}
    virtual void SetContinuousRedraw(bool continuous) {}
    // Repaints when the stencil is shown over a continuously redrawn view.
    virtual void RedrawIfContinuous() {}

    // The curve being edited with the mouse; null when none.
    virtual CurveEdit *GetCurveEdit() const { return nullptr; }

    // --- keyboard ----------------------------------------------------------------------
    // The key of a key event as the keyboard's first level names it: Shift+0 is the "0" key
    // whatever symbol the Shift level gives. The event's own key where that cannot be told.
    virtual int UnshiftedKey(const QKeyEvent &event) const;

    // --- main window ------------------------------------------------------------------
    // The window caption names the scene file (empty: the program's title alone).
    virtual void SetSceneCaption(const QString &file) {}
    // The scene was just saved, opened or made new: the save reminder counts from now.
    virtual void ResetSaveReminder() {}
    // The Display menu's check marks from the view's toggles (after a toggle command).
    virtual void UpdateDisplayMenu() {}

    // --- GUI panels ---------------------------------------------------------------------
    virtual void RefreshObjectList() {}
    virtual void RefreshLayers() {}
    // Shows the object on that page of every properties window, when one exists; null
    // refreshes the windows that show the page.
    virtual void ShowInProperties(const QString &page, Object *object) {}
    // The "Brush" page of the properties window shows the current tool again.
    virtual void RefreshBrushPage() {}

    // --- commands ---------------------------------------------------------------------
    // Removes the selected point of the curve being edited; false when no curve is edited.
    virtual bool RemoveSelectedCurvePoint() { return false; }
    // Asks for a text in a box titled with the program's title; false on cancel.
    virtual bool AskText(const QString &label, const QString &initial, QString &answer) { return false; }
    // The modal "Subdivision Options" dialog.
    virtual void ShowSubdivisionOptions() {}
    virtual SubdivisionOptions GetSubdivisionOptions() const { return {}; }

    // --- trays --------------------------------------------------------------------------
    virtual void SelectTrayItem(const QString &tray, int position) {}
    virtual void MarkTraySelectionTemporary(const QString &tray) {}
    virtual void RestoreTraySelection(const QString &tray) {}
    // Marks the tray button that shows `item` ("Stamp", "Tool", "Falloff" trays).
    virtual void CheckTrayItem(const QString &tray, const QString &item) {}

    // --- preferences and command line ---------------------------------------------------
    virtual bool SelectionFollowsMouse() const { return false; }
    // The "test" switch: print the performance report after every operation.
    virtual bool TestSwitch() const { return false; }
    virtual StrokePreferences GetStrokePreferences() const { return {}; }
};

inline InteractionServices &InteractionHost() { return InteractionServices::Get(); }
