// The "Brush" and "Stamp" pages of the Properties window: what they show for each kind of
// tool, and what their widgets write into the tool, the stamp and the stroke preferences.
#include "GuiApplication.h"
#include "InteractionFixtures.h"
#include "foundation/Node.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/common/ModalDialogs.h"
#include "gui/common/PanelServices.h"
#include "gui/common/Trays.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/CurveEditor.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/properties/BrushProperties.h"
#include "mesh/core/MeshRecords.h"
#include "scene/Brush.h"
#include "scene/SceneServices.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class UnitScene : public SceneServices {
public:
    UnitScene() { Install(this); }
    ~UnitScene() override { Install(nullptr); }
    int GetLinearUnit() const override { return unit; }
    int unit = 1;
};

// Answers the image chooser and the pop-up menus.
class BrushModals : public GUI::ModalDialogs {
public:
    BrushModals() { Install(this); }
    ~BrushModals() override { Install(nullptr); }
    QString GetOpenFileName(QWidget *, const QString &caption, const QString &start, const QString &filter) override
    {
        captions << caption;
        starts << start;
        filters << filter;
        return file;
    }
    QAction *ExecMenu(QMenu &, const QPoint &) override
    {
        ++menus;
        return nullptr;
    }
    QString file;
    QStringList captions, starts, filters;
    int menus = 0;
};

class RecordingTrays : public GUI::TrayServices {
public:
    RecordingTrays() { Install(this); }
    ~RecordingTrays() override { Install(nullptr); }
    void CheckTrayItemByName(const QString &type, const QString &item) override { checked << type + ":" + item; }
    QString GetImageFolder(const QString &kind) const override { return folders.value(kind); }
    void SetImageFolder(const QString &kind, const QString &folder) override { folders[kind] = folder; }
    QStringList checked;
    QMap<QString, QString> folders;
};

