#include "app/services/AppInteractionServices.h"

#include "app/services/CurveEditing.h"
#include "app/settings/Preferences.h"
#include "gui/status/Alarm.h"
#include "gui/trays/MTray.h"
#include "app/startup/CommandSwitches.h"
#include "app/window/KeyboardLevel.h"
#include "app/window/Tevrin.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Object.h"
#include "foundation/ShellServices.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/OptionDialogs.h"
#include "gui/layers/LayerList.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/dialogs/PropertyList.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"
#include "gui/common/Trays.h"
#include "interaction/Interface.h"
#include "viewport/view/SceneView.h"

#include <cmath>

bool AppInteractionServices::HasView() const { return m_rWindow.GetView() != nullptr; }

int AppInteractionServices::GetViewWidth() const { return HasView() ? m_rWindow.GetView()->width() : 0; }

int AppInteractionServices::GetViewHeight() const { return HasView() ? m_rWindow.GetView()->height() : 0; }

bool AppInteractionServices::MapToView(float windowX, float windowY, float &viewX, float &viewY) const
{
    const SceneView *view = m_rWindow.GetView();
    if (!view) {
        viewX = windowX;
        viewY = windowY;
        return false;
    }
    const QPointF point = view->mapFrom(&m_rWindow, QPointF(windowX, windowY));
    viewX = float(point.x());
    viewY = float(point.y());
    return view->isVisible() && viewX >= 0.0f && viewY >= 0.0f && viewX < float(view->width()) &&
           viewY < float(view->height());
}

float AppInteractionServices::CameraRow(float y, int viewHeight, float heightRatio)
{
    return Camera::BufferRow(y, viewHeight, heightRatio);
}

bool AppInteractionServices::PickInto(Picker &picker, float x, float y)
{
    SceneView *view = m_rWindow.GetView();
    Camera *camera = view ? view->GetCamera() : nullptr;
    if (!camera) {
        picker.Clear();
        return false;
    }
    const float row = CameraRow(y, camera->m_aViewport[3], camera->m_fHeightRatio);
    return view->Pick(picker, x, row);
}

PickHit AppInteractionServices::Pick(float x, float y)
{
    Interface *controller = Interface::Get();
    Picker &picker = controller ? controller->m_cPicker : m_cPicker;
    if (!PickInto(picker, x, y))
        return {};
    PickHit hit;
    if (const PickInfo *first = picker.GetFirstPick()) {
        hit.mesh = first->m_pMesh;
        hit.object = hit.mesh ? hit.mesh->GetObject() : nullptr;
        hit.face = first->m_iFace;
        hit.position = first->m_vPosition;
    }
    return hit;
}

const Picker &AppInteractionServices::GetPicker() const
{
    const Interface *controller = Interface::Get();
    return controller ? controller->m_cPicker : m_cPicker;
}

CurveEdit *AppInteractionServices::GetCurveEdit() const { return m_rEditing.Get(); }

void AppInteractionServices::SetHeldHandler(bool held)
{
    // A right-button chord bound to a handler runs it; only a plain right click opens the
    // view's pop-up. The press reaches the controller before the view's menu request.
    if (SceneView *view = m_rWindow.GetView())
        view->m_bContextMenuBlocked = held;
}

int AppInteractionServices::UnshiftedKey(const QKeyEvent &event) const { return ::UnshiftedKey(event); }

void AppInteractionServices::SetContinuousRedraw(bool continuous)
{
    if (SceneView *view = m_rWindow.GetView())
        view->SetContinuousRedraw(continuous);
}

void AppInteractionServices::RedrawIfContinuous()
{
    if (SceneView *view = m_rWindow.GetView())
        view->RedrawIfContinuous();
}

void AppInteractionServices::CheckTrayItem(const QString &tray, const QString &item) { GUI::CheckTrayItem(tray, item); }

StrokePreferences AppInteractionServices::GetStrokePreferences() const
{
    StrokePreferences stroke;
    const Preferences *preferences = Preferences::Get();
    if (!preferences)
        return stroke;
    stroke.selectionMode = preferences->SelectionMode;
    stroke.mirrorCount = preferences->MirrorCount;
    if (preferences->MirrorNormals.HasItems())
        stroke.mirrorAxis = preferences->MirrorNormals[0];
    stroke.rotateJitter = preferences->RotateJitter;
    stroke.scaleJitter = preferences->ScaleJitter;
    stroke.positionJitter = preferences->PositionJitter;
    stroke.strengthJitter = preferences->StrengthJitter;
    stroke.flipRandomizeX = preferences->FlipRandomizeX;
    stroke.flipRandomizeY = preferences->FlipRandomizeY;
    stroke.orientToStroke = preferences->OrientToStroke;
    stroke.rotationFactor = preferences->StencilRotateSensitivity;
    return stroke;
}

