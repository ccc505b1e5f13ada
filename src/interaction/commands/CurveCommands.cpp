#include "interaction/Interface.h"
#include "interaction/commands/CommandSupport.h"
#include "interaction/commands/Commands.h"
#include "interaction/commands/UnrecordedChange.h"
#include "interaction/commands/ViewCommandHost.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "foundation/curves/NURBSCurve.h"
#include "operations/CurveOperation.h"
#include "operations/CurveOperationHost.h"
#include "platform/TempFiles.h"
#include "scene/Scene.h"

#include <QFile>

#include <memory>

namespace {

General::NURBSCurve *CurrentCurve()
{
    Scene *scene = Scene::GetCurrent();
    return scene ? scene->m_pCurrentCurve : nullptr;
}

// A copy of the curve through its stream record; null when the record did not go
// through. The temporary file is gone afterwards either way.
std::unique_ptr<General::NURBSCurve> CopyCurve(General::NURBSCurve &curve)
{
    const QString file = TempFileName(ViewCommands().TempFolder(), QStringLiteral("tmp"));
    if (file.isEmpty())
        return nullptr;
    auto copy = std::make_unique<General::NURBSCurve>(2, true);
    bool ok = false;
    {
        Stream out(file, true);
        ok = out.IsOpen() && curve.Serialize(out) && !out.HasError();
    }
    if (ok) {
        Stream in(file, false);
        ok = in.IsOpen() && copy->Serialize(in) && !in.HasError();
    }
    QFile::remove(file);
    if (!ok)
        return nullptr;
    return copy;
}

}  // namespace

void Commands::InstallCurveCommands(EventHandler &handlers)
{
    handlers.SetBody("Create NURBS curve", [](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        // Until its operation puts it into the scene, the new curve belongs to the operation.
        Operations::CurveOperation operation(new General::NURBSCurve(2, true), Operations::CurveOperation::kAddCurve);
        Interface::ExecuteOperation(&operation, Interface::UndoStack(), true, 0, true);
        return nullptr;
    });
    handlers.SetBody("Finish curve", [](int event) -> Function * {
        if (!Commands::OnPress(event))
            return nullptr;
        if (General::NURBSCurve *curve = CurrentCurve())
            curve->SetBeingEdited(false);
        InteractionHost().RepaintView();
        return nullptr;
    });
    handlers.SetBody("Draw on curve", [](int event) -> Function * {
        General::NURBSCurve *curve = CurrentCurve();
        if (!Commands::OnPress(event) || !curve)
            return nullptr;
        // Recorded as part of the stroke its drawing just recorded, so one undo takes both.
        Operations::CurveOperation operation(curve, Operations::CurveOperation::kDrawOnCurve);
        Interface::ExecuteOperation(&operation, Interface::UndoStack(), false, 1, true);
        return nullptr;
    });
    // Closing cannot be undone: it acts once per press, not again on the release.
    handlers.SetBody("Close curve", [](int event) -> Function * {
        General::NURBSCurve *curve = CurrentCurve();
        if (!Commands::OnPress(event) || !curve || curve->IsClosed())
            return nullptr;
        curve->Close();
        MarkUnrecordedChange();
        Interface::Redraw();
        return nullptr;
    });
    handlers.SetBody("Duplicate curve", [](int event) -> Function * {
        General::NURBSCurve *curve = CurrentCurve();
        Scene *scene = Scene::GetCurrent();
        if (!Commands::OnPress(event) || !curve || !scene)
            return nullptr;
        std::unique_ptr<General::NURBSCurve> copy = CopyCurve(*curve);
        if (!copy) {
            General::Shell().SetStatusMessage(QStringLiteral("ERROR: The curve could not be copied."), 2);
            return nullptr;
        }
        Operations::CurveOperationHost &curves = Operations::CurveOperations();
        curves.EndCurveEditing();
        // Off the original, so the copy can be told apart from it.
        copy->SetOffset(copy->GetOffsetX() + 10.0f, copy->GetOffsetY() + 10.0f);
        General::NURBSCurve *added = copy.release();
        scene->AddCurve(added);
        curves.RefreshSceneInformation();
        curves.ShowCurveProperties();
        curves.StartCurveEditing(added);
        InteractionHost().RepaintView();
        return nullptr;
    });
}