class BrushPanel : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        guitest::Application();
        GUI::PanelServices::Install(&m_settings);
        // The default falloffs and tools.
        Brush::Tools().clear();
        CreateDefaultFalloffs();
        m_window = std::make_unique<GUI::PropertiesDialog>(nullptr, "props", true);
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        Brush::Tools().clear();
        GUI::PanelServices::Install(nullptr);
        InteractionTest::TearDown();
    }

    Brush *Tool(const char *name) { return Brush::Find(QLatin1String(name)); }
    // Makes the tool current and opens (or refreshes) the Brush page.
    GUI::BrushProperties *Show(Brush *tool)
    {
        if (tool)
            m_interface->ApplyTrayItem(tool, false);
        m_window->ShowNode(QStringLiteral("Brush"), nullptr);
        // A person opens the folded groups before using them.
        if (GUI::BrushProperties *panel = Panel())
            for (GUI::CollapsableFrame *group : panel->findChildren<GUI::CollapsableFrame *>())
                if (group->IsFoldable() && !group->IsOpen())
                    group->Toggle();
        return Panel();
    }
    GUI::BrushProperties *Panel() const { return dynamic_cast<GUI::BrushProperties *>(m_window->GetPanel()); }
    template <class W>
    W *Child(const char *name) const
    {
        W *found = Panel()->findChild<W *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Types into a slider's field and presses Return, as a person does.
    void Type(const char *slider, const QString &text)
    {
        QLineEdit *edit = Child<GUI::TextSlider>(slider)->GetEdit();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // Drags a slider's handle to the position of `value`.
    void Drag(const char *slider, float value)
    {
        GUI::FloatSlider *handle = Child<GUI::TextSlider>(slider)->GetSlider();
        handle->setSliderDown(true);
        handle->setSliderPosition(handle->ToPosition(value));
        handle->setSliderDown(false);
    }
    // Picks the combo entry of that text from its open list with the mouse.
    void Choose(const char *combo, const QString &text)
    {
        auto *box = Child<QComboBox>(combo);
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << qPrintable(text);
        box->showPopup();
        QAbstractItemView *view = box->view();
        const QRect cell = view->visualRect(view->model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        ASSERT_EQ(box->currentIndex(), index);
    }
    void Click(const char *box) { QTest::mouseClick(Child<QCheckBox>(box), Qt::LeftButton, {}, QPoint(5, 5)); }
    QString WriteStamp(const QString &name, int side)
    {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(QColor(200, 200, 200));
        const QString path = m_temp.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    UnitScene m_units;
    GUI::PanelServices m_settings;
    RecordingTrays m_trays;
    BrushModals m_modals;
    std::unique_ptr<GUI::PropertiesDialog> m_window;
};

// One line per tool: which groups show and which widgets are shown or enabled.
QString Summary(const GUI::BrushProperties &panel)
{
    const auto shown = [&panel](const char *name) {
        QWidget *widget = panel.findChild<QWidget *>(QLatin1String(name));
        return widget && !widget->isHidden() ? 1 : 0;
    };
    const auto enabled = [&panel](const char *name) {
        QWidget *widget = panel.findChild<QWidget *>(QLatin1String(name));
        return widget && widget->isEnabled() ? 1 : 0;
    };
    QString groups;
    for (const char *group : {"Falloff", "Stamp", "Stroke", "Pen Pressure", "Advanced"})
        if (shown(group))
            groups += QLatin1Char(group[0]);
    const auto *direction = panel.findChild<QComboBox *>(QStringLiteral("Direction"));
    return QStringLiteral("%1 strength%2 invert%3 select%4 dir%5:%6 size%7 flood%8 stamp%9 plane%10 through%11 "
                          "layers%12 overlap%13 buildup%14 smooth%15 min%16")
        .arg(groups.isEmpty() ? QStringLiteral("-") : groups)
        .arg(shown("Strength"))
        .arg(shown("InvertFunction"))
        .arg(shown("SelectionMode"))
        .arg(shown("Direction") && enabled("Direction") ? direction->count() : 0)
        .arg(direction->currentIndex())
        .arg(enabled("Size"))
        .arg(enabled("Flood"))
        .arg(enabled("ImportButton"))
        .arg(enabled("UpdatePlane") * 10 + enabled("WholeStroke"))
        .arg(enabled("ProjectThrough"))
        .arg(enabled("AffectAllLayers"))
        .arg(shown("PreventOverlap") * 10 + enabled("PreventOverlap"))
        .arg(shown("BuildupRate") * 10 + enabled("BuildupRate"))
        .arg(shown("SmoothValues"))
        .arg(enabled("MinSize"));
}

TEST_F(BrushPanel, ShowsAndEnablesWhatEachKindOfToolUses)
{
    struct Row {
        const char *name;
        int type;
        const char *group;
        int direction;
        bool stampCapable;
        const char *expected;
    };
    // Groups by initial: Falloff, Stamp, Stroke, Pen Pressure, Advanced.
    const Row rows[] = {
        {"Soft", 1, "sculpting", 1, true,
         "FSSPA strength1 invert1 select0 dir9:1 size1 flood1 stamp1 plane0 through1 layers0 overlap11 buildup11 "
         "smooth0 min1"},
        {"Move", 3, "deform", 11, false,
         "FA strength1 invert0 select0 dir5:3 size1 flood0 stamp0 plane0 through1 layers0 overlap0 buildup0 smooth0 "
         "min0"},
        {"Smooth", 4, "sculpting", 1, false,
         "FSSPA strength1 invert1 select0 dir0:1 size1 flood1 stamp0 plane0 through1 layers1 overlap10 buildup10 "
         "smooth0 min1"},
        {"Objects", 5, "selection", 1, false,
         "A strength0 invert1 select1 dir0:1 size0 flood1 stamp0 plane0 through1 layers0 overlap0 buildup0 smooth0 "
         "min0"},
        {"Faces", 6, "selection", 1, false,
         "A strength0 invert1 select1 dir0:1 size1 flood1 stamp0 plane0 through1 layers0 overlap0 buildup0 smooth0 "
         "min0"},
        {"Flatten", 18, "sculpting", 2, false,
         "FSSPA strength1 invert1 select0 dir9:2 size1 flood1 stamp0 plane11 through0 layers0 overlap10 buildup10 "
         "smooth0 min1"},
        {"Pinch", 2, "deform", 1, false,
         "FA strength1 invert0 select0 dir0:1 size1 flood1 stamp0 plane0 through1 layers0 overlap0 buildup0 smooth0 "
         "min1"},
        {"Mask", 13, "propPaint", 1, true,
         "FSSPA strength1 invert1 select0 dir0:1 size1 flood1 stamp1 plane0 through1 layers0 overlap0 buildup0 "
         "smooth1 min1"},
        {"Translate", 22, "transform", 1, false,
         "- strength1 invert1 select0 dir0:1 size1 flood1 stamp0 plane0 through1 layers0 overlap0 buildup0 smooth0 "
         "min1"},
        // Back from a transform tool, the page shows again.
        {"Soft B", 1, "sculpting", 1, true,
         "FSSPA strength1 invert1 select0 dir9:1 size1 flood1 stamp1 plane0 through1 layers0 overlap11 buildup11 "
         "smooth0 min1"},
    };
    Brush::Tools().clear();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Brush *tool = AddTool(0, QLatin1String(row.name), QString(), row.type, QLatin1String(row.group),
                              row.direction, 25, 15, row.stampCapable, true, false, false);
        ASSERT_NE(tool, nullptr);
        GUI::BrushProperties *panel = Show(tool);
        ASSERT_NE(panel, nullptr);
        EXPECT_EQ(Summary(*panel).toStdString(), row.expected);
        EXPECT_EQ(m_window->GetShownName(), QLatin1String(row.name));
    }
}

TEST_F(BrushPanel, WithoutAToolShowsAnEmptyPageAndWritesNoTool)
{
    GUI::BrushProperties *panel = Show(nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(m_interface->m_pCurrentTool, nullptr);
    EXPECT_EQ(m_window->GetShownName(), QString());
    EXPECT_FALSE(Child<QWidget>("Size")->isEnabled());
    EXPECT_FALSE(Child<QWidget>("Falloff")->isEnabled());
    // The stroke preferences still apply: they belong to no tool.
    Type("PositionJitter", QStringLiteral("30"));
    EXPECT_FLOAT_EQ(m_settings.GetBrushPanelSettings().stroke.positionJitter, 0.3f);
    Click("CurvedStroke");
    panel->SetBrushSize(10.0f);
    panel->Update();

    Show(Tool("Soft"));
    EXPECT_TRUE(Child<QWidget>("Size")->isEnabled());
    EXPECT_TRUE(Child<QWidget>("Falloff")->isEnabled());
    EXPECT_EQ(Child<GUI::CurveEditor>("FalloffCurve")->GetCurve(), &Tool("Soft")->m_falloff);

    // The tool goes: the graph keeps no pointer into it.
    m_interface->m_pCurrentTool = nullptr;
    m_window->GetPanel()->Refresh();
    EXPECT_EQ(Child<GUI::CurveEditor>("FalloffCurve")->GetCurve(), nullptr);
}

// A tray falloff replaces the points of the tool's own curve: the graph follows at the next
// refresh, its handles included.
TEST_F(BrushPanel, TheGraphFollowsAFalloffCopiedIntoTheSameCurve)
{
    Brush *soft = Tool("Soft");
    Show(soft);
    auto *graph = Child<GUI::CurveEditor>("FalloffCurve");
    ASSERT_EQ(graph->GetCurve(), &soft->m_falloff);
    General::NURBSCurve picked(3);
    for (General::Vector p : {General::Vector(0.0f, 1.0f, 0.0f), General::Vector(0.2f, 0.2f, 0.0f),
                              General::Vector(0.5f, 0.8f, 0.0f), General::Vector(0.8f, 0.1f, 0.0f),
                              General::Vector(1.0f, 0.0f, 0.0f)})
        picked.InsertControlPoint(p, -1);
    soft->m_falloff = picked;
    m_window->GetPanel()->Refresh();
    ASSERT_EQ(int(graph->GetHandles().size()), 5);
    for (const GUI::CPBox *handle : graph->GetHandles()) {
        const General::Vector point = soft->m_falloff.GetControlPoint(handle->m_iIndex);
        const QPoint expected = graph->PointToPixel(point.x, point.y);
        EXPECT_LE((handle->geometry().center() - expected).manhattanLength(), 3) << handle->m_iIndex;
    }
}

TEST_F(BrushPanel, SizeAndStrengthAreShownInTheUsersLengthUnit)
{
    Brush *soft = Tool("Soft");
    soft->m_bSharedSize = false;
    soft->SetSize(2.5f);
    m_units.unit = 0;  // millimetres: 10 to the centimetre
    Show(soft);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Size")->GetValue(), 25.0f);
    EXPECT_EQ(Child<GUI::TextSlider>("Size")->GetEdit()->text(), QStringLiteral("25.000"));
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Size")->GetSlider()->GetMaximum(), 1000.0f);

    Drag("Size", 40.0f);
    EXPECT_FLOAT_EQ(soft->GetSize(), 4.0f);
    Type("Size", QStringLiteral("40"));
    EXPECT_FLOAT_EQ(soft->GetSize(), 4.0f);
    Type("Strength", QStringLiteral("50"));
    EXPECT_FLOAT_EQ(soft->GetStrength(), 5.0f);

    // Beyond the range: the tool's range widens to the typed size.
    Type("Size", QStringLiteral("2000"));
    EXPECT_FLOAT_EQ(soft->GetSize(), 200.0f);
    EXPECT_FLOAT_EQ(soft->m_fSizeMaximum, 200.0f);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Size")->GetSlider()->GetMaximum(), 2000.0f);
    Type("Strength", QStringLiteral("1500"));
    EXPECT_FLOAT_EQ(soft->m_fStrengthMaximum, 150.0f);

    // A double click makes the current size the top of the range.
    soft->SetSize(3.0f);
    Panel()->OnSizeReset();
    EXPECT_FLOAT_EQ(soft->m_fSizeMaximum, 3.0f);
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("Size")->GetSlider()->GetMaximum(), 30.0f);
}

TEST_F(BrushPanel, MoveDirectionsMapToTheirOwnListAndBack)
{
    Brush *move = Tool("Move");
    Show(move);
    auto *direction = Child<QComboBox>("Direction");
    ASSERT_EQ(direction->count(), 5);
    EXPECT_EQ(direction->currentIndex(), 0);  // "Screen", direction 9
    Choose("Direction", QStringLiteral("XZ"));
    EXPECT_EQ(move->m_iDirection, 11);
    Panel()->Refresh();
    EXPECT_EQ(Child<QComboBox>("Direction")->currentIndex(), 3);
    // A direction the move list lacks shows no entry.
    move->m_iDirection = 5;
    Panel()->Refresh();
    EXPECT_EQ(Child<QComboBox>("Direction")->currentIndex(), -1);

    Brush *soft = Tool("Soft");
    Show(soft);
    EXPECT_EQ(Child<QComboBox>("Direction")->count(), 9);
    Choose("Direction", QStringLiteral("Y"));
    EXPECT_EQ(soft->m_iDirection, 6);
}

TEST_F(BrushPanel, MirrorChoicesSetModeAxisAndLocalFlag)
{
    Show(Tool("Soft"));
    struct Case {
        const char *entry;
        int mode;
        General::Vector axis;
        bool local;
    };
    for (const Case &c : {Case{"Local Y", 1, {0, 1, 0}, true}, Case{"X", 1, {1, 0, 0}, false},
                          Case{"Tangent", -1, {0, 0, 0}, false}, Case{"Local Z", 1, {0, 0, 1}, true},
                          Case{"Off", 0, {0, 0, 0}, false}}) {
        SCOPED_TRACE(c.entry);
        Choose("Mirror", QLatin1String(c.entry));
        const GUI::BrushPanelSettings settings = m_settings.GetBrushPanelSettings();
        EXPECT_EQ(settings.stroke.mirrorCount, c.mode);
        EXPECT_EQ(settings.stroke.mirrorAxis.x, c.axis.x);
        EXPECT_EQ(settings.stroke.mirrorAxis.y, c.axis.y);
        EXPECT_EQ(settings.stroke.mirrorAxis.z, c.axis.z);
        EXPECT_EQ(settings.mirrorLocal, c.local);
        // A refresh reads the same entry back.
        Child<QComboBox>("Mirror")->setCurrentIndex(0);
        Panel()->Refresh();
        EXPECT_EQ(Child<QComboBox>("Mirror")->currentText(), QLatin1String(c.entry));
    }
}

TEST_F(BrushPanel, StrokeAndStampSlidersConvertTheirValues)
{
    Show(Tool("Soft"));
    // Stroke Quality applies to curved strokes, Visibility to stamp drags.
    Click("CurvedStroke");
    Click("StampDrag");
    Type("StrokeQuality", QStringLiteral("100"));
    EXPECT_FLOAT_EQ(m_interface->m_fStrokeSpacing, 0.005f);
    Type("StrokeQuality", QStringLiteral("0"));
    EXPECT_FLOAT_EQ(m_interface->m_fStrokeSpacing, 0.505f);
    m_interface->m_fStrokeSpacing = 0.005f;
    Panel()->Refresh();
    EXPECT_FLOAT_EQ(Child<GUI::TextSlider>("StrokeQuality")->GetValue(), 100.0f);

    Type("StampVisibility", QStringLiteral("50"));
    EXPECT_FLOAT_EQ(m_interface->m_cStamp.GetFactor(), 0.5f);
    Type("StampRotate", QStringLiteral("180"));
    EXPECT_NEAR(m_interface->m_cStamp.m_fRotation, 3.1415f, 1e-6f);

    Type("ScaleJitter", QStringLiteral("25"));
    Click("FlipRandomizeY");
    Type("BuildupRate", QStringLiteral("12"));
    const GUI::BrushPanelSettings settings = m_settings.GetBrushPanelSettings();
    EXPECT_FLOAT_EQ(settings.stroke.scaleJitter, 0.25f);
    EXPECT_TRUE(settings.stroke.flipRandomizeY);
    EXPECT_EQ(settings.buildupRate, 12);
}

TEST_F(BrushPanel, BoxesWriteTheToolAndEnableWhatDependsOnThem)
{
    Brush *soft = Tool("Soft");
    Show(soft);
    EXPECT_FALSE(Child<QWidget>("RadiusPercentage")->isEnabled());
    Click("PreventOverlap");
    EXPECT_TRUE(soft->m_bSpacedDab);
    EXPECT_TRUE(Child<QWidget>("RadiusPercentage")->isEnabled());
    EXPECT_FALSE(Child<QWidget>("StretchStamp")->isEnabled());
    Click("StampDrag");
    EXPECT_TRUE(soft->m_bDeferredStroke);
    EXPECT_TRUE(Child<QWidget>("StretchStamp")->isEnabled());
    Click("RememberSize");
    EXPECT_FALSE(soft->m_bSharedSize);
    Click("InvertFunction");
    EXPECT_TRUE(soft->m_bInvert);
    Type("MinSize", QStringLiteral("60"));
    EXPECT_EQ(soft->m_iMinSizePercent, 60);
}

// A tool other than flatten never takes the plane settings, whatever the widgets hold.
TEST_F(BrushPanel, PlaneSettingsAreWrittenOnlyForTheFlattenTool)
{
    Brush *flatten = Tool("Flatten");
    Show(flatten);
    Click("WholeStroke");
    EXPECT_TRUE(flatten->m_bSurface);
    Click("UpdatePlane");
    EXPECT_FALSE(flatten->m_bPlaneUpdate);

    // The boxes keep the flatten tool's values while the soft tool is shown.
    Brush *soft = Tool("Soft");
    Show(soft);
    EXPECT_TRUE(Child<QCheckBox>("WholeStroke")->isChecked());
    Click("CurvedStroke");
    EXPECT_TRUE(soft->m_bSmoothStroke);
    EXPECT_FALSE(soft->m_bSurface);
    EXPECT_TRUE(soft->m_bPlaneUpdate);
}

TEST_F(BrushPanel, StampPreviewIsReadOnlyWhenTheStampChanges)
{
    const QString path = WriteStamp(QStringLiteral("dots.png"), 16);
    Show(Tool("Soft"));
    ASSERT_TRUE(m_interface->SetStamp(path));
    GUI::BrushProperties *panel = Panel();
    panel->Refresh();
    auto *image = Child<QLabel>("Image");
    EXPECT_EQ(image->pixmap().size(), QSize(130, 130));
    EXPECT_EQ(Child<QLineEdit>("ImageName")->text(), QStringLiteral("dots"));
    EXPECT_TRUE(Child<QWidget>("Off")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>("Off")->isChecked());
    const int reads = panel->GetPreviewReads();
    const qint64 key = image->pixmap().cacheKey();

    // Dragging sliders refreshes the panel many times; the file is gone and never read.
    ASSERT_TRUE(QFile::remove(path));
    for (float strength : {10.0f, 20.0f, 30.0f})
        Drag("Strength", strength);
    Type("StampVisibility", QStringLiteral("40"));
    EXPECT_EQ(panel->GetPreviewReads(), reads);
    EXPECT_EQ(image->pixmap().cacheKey(), key);

    // A new stamp makes a new picture.
    const QString other = WriteStamp(QStringLiteral("grid.png"), 8);
    m_modals.file = other;
    m_trays.folders[QStringLiteral("Stamp")] = QStringLiteral("/start");
    QTest::mouseClick(Child<QPushButton>("ImportButton"), Qt::LeftButton);
    EXPECT_EQ(m_modals.starts, QStringList{QStringLiteral("/start")});
    EXPECT_EQ(m_interface->m_pCurrentTool->m_sStampFile, other);
    EXPECT_EQ(m_trays.folders[QStringLiteral("Stamp")], m_temp.path());
    EXPECT_EQ(panel->GetPreviewReads(), reads + 1);
    EXPECT_NE(image->pixmap().cacheKey(), key);
    EXPECT_EQ(Child<QLineEdit>("ImageName")->text(), QStringLiteral("grid"));

    // "Off" switches the stamp off.
    Click("Off");
    EXPECT_FALSE(m_interface->m_cStamp.m_bEnabled);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("Stamp deactivated")));

    // A cancelled chooser changes nothing.
    m_modals.file.clear();
    QTest::mouseClick(Child<QPushButton>("ImportButton"), Qt::LeftButton);
    EXPECT_EQ(m_interface->m_pCurrentTool->m_sStampFile, other);
}

