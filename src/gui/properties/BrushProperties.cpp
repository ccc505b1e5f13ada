#include "gui/properties/BrushProperties.h"

#include "foundation/Diagnostics.h"
#include "foundation/Node.h"
#include "foundation/ShellServices.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/common/ImageChooser.h"
#include "gui/common/PanelServices.h"
#include "gui/common/Trays.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/CurveEditor.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/trays/MTray.h"
#include "interaction/Interface.h"
#include "interaction/commands/TopologicalSymmetry.h"
#include "operations/Operation.h"
#include "scene/Brush.h"
#include "scene/Scene.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>

namespace GUI {

namespace {

// Angles convert with this value of pi throughout the panels.
constexpr float kPi = 3.1415f;
constexpr int kPreviewSide = 130;

using namespace Operations;

// The move tool's direction list and the directions its entries stand for.
constexpr int kMoveDirections[] = {9, 1, 10, 11, 12};

Interface *Controller() { return Interface::Get(); }
Brush *CurrentTool() { return Controller() ? Controller()->m_pCurrentTool : nullptr; }

bool DirectionApplies(const Brush *tool)
{
    return !tool || tool->m_iType == kSoftBrush || tool->m_iType == kHardBrush || tool->m_iType == kMove ||
           tool->m_iType == kFlatten;
}

bool StampApplies(const Brush &tool) { return tool.m_bFlag1 && tool.m_sGroup != QLatin1String("transform"); }

void SetEnabled(QWidget *widget, bool on)
{
    if (widget)
        widget->setEnabled(on);
}

void SetShown(QWidget *widget, bool on)
{
    if (widget)
        widget->setVisible(on);
}

void SetChecked(QCheckBox *box, bool on)
{
    if (box)
        box->setChecked(on);
}

void SetValue(TextSlider *slider, float value)
{
    if (slider)
        slider->setValue(value);
}

bool Checked(const QCheckBox *box, bool otherwise) { return box ? box->isChecked() : otherwise; }

// The slider's own value, not the text of its field.
float ValueOf(const TextSlider *slider, float otherwise) { return slider ? slider->GetValue() : otherwise; }

}  // namespace

void BrushProperties::Adopt()
{
    Interface *controller = Controller();
    const General::Node *node = GetShownNode();
    PropertiesDialog *owner = GetOwner();
    if (!controller || !node || !owner)
        return;
    // The node's name says what it stands for: a tool's name, or a stamp's image path.
    const QString name = node->GetName();
    if (owner->GetTypeName() == QLatin1String("Brush")) {
        Brush *tool = Brush::Find(name);
        if (tool && tool != controller->m_pCurrentTool) {
            controller->ApplyTrayItem(tool, true);
            CheckTrayItem(QStringLiteral("Tool"), tool->m_sName);
        }
        return;
    }
    if (name.isEmpty() || name == controller->m_cStamp.GetFileName())
        return;
    controller->m_cStamp.Load(name);
    controller->m_cStamp.m_bEnabled = true;
    if (Brush *tool = controller->m_pCurrentTool)
        tool->m_sStampFile = name;
    CheckTrayItem(QStringLiteral("Stamp"), name);
}

void BrushProperties::Refresh()
{
    m_bUpdating = true;
    Brush *tool = CurrentTool();
    if (PropertiesDialog *owner = GetOwner())
        owner->SetTitle(tool ? tool->m_sName : QString());
    // Without a tool only the stamp and the stroke preferences mean anything.
    for (CollapsableFrame *frame : findChildren<CollapsableFrame *>(Qt::FindDirectChildrenOnly)) {
        const QString group = frame->objectName();
        if (group != QLatin1String("Stamp") && group != QLatin1String("Stroke"))
            frame->setEnabled(tool != nullptr);
    }
    if (tool) {
        RefreshTool(*tool);
    } else {
        for (QWidget *widget : {static_cast<QWidget *>(m_pStampDrag), static_cast<QWidget *>(m_pStretchStamp)})
            SetEnabled(widget, false);
        // The last tool's curve may go with the tool table: the graph lets go of it.
        if (auto *curve = Find<CurveEditor>("FalloffCurve"))
            curve->Clear();
    }

    if (auto *direction = Find<QComboBox>("Direction")) {
        direction->clear();
        if (tool && tool->m_iType != kMove)
            direction->addItems({tr("Center Normal"), tr("Averaged Normal"), tr("Vertex Normal"), tr("Forward"),
                                 tr("Right"), tr("X"), tr("Y"), tr("Z"), tr("Camera")});
        else
            direction->addItems({tr("Screen"), tr("Averaged Normal"), tr("XY"), tr("XZ"), tr("YZ")});
        int entry = -1;
        if (tool && tool->m_iType == kMove) {
            // A direction the move list lacks shows no entry.
            for (int i = 0; i < 5; ++i)
                if (kMoveDirections[i] == tool->m_iDirection)
                    entry = i;
        } else if (tool) {
            entry = tool->m_iDirection;
        }
        direction->setCurrentIndex(entry < direction->count() ? entry : -1);
    }

    const BrushPanelSettings settings = PanelHost().GetBrushPanelSettings();
    if (auto *mirror = Find<QComboBox>("Mirror")) {
        int entry = 0;
        if (settings.stroke.mirrorCount == -1)
            entry = 7;
        else if (settings.stroke.mirrorCount != 0) {
            entry = settings.stroke.mirrorAxis.x != 0.0f ? 1 : settings.stroke.mirrorAxis.y != 0.0f ? 2 : 3;
            if (settings.stroke.mirrorCount == 1 && settings.mirrorLocal)
                entry += 3;
        }
        mirror->setCurrentIndex(entry);
    }
    SetValue(Find<TextSlider>("BuildupRate"), float(settings.buildupRate));
    SetValue(m_pScaleJitter, settings.stroke.scaleJitter * 100.0f);
    SetValue(m_pRotateJitter, settings.stroke.rotateJitter * 100.0f);
    SetValue(m_pPositionJitter, settings.stroke.positionJitter * 100.0f);
    SetValue(m_pStrengthJitter, settings.stroke.strengthJitter * 100.0f);
    SetChecked(m_pFlipX, settings.stroke.flipRandomizeX);
    SetChecked(m_pFlipY, settings.stroke.flipRandomizeY);
    SetChecked(m_pOrientToStroke, settings.stroke.orientToStroke);
    if (tool) {
        auto *selection = Find<QComboBox>("SelectionMode");
        if (selection && tool->m_iType == kSelectFace)
            selection->setCurrentIndex(settings.stroke.selectionMode);
        if (selection && tool->m_iType == kSelectObject)
            selection->setCurrentIndex(settings.objectSelectionMode);
    }

    RefreshStamp();
    if (tool) {
        RefreshStates(*tool);
        RefreshVisibility(*tool);
    }
    m_bUpdating = false;
}

void BrushProperties::RefreshTool(Brush &tool)
{
    // Rebuilt on every refresh: a falloff picked from a tray replaces the points of the same
    // curve, which the editor's handles and drawing must follow.
    auto *curve = Find<CurveEditor>("FalloffCurve");
    if (curve)
        curve->SetCurve(&tool.m_falloff);
    const float unit = Scene::LinearUnitScale();
    if (auto *size = Find<TextSlider>("Size"))
        size->GetSlider()->SetRange(0.0f, tool.m_fSizeMaximum * unit);
    if (auto *strength = Find<TextSlider>("Strength"))
        strength->GetSlider()->SetRange(0.0f, tool.m_fStrengthMaximum * unit);
    SetValue(Find<TextSlider>("Size"), tool.GetSize() * unit);
    SetValue(Find<TextSlider>("Strength"), tool.GetStrength() * unit);
    SetValue(Find<TextSlider>("MinSize"), float(tool.m_iMinSizePercent));
    SetValue(Find<TextSlider>("MinStrength"), float(tool.m_iMinStrengthPercent));
    SetChecked(Find<QCheckBox>("AffectAllLayers"), !tool.m_bSmoothLayer);
    SetChecked(Find<QCheckBox>("PreventOverlap"), tool.m_bSpacedDab);
    SetValue(Find<TextSlider>("RadiusPercentage"), float(tool.m_iSpacing));
    if (const Interface *controller = Controller()) {
        SetChecked(Find<QCheckBox>("SnapToCurve"), controller->m_bCurveSnapping);
        SetValue(Find<TextSlider>("SnapDistance"), float(controller->m_iCurveSnapDistance));
        SetValue(Find<TextSlider>("StrokeQuality"), 101.0f - 200.0f * controller->m_fStrokeSpacing);
    }
    SetChecked(Find<QCheckBox>("CurvedStroke"), tool.m_bSmoothStroke);
    if (auto *surface = Find<QCheckBox>("OrientToSurface")) {
        surface->setChecked(tool.m_bOrientToSurface);
        surface->setEnabled(!tool.m_bWindowSpace);
    }
    SetChecked(Find<QCheckBox>("ProjectThrough"), tool.m_bProjectThrough);
    SetChecked(Find<QCheckBox>("RememberSize"), !tool.m_bSharedSize);
    if (auto *snap = Find<QCheckBox>("Snap"); snap && curve)
        snap->setChecked(curve->m_bSnap);

    // The plane settings belong to the flatten tool alone; other tools keep what they hold.
    const bool flatten = tool.m_iType == kFlatten;
    if (auto *plane = Find<QCheckBox>("UpdatePlane")) {
        plane->setEnabled(flatten);
        if (flatten)
            plane->setChecked(tool.m_bPlaneUpdate);
    }
    if (auto *whole = Find<QCheckBox>("WholeStroke")) {
        whole->setEnabled(flatten);
        if (flatten)
            whole->setChecked(tool.m_bSurface);
    }
    SetEnabled(Find<QCheckBox>("ProjectThrough"), !flatten);

    SetChecked(m_pStampDrag, tool.m_bDeferredStroke);
    SetChecked(m_pStretchStamp, tool.m_bStretchStamp);
    SetChecked(m_pInvert, tool.m_bInvert);
    SetChecked(Find<QCheckBox>("SmoothValues"), tool.m_bSmoothValues1);
    SetChecked(Find<QCheckBox>("SmoothAndPaint"), tool.m_bSmoothValues2);
}

void BrushProperties::RefreshStamp()
{
    const Interface *controller = Controller();
    if (!controller)
        return;
    const AlphaImage &stamp = controller->m_cStamp;
    if (m_pStampOff && m_pStampOff->isChecked() == stamp.m_bEnabled)
        m_pStampOff->setChecked(!stamp.m_bEnabled);
    SetValue(Find<TextSlider>("StampRotate"), stamp.m_fRotation * 180.0f / kPi);
    SetValue(Find<TextSlider>("StampVisibility"), stamp.GetFactor() * 100.0f);

    // The picture is read from the file only when the stamp changed since it was made, so
    // slider drags never touch the disk.
    const bool present = stamp.IsPresent();
    const bool stale = !m_bPreviewMade || m_sPreviewFile != stamp.GetFileName() ||
                       m_iPreviewSerial != stamp.GetPixelSerial();
    if (stale) {
        m_bPreviewMade = true;
        m_sPreviewFile = stamp.GetFileName();
        m_iPreviewSerial = stamp.GetPixelSerial();
        auto *image = Find<QLabel>("Image");
        auto *name = Find<QLineEdit>("ImageName");
        QPixmap preview;
        if (present) {
            ++m_iPreviewReads;
            const QImage read(stamp.GetFileName());
            if (!read.isNull())
                preview = QPixmap::fromImage(read.scaled(kPreviewSide, kPreviewSide, Qt::IgnoreAspectRatio,
                                                         Qt::FastTransformation));
        }
        if (image)
            image->setPixmap(preview);
        if (name)
            name->setText(present ? QFileInfo(stamp.GetFileName()).baseName() : QString());
    }
    SetEnabled(m_pStampOff, present);
}

void BrushProperties::RefreshStates(const Brush &tool)
{
    const int type = tool.m_iType;
    const bool stampOn = StampApplies(tool);
    for (QWidget *widget : std::initializer_list<QWidget *>{
             m_pStampDrag, m_pScaleJitter, m_pRotateJitter, m_pPositionJitter, m_pStrengthJitter, m_pScaleJitterLabel,
             m_pRotateJitterLabel, m_pPositionJitterLabel, m_pStrengthJitterLabel, m_pFlipX, m_pFlipY,
             m_pOrientToStroke, Find<QWidget>("stamp_label"), Find<QWidget>("StampRotate_label"),
             Find<QWidget>("ImportButton"), m_pStampStore, Find<QWidget>("StampRotate")})
        SetEnabled(widget, stampOn);
    SetEnabled(m_pStretchStamp, tool.m_bDeferredStroke && stampOn);
    for (const char *name : {"StampVisibility_label", "StampVisibility"})
        SetEnabled(Find<QWidget>(name), tool.m_bDeferredStroke);
    for (const char *name : {"Strength", "Strength_label"})
        SetEnabled(Find<QWidget>(name), tool.m_bFlag2);
    for (const char *name : {"Size", "Size_label"})
        SetEnabled(Find<QWidget>(name), type != kSelectObject);
    SetEnabled(Find<QWidget>("AffectAllLayers"), type == kSmooth);
    SetEnabled(Find<QWidget>("PreventOverlap"), type == kSoftBrush);
    for (const char *name : {"RadiusPercentage_label", "RadiusPercentage"})
        SetEnabled(Find<QWidget>(name), type == kSoftBrush && tool.m_bSpacedDab);
    for (const char *name : {"BuildupRate_label", "BuildupRate"})
        SetEnabled(Find<QWidget>(name), type == kSoftBrush);
    for (const char *name : {"FloodFromCamera", "Flood", "InvertFunction"})
        SetEnabled(Find<QWidget>(name), type != kMove);
    for (const char *name : {"MinSize", "MinSize_label", "MinStrength", "MinStrength_label"})
        SetEnabled(Find<QWidget>(name), type != kMove && type != kSelectObject && type != kSelectFace);
    for (const char *name : {"StrokeQuality_label", "StrokeQuality"})
        SetEnabled(Find<QWidget>(name), tool.m_bSmoothStroke);
    const bool snapping = Controller() && Controller()->m_bCurveSnapping;
    for (const char *name : {"SnapDistance", "SnapDistance_label"})
        SetEnabled(Find<QWidget>(name), snapping);
    SetEnabled(Find<QWidget>("UpdatePlane"), type == kFlatten);
    for (const char *name : {"Direction_label", "Direction"})
        SetEnabled(Find<QWidget>(name), DirectionApplies(&tool));
}

void BrushProperties::RefreshVisibility(const Brush &tool)
{
    const QString &group = tool.m_sGroup;
    const bool selection = group == QLatin1String("selection");
    const bool deform = group == QLatin1String("deform");
    SetShown(Find<QWidget>("Falloff"), !selection);
    for (const char *name : {"Stamp", "Stroke", "Pen Pressure"})
        SetShown(Find<QWidget>(name), !selection && !deform);
    SetShown(m_pInvert, !deform);
    for (const char *name : {"Strength", "Strength_label"})
        SetShown(Find<QWidget>(name), !selection);

    const bool sculpting = group == QLatin1String("sculpting");
    for (const char *name : {"BuildupRate_label", "BuildupRate", "AffectAllLayers", "PreventOverlap",
                             "RadiusPercentage", "RadiusPercentage_label", "CurvedStroke", "StrokeQuality",
                             "StrokeQuality_label", "UpdatePlane", "StampDrag", "StretchStamp"})
        SetShown(Find<QWidget>(name), sculpting);
    for (const char *name : {"Direction", "Direction_label"})
        SetShown(Find<QWidget>(name), DirectionApplies(&tool));
    const bool selects = tool.m_iType == kSelectObject || tool.m_iType == kSelectFace;
    for (const char *name : {"SelectionMode_label", "SelectionMode"})
        SetShown(Find<QWidget>(name), selects);
    const bool propPaint = group == QLatin1String("propPaint");
    for (const char *name : {"SmoothValues", "SmoothAndPaint"})
        SetShown(Find<QWidget>(name), propPaint);

    // A transform tool has nothing to set here: the page shows empty.
    if (group == QLatin1String("transform"))
        for (CollapsableFrame *frame : findChildren<CollapsableFrame *>(Qt::FindDirectChildrenOnly))
            frame->hide();
    else
        for (const char *name : {"", "Advanced"})
            for (CollapsableFrame *frame : findChildren<CollapsableFrame *>(Qt::FindDirectChildrenOnly))
                if (frame->objectName() == QLatin1String(name))
                    frame->show();
}

void BrushProperties::Update()
{
    if (m_bUpdating)
        return;
    Brush *tool = CurrentTool();
    Interface *controller = Controller();
    if (tool) {
        tool->m_bSpacedDab = Checked(Find<QCheckBox>("PreventOverlap"), tool->m_bSpacedDab);
        tool->m_iSpacing = int(ValueOf(Find<TextSlider>("RadiusPercentage"), float(tool->m_iSpacing)));
        tool->m_bSmoothLayer = !Checked(Find<QCheckBox>("AffectAllLayers"), !tool->m_bSmoothLayer);
    }
    if (controller) {
        controller->m_bCurveSnapping = Checked(Find<QCheckBox>("SnapToCurve"), controller->m_bCurveSnapping);
        controller->m_iCurveSnapDistance =
            int(ValueOf(Find<TextSlider>("SnapDistance"), float(controller->m_iCurveSnapDistance)));
    }
    if (tool)
        tool->m_bSmoothStroke = Checked(Find<QCheckBox>("CurvedStroke"), tool->m_bSmoothStroke);
    if (controller)
        controller->m_fStrokeSpacing =
            (101.0f - ValueOf(Find<TextSlider>("StrokeQuality"), 101.0f - 200.0f * controller->m_fStrokeSpacing)) /
            200.0f;
    if (tool) {
        tool->m_bOrientToSurface = Checked(Find<QCheckBox>("OrientToSurface"), tool->m_bOrientToSurface);
        // The flatten tool's widget is disabled: its own value stays.
        if (tool->m_iType != kFlatten)
            tool->m_bProjectThrough = Checked(Find<QCheckBox>("ProjectThrough"), tool->m_bProjectThrough);
        // The plane settings are the flatten tool's; other tools never see those widgets' values.
        if (tool->m_iType == kFlatten) {
            tool->m_bPlaneUpdate = Checked(Find<QCheckBox>("UpdatePlane"), tool->m_bPlaneUpdate);
            tool->m_bSurface = Checked(Find<QCheckBox>("WholeStroke"), tool->m_bSurface);
        }
        tool->m_bSmoothValues1 = Checked(Find<QCheckBox>("SmoothValues"), tool->m_bSmoothValues1);
        tool->m_bSmoothValues2 = Checked(Find<QCheckBox>("SmoothAndPaint"), tool->m_bSmoothValues2);
        tool->m_iMinSizePercent = int(ValueOf(Find<TextSlider>("MinSize"), float(tool->m_iMinSizePercent)));
        tool->m_iMinStrengthPercent =
            int(ValueOf(Find<TextSlider>("MinStrength"), float(tool->m_iMinStrengthPercent)));
        tool->m_bInvert = Checked(m_pInvert, tool->m_bInvert);
        tool->m_bSharedSize = !Checked(Find<QCheckBox>("RememberSize"), !tool->m_bSharedSize);
    }

    BrushPanelSettings settings = PanelHost().GetBrushPanelSettings();
    settings.buildupRate = int(ValueOf(Find<TextSlider>("BuildupRate"), float(settings.buildupRate)));
    if (auto *curve = Find<CurveEditor>("FalloffCurve"))
        curve->m_bSnap = Checked(Find<QCheckBox>("Snap"), curve->m_bSnap);
    settings.stroke.positionJitter = ValueOf(m_pPositionJitter, settings.stroke.positionJitter * 100.0f) * 0.01f;
    settings.stroke.strengthJitter = ValueOf(m_pStrengthJitter, settings.stroke.strengthJitter * 100.0f) * 0.01f;
    settings.stroke.scaleJitter = ValueOf(m_pScaleJitter, settings.stroke.scaleJitter * 100.0f) * 0.01f;
    settings.stroke.rotateJitter = ValueOf(m_pRotateJitter, settings.stroke.rotateJitter * 100.0f) * 0.01f;
    settings.stroke.flipRandomizeX = Checked(m_pFlipX, settings.stroke.flipRandomizeX);
    settings.stroke.flipRandomizeY = Checked(m_pFlipY, settings.stroke.flipRandomizeY);
    settings.stroke.orientToStroke = Checked(m_pOrientToStroke, settings.stroke.orientToStroke);
    PanelHost().SetBrushPanelSettings(settings);

    if (tool) {
        tool->m_bDeferredStroke = Checked(m_pStampDrag, tool->m_bDeferredStroke);
        tool->m_bStretchStamp = Checked(m_pStretchStamp, tool->m_bStretchStamp);
    }
    if (controller) {
        AlphaImage &stamp = controller->m_cStamp;
        stamp.m_fRotation = ValueOf(Find<TextSlider>("StampRotate"), stamp.m_fRotation * 180.0f / kPi) * kPi / 180.0f;
        stamp.SetFactor(ValueOf(Find<TextSlider>("StampVisibility"), stamp.GetFactor() * 100.0f) / 100.0f);
    }
    if (tool)
        SetEnabled(Find<QCheckBox>("OrientToSurface"), !tool->m_bWindowSpace);
    Refresh();
}

void BrushProperties::OnActive()
{
    Interface *controller = Controller();
    if (m_bUpdating || !controller || !m_pStampOff)
        return;
    controller->m_cStamp.m_bEnabled = !m_pStampOff->isChecked();
    Log("Stamp %s\n", controller->m_cStamp.m_bEnabled ? "activated" : "deactivated");
    Interface::Redraw();
}

void BrushProperties::OnSizeReset()
{
    if (Brush *tool = CurrentTool()) {
        tool->m_fSizeMaximum = tool->GetSize();
        Refresh();
    }
}

void BrushProperties::OnStrengthReset()
{
    if (Brush *tool = CurrentTool()) {
        tool->m_fStrengthMaximum = tool->GetStrength();
        Refresh();
    }
}

void BrushProperties::OnFlood()
{
    if (Interface *controller = Controller())
        controller->Flood(false);
}

void BrushProperties::OnFloodFromCamera()
{
    if (Interface *controller = Controller())
        controller->Flood(true);
}

void BrushProperties::ResetFalloff()
{
    Brush *tool = CurrentTool();
    auto *curve = Find<CurveEditor>("FalloffCurve");
    if (tool && curve)
        curve->SetCurve(&tool->m_falloff);
}

void BrushProperties::KeepFalloff()
{
    Brush *tool = CurrentTool();
    if (!tool)
        return;
    auto copy = std::make_unique<General::NURBSCurve>(3);
    *copy = tool->m_falloff;
    Brush::Falloffs().push_back(std::move(copy));
    RepaintTrayItems(QStringLiteral("Falloff"));
}

void BrushProperties::UpdateMirror(int index)
{
    BrushPanelSettings settings = PanelHost().GetBrushPanelSettings();
    settings.mirrorLocal = index >= 4 && index <= 6;
    if (settings.mirrorLocal)
        index -= 3;
    settings.stroke.mirrorCount = index == 0 ? 0 : index == 7 ? -1 : 1;
    settings.stroke.mirrorAxis = index == 1   ? General::Vector(1, 0, 0)
                          : index == 2 ? General::Vector(0, 1, 0)
                          : index == 3 ? General::Vector(0, 0, 1)
                                       : General::Vector(0, 0, 0);
    PanelHost().SetBrushPanelSettings(settings);
}

void BrushProperties::UpdateSelection(int index)
{
    const Brush *tool = CurrentTool();
    if (!tool || (tool->m_iType != kSelectFace && tool->m_iType != kSelectObject))
        return;
    BrushPanelSettings settings = PanelHost().GetBrushPanelSettings();
    (tool->m_iType == kSelectFace ? settings.stroke.selectionMode : settings.objectSelectionMode) = index;
    PanelHost().SetBrushPanelSettings(settings);
}

void BrushProperties::UpdateDir(int index)
{
    Brush *tool = CurrentTool();
    if (!tool)
        return;
    if (tool->m_iType != kMove)
        tool->m_iDirection = index;
    else if (index >= 0 && index < 5)
        tool->m_iDirection = kMoveDirections[index];
}

void BrushProperties::UpdateOperation(int index)
{
    static constexpr int kTypes[] = {kSoftBrush,  kHardBrush,   kSmooth,        kMove,
                                     kSelectFace, kPaintFreeze, kPaintLayerMask};
    Brush *tool = CurrentTool();
    if (tool && index >= 0 && index < 7)
        tool->m_iType = kTypes[index];
}

void BrushProperties::OnImport()
{
    Interface *controller = Controller();
    if (!controller)
        return;
    QString folder = TrayServices::Get().GetImageFolder(QStringLiteral("Stamp"));
    const QString file = ChooseImageFile(this, folder);
    if (file.isEmpty())
        return;
    controller->m_cStamp.Load(file);
    if (Brush *tool = controller->m_pCurrentTool)
        tool->m_sStampFile = file;
    TrayServices::Get().SetImageFolder(QStringLiteral("Stamp"), folder);
    Refresh();
}

void BrushProperties::SetTopology()
{
    Scene *scene = Scene::GetCurrent();
    const int count = scene ? CountTopologicalAxes(*scene) : 0;
    Log("%d topological axes found.\n", count);
    General::Shell().SetStatusMessage(count > 0 ? tr("Topological axis found.") : tr("No topological axis found."), 0);
}

void BrushProperties::MakeSymmetrical()
{
    // Never offered: reaching it is a fault of the caller.
    TV_ASSERT(false);
}

void BrushProperties::DeleteCP()
{
    if (auto *curve = Find<CurveEditor>("FalloffCurve"))
        curve->DeleteSelectedPoint();
}

void BrushProperties::SetBrushSize(float value)
{
    Brush *tool = CurrentTool();
    if (m_bUpdating || !tool)
        return;
    const float size = value / Scene::LinearUnitScale();
    const bool widened = tool->m_fSizeMaximum < size;
    if (widened)
        tool->m_fSizeMaximum = size;
    tool->SetSize(size);
    if (widened)
        Refresh();
    Controller()->UpdateBrushCursor(0);
}

void BrushProperties::SetBrushStrength(float value)
{
    Brush *tool = CurrentTool();
    if (m_bUpdating || !tool)
        return;
    const float strength = value / Scene::LinearUnitScale();
    if (tool->m_fStrengthMaximum < strength)
        tool->m_fStrengthMaximum = strength;
    tool->SetStrength(strength);
    Controller()->UpdateBrushCursor(0);
    Refresh();
}

void BrushProperties::BrushChangeStart()
{
    if (Interface *controller = Controller())
        controller->RunCommand("Change brush");
}

void BrushProperties::BrushChangeEnd()
{
    if (Interface *controller = Controller())
        controller->m_cEventHandler.DeactivateHandlers(false);
}

bool BrushProperties::eventFilter(QObject *watched, QEvent *event)
{
    const bool stampStore = watched == m_pStampStore;
    if ((stampStore || watched == m_pFalloffStore) && event->type() == QEvent::MouseButtonPress) {
        const QPoint at = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
        Interface *controller = Controller();
        PropertiesDialog *owner = GetOwner();
        if (owner && controller && stampStore && controller->m_cStamp.IsPresent()) {
            // The stamp's record: its name is the stamp file.
            General::Node record(controller->m_cStamp.GetFileName());
            owner->ShowMenu(at, QStringLiteral("Stamp"), &record, true);
        } else if (owner && !stampStore && CurrentTool()) {
            owner->ShowMenu(at, QStringLiteral("Falloff"), &CurrentTool()->m_falloff, true);
        }
        return true;
    }
    return PropertyList::eventFilter(watched, event);
}

}  // namespace GUI
