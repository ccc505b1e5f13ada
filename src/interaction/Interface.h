#pragma once
// The one controller between the user and the scene: it receives every key, mouse and
// tablet event, owns the handler table, the current tool and operation, the object
// selection and the active object, and runs and records undoable operations. It is made
// once by the main window (after the scene, the view and the settings) and reached
// through Interface::Get().

#include "foundation/Node.h"
#include "interaction/InputState.h"
#include "interaction/InteractionServices.h"
#include "interaction/files/FileServices.h"
#include "interaction/handlers/EventHandler.h"
#include "interaction/images/AlphaImage.h"
#include "interaction/images/OverlayImage.h"
#include "interaction/images/StencilImage.h"
#include "interaction/images/StrokeImages.h"
#include "interaction/stroke/StrokeRules.h"
#include "scene/picking/Picker.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class BenchmarkRecorder;
class Brush;
class Light;
class Mesh;
class QPoint;
class SelectionSet;
namespace General {
class Node;
class NURBSCurve;
}
namespace Surface {
class Material;
}
class Camera;
class Manipulator;
class Object;
class OperationBuffer;
class QKeyEvent;
class SubdivLevel;
namespace Operations {
class BrushOperation;
class Operation;
}

class Interface {
public:
    // Registers the handlers and creates the undo and redo files in the temporary folder.
    Interface();
    // Removes the undo and redo files.
    ~Interface();
    Interface(const Interface &) = delete;
    Interface &operator=(const Interface &) = delete;

    // The controller; null before it is made and after it is gone.
    static Interface *Get() { return s_pInstance; }
    // The program-wide undo and redo histories; null when they could not be made.
    static OperationBuffer *UndoStack() { return s_pUndo; }
    static OperationBuffer *RedoStack() { return s_pRedo; }

    // --- controller ------------------------------------------------------------------
    // The whole view is redrawn now; nothing without an active camera or a view.
    static void Redraw();
    void SetActiveCamera(Camera *camera);
    // Null clears it. An object without material gets the first one.
    void SetActiveObject(Object *object);
    // Null with select false clears the selection.
    void SelectObject(Object *object, bool select);
    // The object is leaving the scene: it is taken out of the selection and stops being the
    // active object and the hover hit, so no command reaches it afterwards.
    void ForgetObject(Object *object);
    // View pixels: the stored position (0 to 1), hover picking with curve snapping, repaint.
    void UpdateMousePosition(float x, float y);
    // Runs a handler as a menu command would; a General::Error becomes a status message.
    void RunCommand(const char *name);
    // The same for the command's option step.
    void RunCommandOption(const char *name);

    // --- files -----------------------------------------------------------------------
    // The save dialog with its overwrite question. False: cancelled. True with an empty
    // name: the user declined to overwrite and chooses again. The extension follows the
    // chosen filter, unless the typed name ends in one of `typedFormats` (".bio"), which
    // then chooses the format itself.
    bool AskSaveFileName(QString &name, const QString &caption, const QString &folder, const QString &filter,
                         const QStringList &typedFormats = {});
    // Asks in a box titled `caption` whether to save a modified scene; true when the
    // caller must stop (the user cancelled, or the save failed).
    bool AskSaveModified(const QString &caption);
    // Saves the scene under its file name, or a chosen one (always with saveAs); false when
    // cancelled or failed. The caption and the recent list change only after success.
    bool SaveScene(bool saveAs);
    // Empties the scene and the histories, after asking to save a modified one.
    void NewScene();
    // Mode 0 loads a scene file (".tev") or imports a mesh file (".obj", ".bio") by the
    // file's kind; mode 1 imports a mesh as a layer of the active object, mode 2 its
    // texture coordinates. An empty name asks with a file dialog. A replacing open asks to
    // save a modified scene first; import adds to the scene. Errors are shown to the user.
    void OpenFile(bool import, const QString &fileName, int mode);
    // Exports subdivision levels (levels) or the selected faces.
    void Export(bool levels);
    void AddRecentFile(const QString &file);

    // --- context menus -----------------------------------------------------------------
    // Each pops up the item's menu at the global position and carries out the chosen entry.
    static void CameraContextMenu(Camera *camera, const QPoint &position);
    static void LightContextMenu(Light *light, const QPoint &position);
    static void MaterialContextMenu(Surface::Material *material, const QPoint &position);
    // Stencils, image planes and layers offer their properties only.
    static void StencilContextMenu(General::Node *node, const QPoint &position);
    static void ImagePlaneContextMenu(General::Node *node, const QPoint &position);
    static void LayerContextMenu(General::Node *node, const QPoint &position);
    static void SelectionSetContextMenu(SelectionSet *set, const QPoint &position);
    // Acts on the object that owns the level.
    static void ObjectContextMenu(Mesh *level, const QPoint &position);
    static void CurveContextMenu(General::NURBSCurve *curve, const QPoint &position);
    // Asks for the object's new name; an empty or cancelled answer keeps the old one.
    static void RenameGeometry(Object *object);
    // The number a new material takes: one past the highest in the list, so numbers stay
    // unique after deletions.
    static int NextMaterialNumber();