TEST_F(BrushPanel, StoreToWithoutAStampOpensNothingButTakesThePress)
{
    Show(Tool("Soft"));
    m_interface->m_cStamp.Release();
    Panel()->Refresh();
    EXPECT_FALSE(Child<QWidget>("Off")->isEnabled());
    auto *store = Child<QPushButton>("StampStore");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), store->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(Panel()->eventFilter(store, &press));
    EXPECT_EQ(m_modals.menus, 0);
    // The falloff's menu opens for the current tool, the stamp's once there is a stamp.
    EXPECT_TRUE(Panel()->eventFilter(Child<QPushButton>("FalloffStore"), &press));
    EXPECT_EQ(m_modals.menus, 1);
    ASSERT_TRUE(m_interface->SetStamp(WriteStamp(QStringLiteral("kept.png"), 4)));
    EXPECT_TRUE(Panel()->eventFilter(store, &press));
    EXPECT_EQ(m_modals.menus, 2);
}

TEST_F(BrushPanel, AdoptingABrushNodeMakesThatToolCurrent)
{
    m_interface->ApplyTrayItem(Tool("Soft"), false);
    General::Node smooth(QStringLiteral("Smooth"));
    m_window->BuildPanel(QStringLiteral("Brush"), &smooth);
    ASSERT_NE(Panel(), nullptr);
    EXPECT_EQ(m_interface->m_pCurrentTool, Tool("Smooth"));
    EXPECT_TRUE(m_trays.checked.contains(QStringLiteral("Tool:Smooth")));
    EXPECT_EQ(m_window->GetShownName(), QStringLiteral("Smooth"));

    // A page of the tool already current selects nothing again.
    m_window->ReleaseNode();
    m_trays.checked.clear();
    m_window->BuildPanel(QStringLiteral("Brush"), &smooth);
    EXPECT_TRUE(m_trays.checked.isEmpty());
    m_window->ReleaseNode();
}

