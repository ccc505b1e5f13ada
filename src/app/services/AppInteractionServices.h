#pragma once
// The controller's view of the main window, the 3D view and the command line. A pick
// takes view pixels from the top-left corner and hands the camera the row it counts from
// the top of the off-screen buffer, in which the picture fills the lower-left part.

#include "interaction/InteractionServices.h"
#include "scene/picking/Picker.h"

class CurveEditing;
class Tevrin;

class AppInteractionServices : public InteractionServices {
public:
    AppInteractionServices(Tevrin &window, CurveEditing &editing) : m_rWindow(window), m_rEditing(editing) {}

    bool HasView() const override;
    int GetViewWidth() const override;
    int GetViewHeight() const override;
    bool MapToView(float windowX, float windowY, float &viewX, float &viewY) const override;
    PickHit Pick(float x, float y) override;
    bool PickInto(Picker &picker, float x, float y) override;
    CurveEdit *GetCurveEdit() const override;
    void SetHeldHandler(bool held) override;
    int UnshiftedKey(const QKeyEvent &event) const override;
    void SetContinuousRedraw(bool continuous) override;
    void RedrawIfContinuous() override;
    void CheckTrayItem(const QString &tray, const QString &item) override;
    StrokePreferences GetStrokePreferences() const override;
    void RepaintView() override;
    void PaintViewNow() override;
    bool ShowsCurves() const override;
    void SetSceneCaption(const QString &file) override;
    void ResetSaveReminder() override;
    void UpdateDisplayMenu() override;
    void RefreshLayers() override;
    bool TestSwitch() const override;
    bool RemoveSelectedCurvePoint() override;
    bool AskText(const QString &label, const QString &initial, QString &answer) override;
    // The dialog edits the preferences' switches; Cancel keeps them.
    void ShowSubdivisionOptions() override;
    SubdivisionOptions GetSubdivisionOptions() const override;
    void SelectTrayItem(const QString &tray, int position) override;
    void MarkTraySelectionTemporary(const QString &tray) override;
    void RestoreTraySelection(const QString &tray) override;
    void RefreshObjectList() override;
    void ShowInProperties(const QString &page, Object *object) override;
    // Every Properties window showing the "Brush" or "Stamp" page reads the tool again.
    void RefreshBrushPage() override;

    // The camera's row for a view row y: rows below the picture in the off-screen buffer
    // come first in the camera's count.
    static float CameraRow(float y, int viewHeight, float heightRatio);
    // The hits of the last pick: the controller's, or ours before it exists.
    const Picker &GetPicker() const;

private:
    Tevrin &m_rWindow;
    CurveEditing &m_rEditing;
    Picker m_cPicker;
};