    // --- benchmark -------------------------------------------------------------------
    // Records every input event, scene load and import to `file` from now on; false when
    // it cannot be written.
    bool StartRecording(const QString &file);
    BenchmarkRecorder *GetRecorder() const { return m_pRecorder.get(); }
    // Plays the recorded input script back; the timing report. A script that cannot be
    // played (no regular file, past the bounds, no text) plays nothing: the return is then
    // the one line that says why, naming the file, and `refused` (when given) is set.
    QString PlayBenchmark(const QString &name, bool *refused = nullptr);

    // --- input entry -----------------------------------------------------------------
    void OnKeyPress(const QKeyEvent &event);
    void OnKeyRelease(const QKeyEvent &event);
    // `state` in main-window pixels; press true for a button going down.
    void OnInputButton(InputState state, bool press);
    // `state` in view pixels.
    void OnInputMove(const InputState &state);
    // The code of the chord held now.
    uint32_t GetKeyCode() const;

    // --- undo and redo ---------------------------------------------------------------
    // Runs the operation (unless `execute` is off: the change is already made) and appends
    // it to `stack` with `kind`; clearOther empties the opposite stack first. The
    // operation stays the caller's. Marks the scene modified in every case.
    static bool ExecuteOperation(Operations::Operation *operation, OperationBuffer *stack, bool clearOther, char kind,
                                 bool execute);
    // Ends the stroke's or drag's operation: executes, records it as a new action, deletes it.
    void FinishOperation();
    // Empties the undo and redo histories (records of one scene never replay on another);
    // false when the controller has none. Scene services call it on a new, loaded or
    // replaced scene.
    static bool ClearHistory();
    // Undoes (the undo stack) or redoes (the redo stack) one whole user action.
    static void UndoRedo(OperationBuffer *stack);
    // The timer statistics below `parent` (-1: all, framed by rule lines) to the log.
    static void PerformanceReport(int parent, int depth);
    // An empty operation of the class the type id names; null when none is built.
    static std::unique_ptr<Operations::Operation> CreateBrushOperation(int type);

    // --- strokes -----------------------------------------------------------------------
    // One sample of the Brusher's gesture: the press (begin), a move, or the release of a
    // deferred stroke. Mode 0 normal, 2 inverse, 1 toggle, 3 track only.
    void StrokeInput(bool begin, int mode);
    // One sample from the picks in `source`.
    void ProcessStroke(Picker &source, bool begin, int mode);
    // Makes and checks the stroke's operation; false when the stroke is refused.
    bool BeginStroke(Picker *source, SubdivLevel *level);
    // The current tool over a whole level: the last one with selected faces, else the only
    // object's; the status bar says what happened.
    void Flood(bool fromCamera);
    // Places the stamp for pick `index` of a sample with the sample's random numbers; the
    // pick to apply (a deferred stroke's pick is made again in `repicked`; null when it
    // found nothing).
    PickInfo *PlaceStamp(int index, PickInfo &pick, const int random[7], Picker &repicked);
    // The stroke's operation, when the current operation is a brush's.
    Operations::BrushOperation *GetBrushOperation() const;

    // --- stamp and stencil --------------------------------------------------------------
    // The current tool's stamp: "OFF" switches it off, a file is loaded and switched on.
    // A file without pixels leaves it off and says so. False when no stamp is on after it.
    bool SetStamp(const QString &fileName);
    // "OFF" switches the stencil off; a file is loaded with the stencil settings and placed
    // in the view. False when no stencil is on after it.
    bool SetStencil(const QString &fileName);
    // Recomputes the stencil's screen projection from the active camera and the view.
    void UpdateStencil();
    // One plane of grey values from an image file (see General::LoadGrayImage).
    static bool LoadGrayImage(General::Store<float> &pixels, const QString &fileName, uint32_t &width,
                              uint32_t &height, bool invert, int modeA, int modeB, bool *isFloat = nullptr);