TEST_F(BrushPanel, AdoptingAStampNodeLoadsThatStampOnce)
{
    m_interface->ApplyTrayItem(Tool("Soft"), false);
    const QString path = WriteStamp(QStringLiteral("spots.png"), 8);
    General::Node stamp(path);
    m_window->BuildPanel(QStringLiteral("Stamp"), &stamp);
    ASSERT_NE(Panel(), nullptr);
    EXPECT_EQ(m_interface->m_cStamp.GetFileName(), path);
    EXPECT_TRUE(m_interface->m_cStamp.m_bEnabled);
    EXPECT_EQ(Tool("Soft")->m_sStampFile, path);
    EXPECT_TRUE(m_trays.checked.contains(QStringLiteral("Stamp:") + path));

    // The same path again: no reload, the active flag stays as the user left it.
    m_interface->m_cStamp.m_bEnabled = false;
    const unsigned serial = m_interface->m_cStamp.GetPixelSerial();
    m_window->ReleaseNode();
    m_window->BuildPanel(QStringLiteral("Stamp"), &stamp);
    EXPECT_EQ(m_interface->m_cStamp.GetPixelSerial(), serial);
    EXPECT_FALSE(m_interface->m_cStamp.m_bEnabled);
    m_window->ReleaseNode();
}