void AppInteractionServices::RepaintView()
{
    if (SceneView *view = m_rWindow.GetView())
        view->update();
}

void AppInteractionServices::PaintViewNow()
{
    if (SceneView *view = m_rWindow.GetView()) {
        // A played-back pointer is in the view whatever the real one does.
        view->SetPointerInView(true);
        view->repaint();
    }
}

bool AppInteractionServices::ShowsCurves() const
{
    return !HasView() || m_rWindow.GetView()->m_cToggles.m_bShowCurves;
}

void AppInteractionServices::SetSceneCaption(const QString &file) { m_rWindow.SetSceneCaption(file); }

void AppInteractionServices::ResetSaveReminder()
{
    if (GUI::Alarm *reminder = m_rWindow.GetSaveReminder())
        reminder->Reset();
}

void AppInteractionServices::UpdateDisplayMenu() { m_rWindow.UpdateDisplayMenu(); }

bool AppInteractionServices::TestSwitch() const { return CommandSwitches::s_bTest; }

bool AppInteractionServices::RemoveSelectedCurvePoint()
{
    Scene *scene = Scene::GetCurrent();
    CurveEdit *edit = m_rEditing.Get();
    if (!edit || !scene || !scene->m_pCurrentCurve || !scene->m_pCurrentCurve->IsBeingEdited())
        return false;
    edit->RemoveSelectedPoint();
    return true;
}

bool AppInteractionServices::AskText(const QString &label, const QString &initial, QString &answer)
{
    answer = initial;
    return GUI::Modals().GetText(&m_rWindow, QString::fromLatin1(General::ProgramTitle()), label, answer);
}

void AppInteractionServices::ShowSubdivisionOptions()
{
    Preferences *preferences = m_rWindow.GetPreferences();
    if (!preferences)
        return;
    SubdivisionOptions options = GetSubdivisionOptions();
    GUI::SubdivOptions dialog(&m_rWindow, options);
    if (!GUI::Modals().Run(dialog))
        return;
    preferences->SmoothPositions = options.smoothPositions;
    preferences->SubdivideUVs = options.subdivideUVs;
    preferences->SmoothUVs = options.smoothUVs;
}

SubdivisionOptions AppInteractionServices::GetSubdivisionOptions() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    if (!preferences)
        return {};
    return {preferences->SmoothPositions, preferences->SubdivideUVs, preferences->SmoothUVs,
            preferences->LockLocalBorder};
}
void AppInteractionServices::SelectTrayItem(const QString &tray, int position) { GUI::SelectTrayItem(tray, position); }

void AppInteractionServices::MarkTraySelectionTemporary(const QString &tray) { GUI::MarkTraySelectionTemporary(tray); }

void AppInteractionServices::RestoreTraySelection(const QString &tray) { GUI::RestoreTraySelection(tray); }

void AppInteractionServices::RefreshLayers() { GUI::LayerList::UpdateEverywhere(false); }

void AppInteractionServices::RefreshObjectList() { GUI::SceneInfoDialog::RefreshAll(); }

void AppInteractionServices::ShowInProperties(const QString &page, Object *object)
{
    if (GUI::PropertiesDialog *first = GUI::PropertiesDialog::First())
        first->ShowNode(page, object);
}

void AppInteractionServices::RefreshBrushPage()
{
    // Open brush and stamp pages follow the current tool; a window that shows no page yet
    // takes the brush page, so a tool picked from a tray shows its settings at once. Other
    // pages stay as the user left them.
    for (auto *window = GUI::PropertiesDialog::First(); window;
         window = static_cast<GUI::PropertiesDialog *>(window->GetNext())) {
        const QString &type = window->GetTypeName();
        if (window->GetPanel() && (type == QLatin1String("Brush") || type == QLatin1String("Stamp")))
            window->GetPanel()->Refresh();
        else if (type.isEmpty())
            window->BuildPanel(QStringLiteral("Brush"), nullptr);
    }
}