    // --- tool selection and cursor --------------------------------------------------------
    // Makes the tool current (null: back from a temporary tool); checkTray marks the trays.
    void ApplyTrayItem(Brush *tool, bool checkTray);
    // Makes the falloff at that index of the falloff list the current tool's.
    void SelectFalloff(int index);
    // The brush cursor for one side (0 the pointer's pick, 1 and -1 mirrored ones) is
    // drawn again.
    void UpdateBrushCursor(int side);
    // Shows, keeps or removes the transform gizmo for the current tool.
    void CreateManipulator();
    // Makes `manipulator` current (the old one goes, unless it is the new one's next).
    void SetManipulator(std::unique_ptr<Manipulator> manipulator);
    // Deletes the current manipulator, or, while a drag holds it, once the drag ends.
    void DropManipulator();
    // The end of a preset drag: its next manipulator becomes current.
    void EndPresetManipulator();
    Manipulator *GetManipulator() const { return m_pManipulator.get(); }
    std::unique_ptr<Manipulator> TakeManipulator();
    // The tool of the gesture that starts now, kept until its release.
    Function *StartGestureTool(std::unique_ptr<Function> tool);
    // The event handler has sent the tool its release and let it go.
    void ToolEnded(Function *tool);

    // --- members -----------------------------------------------------------------------
    PickHit m_cHit;                   // the first hit under the cursor
    bool m_bHoverSuspended = false;   // no picking while brush size or strength is dragged
    bool m_bBrushCursor = true;
    bool m_bStrengthLine = false;

    int m_iCurrentKey = 0;            // held non-modifier key, 0 when none
    uint8_t m_bLeft = 0;
    uint8_t m_bMiddle = 0;
    uint8_t m_bRight = 0;
    float m_fPressure = 1.0f;
    float m_fMouseX = 0.0f;           // 0 to 1 of the view, from the top-left
    float m_fMouseY = 0.0f;
    float m_fDeltaX = 0.0f;
    float m_fDeltaY = 0.0f;
    float m_fActivationX = 0.0f;      // the mouse position when the last handler was activated
    float m_fActivationY = 0.0f;
    float m_fMouseDepth = 0.0f;       // window depth of the point under the mouse; 0 until taken

    float m_fStrokeSpacing = 0.04f;
    EventHandler m_cEventHandler;
    Brush *m_pCurrentTool = nullptr;
    uint32_t m_iModifiers = 0;        // key-code bits of the held modifier keys
    bool m_bRepaintSuppressed = false;
    bool m_bCancel = false;
    Object *m_pActiveObject = nullptr;
    QList<Object *> m_lSelection;     // most recently selected first; not owned
    std::unique_ptr<Operations::Operation> m_pCurrentOperation;
    bool m_bCurveSnapping = true;
    int m_iCurveSnapDistance = 60;    // pixels
    float m_fCurveParameter = 0.0f;   // where the last snap search ended
    bool m_bPlayback = false;         // input comes from a benchmark script

    Picker m_cPicker;                 // the hits under the pointer, mirrored ones after them
    Brush *m_pPreviousTool = nullptr;
    bool m_bTemporaryTool = false;    // the current tool holds only while its key is held
    int m_iLastFalloff = -1;
    SubdivLevel *m_pStrokeLevel = nullptr;
    float m_fPreviousX = 0.0f;        // the pointer at the last smoothed sample
    float m_fPreviousY = 0.0f;
    float m_fTangentX = 0.0f;         // the curved path's direction at its end
    float m_fTangentY = 0.0f;
    bool m_bDeferredStroke = false;
    bool m_bRedrawDuringAction = true;
    std::vector<General::Vector> m_aStartPositions;  // per pick of the stroke's first sample
    OverlayImage m_cOverlay;
    AlphaImage m_cStamp;
    StencilImage m_cStencil;
    General::Node m_cStencilNode{QStringLiteral("defaultSten")};  // what the "Stencil" page shows
    StrokeImages m_cStrokeImages{m_cStencil, m_cStamp};  // installed for the brush kernels
    Stroke::Random m_cRandom;
    // One generator serves every stroke in turn; it starts from this seed with the program
    // and again with each recorded or played-back session, so a playback draws the numbers
    // its session drew.
    uint32_t m_iStrokeSeed = 1;
    bool m_bPlacementActive = true;   // cleared while a placement drag is held
    // The rectangle selection in progress (published by the tool itself), or null.
    class RectangleSelector *m_pRectangleSelector = nullptr;

    // Set by changes that cannot be undone; while set, undoing everything leaves the
    // scene marked modified. A new scene clears it.
    static bool s_bUnrecordedChange;

private:
    // Replays a layer or texture-coordinate import (modes 1 and 2) of a scene or mesh file;
    // false when the file was not read.
    bool ImportInto(const QString &name, const QString &suffix, int mode, const ImportChoice &choice);

    std::unique_ptr<BenchmarkRecorder> m_pRecorder;
    std::unique_ptr<Function> m_pGestureTool;
    std::unique_ptr<Manipulator> m_pManipulator;
    bool m_bDropManipulator = false;  // dropped while a drag held it

    static Interface *s_pInstance;
    static OperationBuffer *s_pUndo;
    static OperationBuffer *s_pRedo;
};