TEST_F(BrushPanel, GroupsAndNamesAreLaidOutOnce)
{
    GUI::BrushProperties *panel = Show(Tool("Soft"));
    const QList<GUI::CollapsableFrame *> groups =
        panel->findChildren<GUI::CollapsableFrame *>(Qt::FindDirectChildrenOnly);
    QStringList titles;
    for (GUI::CollapsableFrame *group : groups)
        titles << group->objectName();
    EXPECT_EQ(titles, (QStringList{QString(), QStringLiteral("Falloff"), QStringLiteral("Stamp"),
                                   QStringLiteral("Stroke"), QStringLiteral("Pen Pressure"),
                                   QStringLiteral("Advanced")}));
    EXPECT_FALSE(groups[0]->IsFoldable());
    EXPECT_TRUE(groups[0]->GetTitleRow()->isHidden());
    for (int i = 1; i < groups.size(); ++i)
        EXPECT_TRUE(groups[i]->IsFoldable());
    // Every named widget is there once.
    QStringList seen;
    for (QObject *child : panel->findChildren<QObject *>())
        // The frames' own title rows and the curve editor's point handles repeat by design.
        if (!child->objectName().isEmpty() && child->isWidgetType() &&
            !QStringList{QStringLiteral("hbox"), QStringLiteral("button"), QStringLiteral("cp")}.contains(
                child->objectName()))
            seen << child->objectName();
    for (const QString &name : seen)
        EXPECT_EQ(seen.count(name), 1) << qPrintable(name);
    EXPECT_EQ(panel->findChild<QLabel *>(QStringLiteral("Size_label"))->minimumWidth(),
              GUI::CollapsableFrame::kLabelWidth);

    EXPECT_TRUE(panel->grab().save(QStringLiteral("/tmp/brush_panel.png")));
}

