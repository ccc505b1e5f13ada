#include "app/services/AppSceneServices.h"

#include "app/services/CurveEditing.h"
#include "app/dialogs/PreferencesDialog.h"
#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayItem.h"
#include "interaction/Interface.h"
#include "interaction/InteractionServices.h"
#include "interaction/benchmark/BenchmarkRecorder.h"
#include "mapping/displacement/DisplaceOperation.h"
#include "viewport/view/SceneView.h"

#include <algorithm>

Brush *AppSceneServices::GetCurrentTool() const
{
    return Interface::Get() ? Interface::Get()->m_pCurrentTool : nullptr;
}

void AppSceneServices::EndCurveEditing() { m_rEditing.End(); }

int AppSceneServices::GetMirrorPlaneCount() const
{
    const Preferences *preferences = Preferences::Get();
    if (!preferences || preferences->MirrorCount <= 0)
        return 0;
    const unsigned stored = std::min({unsigned(preferences->MirrorCount), preferences->MirrorNormals.GetItemCount(),
                                      preferences->MirrorOffsets.GetItemCount()});
    // A pair without a normal names no plane: the planes end there.
    unsigned count = 0;
    while (count < stored && preferences->MirrorNormals[count].Length() > 0.0f)
        ++count;
    return int(count);
}

void AppSceneServices::GetMirrorPlane(int index, General::Vector &point, General::Vector &normal) const
{
    const Preferences *preferences = Preferences::Get();
    if (!preferences || index < 0 || index >= GetMirrorPlaneCount())
        return;
    normal = preferences->MirrorNormals[unsigned(index)].Normalized();
    point = preferences->MirrorOffsets[unsigned(index)];
}

bool AppSceneServices::GetLocalMirror() const
{
    const Preferences *preferences = Preferences::Get();
    return preferences && preferences->MirrorLocal;
}

Camera *AppSceneServices::GetViewCamera() const
{
    return m_rWindow.GetView() ? m_rWindow.GetView()->GetCamera() : nullptr;
}

void AppSceneServices::SetViewCamera(Camera *camera)
{
    if (SceneView *view = m_rWindow.GetView())
        view->SetCamera(camera);
}

void AppSceneServices::ReleasePropertyWindows() { m_rWindow.ReleasePropertyWindows(); }

void AppSceneServices::ImportFinished()
{
    for (auto *window = GUI::PreferencesDialog::First(); window;
         window = static_cast<GUI::PreferencesDialog *>(window->GetNext()))
        window->Refresh();
    InteractionHost().RefreshBrushPage();
}

void AppSceneServices::RecordBenchmarkLine(const QString &line)
{
    if (const Interface *controller = Interface::Get(); controller && controller->GetRecorder())
        controller->GetRecorder()->WriteLine(line);
}

std::vector<CameraBookmark> AppSceneServices::GetCameraBookmarks() const
{
    std::vector<CameraBookmark> bookmarks;
    for (const GUI::MTray *tray : GUI::AllTrays())
        for (GUI::TrayItem *item : tray->GetItems())
            if (const auto *bookmark = dynamic_cast<GUI::BookmarkItem *>(item); bookmark && bookmark->GetCamera())
                bookmarks.push_back(CameraBookmark{tray->objectName(), bookmark->GetName(), bookmark->GetCamera()});
    return bookmarks;
}

void AppSceneServices::StoreCameraBookmark(const QString &tray, const QString &item, const Camera &camera)
{
    GUI::MTray *target = m_rWindow.OpenTray(tray);
    if (!target)
        return;
    for (GUI::TrayItem *existing : target->GetItems())
        if (existing->GetName() == item) {
            if (auto *bookmark = dynamic_cast<GUI::BookmarkItem *>(existing))
                bookmark->SetCamera(camera);
            return;
        }
    auto bookmark = std::make_unique<GUI::BookmarkItem>(item, item, false);
    bookmark->SetCamera(camera);
    target->AddItem(std::move(bookmark));
}

namespace {

// The scene file's node lists: kind 0 holds the displacement operations.
constexpr int kDisplacementNodes = 0;

}  // namespace

void AppSceneServices::DeleteSceneNodes(Scene &scene) { Displacement::DisplaceOperation::DeleteSceneOperations(scene); }

void AppSceneServices::MoveSceneNodes(Scene &from, Scene &to)
{
    Displacement::DisplaceOperation::MoveSceneOperations(from, to);
}

void AppSceneServices::WriteSceneNodes(Stream &stream, Scene &scene, int kind, bool)
{
    if (kind == kDisplacementNodes)
        Displacement::DisplaceOperation::WriteSceneOperations(stream, scene);
}

bool AppSceneServices::ReadSceneNode(Stream &stream, Scene &scene, int kind)
{
    return kind == kDisplacementNodes && Displacement::DisplaceOperation::ReadSceneOperation(stream, scene);
}