TEST_F(BrushPanel, FloodButtonsAndTheUnconnectedSlotsActOnTheCurrentTool)
{
    Brush *soft = Tool("Soft");
    GUI::BrushProperties *panel = Show(soft);
    QTest::mouseClick(Child<QPushButton>("Flood"), Qt::LeftButton);
    EXPECT_TRUE(Recorder().statusMessages.contains(QStringLiteral("flooding...")));

    const size_t falloffs = Brush::Falloffs().size();
    panel->KeepFalloff();
    ASSERT_EQ(Brush::Falloffs().size(), falloffs + 1);
    EXPECT_EQ(Brush::Falloffs().back()->GetControlPointCount(), soft->m_falloff.GetControlPointCount());
    Brush::Falloffs().resize(falloffs);

    auto *curve = Child<GUI::CurveEditor>("FalloffCurve");
    General::NURBSCurve other(3);
    curve->SetCurve(&other);
    panel->ResetFalloff();
    EXPECT_EQ(curve->GetCurve(), &soft->m_falloff);

    panel->UpdateOperation(1);
    EXPECT_EQ(soft->m_iType, 7);
    panel->UpdateOperation(7);  // past the list: nothing
    EXPECT_EQ(soft->m_iType, 7);

    Recorder().ExpectAssertionFailures();
    const int failures = Recorder().AssertionFailures();
    panel->MakeSymmetrical();
    EXPECT_EQ(Recorder().AssertionFailures(), failures + 1);
}

TEST_F(BrushPanel, SetTopologyCountsTheAxesOfObjectsWithTwoSelectedFaces)
{
    GUI::BrushProperties *panel = Show(Tool("Soft"));
    panel->SetTopology();
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("0 topological axes found.")));
    ASSERT_FALSE(Recorder().statusMessages.isEmpty());
    EXPECT_EQ(Recorder().statusMessages.last(), QStringLiteral("No topological axis found."));
}

}  // namespace
