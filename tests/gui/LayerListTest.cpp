// The "Layers" window driven as a person does: editors in the rows, middle-button drags,
// the menu's commands; checked by the layers, the mesh and the undo history.
#include "GuiApplication.h"
#include "gui/common/DragRunner.h"
#include "gui/editors/FloatSlider.h"
#include "gui/editors/TextSlider.h"
#include "gui/layers/LayerCommands.h"
#include "gui/layers/LayerList.h"
#include "gui/layers/LayerListHost.h"
#include "gui/layers/QTvLayerList.h"
#include "gui/properties/ObjectInfo.h"
#include "foundation/Memory.h"
#include "foundation/OperationBuffer.h"
#include "interaction/Interface.h"
#include "interaction/undo/OperationFactory.h"
#include "mesh/ObjectFixtures.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "scene/Scene.h"
#include "support/MeshFixtures.h"
#include "support/RecordingShell.h"

#include <QApplication>
#include <QCheckBox>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

using General::Vector;
using GUI::QTvLayerList;

namespace {

// The program's mesh host as far as the layer windows go: layer changes refresh them and
// a leaving object is let go.
class WindowMeshHost : public fixtures::RecordingMeshHost {
public:
    Object *GetActiveObject() const override { return Interface::Get() ? Interface::Get()->m_pActiveObject : nullptr; }
    void RefreshLayerList() override
    {
        ++layerListRefreshes;
        GUI::LayerList::UpdateEverywhere(false);
    }
    void ForgetObject(Object *object) override
    {
        if (Interface::Get())
            Interface::Get()->ForgetObject(object);
        GUI::LayerList::ForgetObjectEverywhere(object);
    }
    bool ShowLayerWeights() const override { return layerWeights; }
};

class RecordingLayerHost : public GUI::LayerListHost {
public:
    RecordingLayerHost() { Install(this); }
    ~RecordingLayerHost() override { Install(nullptr); }
    bool ShowLayerMask() const override { return showMask; }
    void SetShowLayerMask(bool on) override { showMask = on; }
    bool showMask = false;
};

// Sends the drag's enter event at the first point, a move at every point and the drop at
// the last, to `target`.
class PathDrag : public GUI::DragRunner {
public:
    PathDrag() { Install(this); }
    ~PathDrag() override { Install(nullptr); }
    Qt::DropAction Exec(QDrag &drag, Qt::DropActions actions, Qt::DropAction) override
    {
        ++runs;
        if (!target || path.empty())
            return Qt::IgnoreAction;
        QDragEnterEvent enter(path.front(), actions, drag.mimeData(), Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        for (const QPoint &at : path) {
            QDragMoveEvent move(at, actions, drag.mimeData(), Qt::MiddleButton, Qt::NoModifier);
            QApplication::sendEvent(target, &move);
        }
        QDropEvent drop(path.back(), actions, drag.mimeData(), Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.dropAction();
    }
    QWidget *target = nullptr;
    std::vector<QPoint> path;
    int runs = 0;
};

class LayerWindow : public testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        RegisterObjectOperations();
        m_scene = std::make_unique<Scene>();
        m_scene->AddObject(fixtures::MakeGridObject(3, 3).release());
        m_object = m_scene->GetObject(0);
        m_a = Make(nullptr, "A", {1, 2}, 1.0f);
        m_b = Make(m_a, "B", {2, 5}, 3.0f);
        m_b->SetTransparency(0.5f, true, false);
        m_c = Make(m_b, "C", {5, 6}, 0.25f);
        m_object->SetActiveLayer(m_c);
        m_interface = std::make_unique<Interface>();
        m_interface->SetActiveObject(m_object);
        m_window = std::make_unique<GUI::LayerList>(nullptr, "Layers");
        m_window->resize(420, 300);
        m_window->show();
    }
    void TearDown() override
    {
        m_window.reset();
        m_interface.reset();
        m_scene.reset();
    }

    Layer3D *Make(Layer3D *after, const char *name, const std::vector<unsigned> &vertices, float height)
    {
        Layer3D *layer = m_object->CreateLayer(after, nullptr);
        layer->SetName(QString::fromLatin1(name));
        SubdivLevel *level = m_object->m_pActiveLevel;
        EXPECT_TRUE(layer->LockToLevel(level));
        LayerLevel *data = layer->GetLevel(level);
        for (unsigned v : vertices)
            data->SetOffset(v, data->FindVertex(v, true), Vector(0, 0, height));
        EXPECT_TRUE(data->Extend());
        return layer;
    }

    QTvLayerList *Tree() const { return m_window->GetTree(); }
    GUI::QTvLayerListItem *Row(const Layer3D *layer) const { return m_window->FindRow(layer); }
    template <class W>
    W *Editor(const Layer3D *layer, int column) const
    {
        return qobject_cast<W *>(Tree()->itemWidget(Row(layer), column));
    }
    // The top-level rows' names, top to bottom.
    QStringList Rows() const
    {
        QStringList names;
        for (int i = 0; i < Tree()->topLevelItemCount(); ++i)
            names << Tree()->topLevelItem(i)->text(0);
        return names;
    }
    // The layers from the bottom-most, with the parent of each.
    QStringList Layers() const
    {
        QStringList names;
        for (Layer3D *l = m_object->GetFirstLayer(); l; l = l->GetNextInTree())
            names << (l->m_pParent ? l->m_pParent->GetName() + QStringLiteral("/") : QString()) + l->GetName();
        return names;
    }
    // Every vertex position, bit for bit.
    QByteArray Positions() const
    {
        QByteArray bytes;
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
            bytes.append(reinterpret_cast<const char *>(&m_object->m_pVertices[v].m_vPosition), sizeof(Vector));
        return bytes;
    }
    // Records of the undo history, and how many of them start a user action.
    static std::pair<int, int> History()
    {
        OperationBuffer *undo = Interface::UndoStack();
        const uint64_t end = undo->Tell();
        int records = 0, actions = 0;
        char kind = 0;
        while (undo->ReadPrevious(kind)) {
            ++records;
            actions += kind == 0;
        }
        undo->Seek(end);
        return {records, actions};
    }
    static void Undo() { Interface::UndoRedo(Interface::UndoStack()); }
    static void Redo() { Interface::UndoRedo(Interface::RedoStack()); }

    // Viewport points in a row: its upper quarter, middle and lower quarter.
    QPoint Upper(const Layer3D *layer) const { return At(layer, 2); }
    QPoint Middle(const Layer3D *layer) const { return At(layer, 10); }
    QPoint Lower(const Layer3D *layer) const { return At(layer, 18); }
    QPoint At(const Layer3D *layer, int dy) const
    {
        const QRect rect = Tree()->visualItemRect(Row(layer));
        EXPECT_EQ(rect.height(), 20);
        return QPoint(Tree()->header()->sectionViewportPosition(QTvLayerList::kName) + 5, rect.top() + dy);
    }
    // Presses the middle button on the row at `from` and drags along `path`.
    void Drag(const QPoint &from, std::vector<QPoint> path)
    {
        m_drag.target = Tree()->viewport();
        m_drag.path = std::move(path);
        QTest::mousePress(Tree()->viewport(), Qt::MiddleButton, Qt::NoModifier, from);
        QTest::mouseRelease(Tree()->viewport(), Qt::MiddleButton, Qt::NoModifier, from);
    }

    fixtures::ModelFixture m_model;
    WindowMeshHost m_host;
    RecordingLayerHost m_layerHost;
    PathDrag m_drag;
    std::unique_ptr<Scene> m_scene;
    Object *m_object = nullptr;
    Layer3D *m_a = nullptr;
    Layer3D *m_b = nullptr;
    Layer3D *m_c = nullptr;
    std::unique_ptr<Interface> m_interface;
    std::unique_ptr<GUI::LayerList> m_window;
};

TEST_F(LayerWindow, ShowsTheLayersTopFirstAndTheBaseRowLast)
{
    EXPECT_EQ(Rows(), (QStringList{"C", "B", "A", m_object->General::Node::GetName()}));
    EXPECT_TRUE(Row(m_c)->isSelected());
    EXPECT_EQ(Editor<QLabel>(m_b, QTvLayerList::kLevel)->text(), QStringLiteral("0"));
    EXPECT_EQ(Editor<QLabel>(nullptr, QTvLayerList::kLevel)->text(), QStringLiteral("-"));
    EXPECT_FLOAT_EQ(Editor<GUI::TextSlider>(m_b, QTvLayerList::kTransparency)->GetValue(), 50.0f);
    EXPECT_TRUE(Editor<QToolButton>(m_a, QTvLayerList::kVisible)->isChecked());
    // Visible button, lock button, level, name, transparency.
    const QHeaderView *header = Tree()->header();
    for (int column : {2, 3, 4, 0, 1})
        EXPECT_EQ(header->visualIndex(column), std::vector<int>({3, 4, 0, 1, 2})[size_t(column)]);
    m_window->grab().save(QStringLiteral("/tmp/layer_window.png"));
}

// Each edit of a layer row is one user action of one layer operation; undo and redo give
// back every vertex bit for bit. The lock and the base row record nothing.
TEST_F(LayerWindow, EachRowEditIsOneUndoableOperation)
{
    struct Edit {
        const char *what;
        std::function<void()> run;
        std::function<bool()> done;
    };
    const std::vector<Edit> edits = {
        {"rename",
         [&] {
             QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, Middle(m_b));
             auto *edit = Editor<QLineEdit>(m_b, QTvLayerList::kName);
             ASSERT_NE(edit, nullptr);
             edit->setText(QStringLiteral("Renamed"));
             emit edit->editingFinished();
         },
         [&] { return m_b->GetName() == QLatin1String("Renamed"); }},
        {"transparency",
         [&] {
             auto *slider = Editor<GUI::TextSlider>(m_b, QTvLayerList::kTransparency);
             slider->GetEdit()->setText(QStringLiteral("75"));
             emit slider->GetEdit()->editingFinished();
         },
         [&] { return m_b->GetStrength() == 0.75f; }},
        {"visibility", [&] { QTest::mouseClick(Editor<QToolButton>(m_c, QTvLayerList::kVisible), Qt::LeftButton); },
         [&] { return !m_c->IsVisible(); }},
    };
    // Selecting B is a step of its own, before the edits are counted.
    Tree()->setCurrentItem(Row(m_b));
    ASSERT_EQ(m_object->GetActiveLayer(), m_b);
    for (const Edit &edit : edits) {
        SCOPED_TRACE(edit.what);
        const QByteArray before = Positions();
        const auto history = History();
        edit.run();
        ASSERT_TRUE(edit.done());
        EXPECT_EQ(History(), std::make_pair(history.first + 1, history.second + 1));
        const QByteArray after = Positions();
        Undo();
        EXPECT_FALSE(edit.done());
        EXPECT_EQ(Positions(), before);
        Redo();
        EXPECT_TRUE(edit.done());
        EXPECT_EQ(Positions(), after);
    }
    EXPECT_NE(Positions(), QByteArray());

    const auto history = History();
    QTest::mouseClick(Editor<QToolButton>(m_a, QTvLayerList::kLocked), Qt::LeftButton);
    EXPECT_TRUE(m_a->IsLocked());
    QTest::mouseClick(Editor<QToolButton>(nullptr, QTvLayerList::kLocked), Qt::LeftButton);
    EXPECT_TRUE(m_object->m_bLocked);
    EXPECT_EQ(History(), history);
}

// Return in the transparency field takes the value and leaves the field: the keys that
// follow (Ctrl+A, Page Down) go to the window's commands, not into the field.
TEST_F(LayerWindow, ReturnInTheTransparencyFieldHandsTheKeysBack)
{
    m_window->show();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    QLineEdit *edit = Editor<GUI::TextSlider>(m_b, QTvLayerList::kTransparency)->GetEdit();
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    edit->setText(QStringLiteral("40"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FLOAT_EQ(m_b->GetStrength(), 0.4f);
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_NE(QApplication::focusWidget(), edit);
}

// A slider drag is one user action however many steps it takes.
TEST_F(LayerWindow, ASliderDragIsOneAction)
{
    const QByteArray before = Positions();
    auto *slider = Editor<GUI::TextSlider>(m_b, QTvLayerList::kTransparency);
    const auto history = History();
    slider->GetSlider()->setSliderDown(true);
    for (float value : {40.0f, 30.0f, 20.0f, 10.0f})
        slider->setValue(value);
    slider->GetSlider()->setSliderDown(false);
    EXPECT_FLOAT_EQ(m_b->GetStrength(), 0.1f);
    EXPECT_EQ(History(), std::make_pair(history.first + 4, history.second + 1));
    Undo();
    EXPECT_EQ(m_b->GetStrength(), 0.5f);
    EXPECT_EQ(Positions(), before);
    // The next drag is an action of its own.
    slider->GetSlider()->setSliderDown(true);
    slider->setValue(60.0f);
    slider->GetSlider()->setSliderDown(false);
    EXPECT_EQ(History(), std::make_pair(history.first + 1, history.second + 1));
}

// Values that arrive while the window is shut wait; the latest one wins.
TEST_F(LayerWindow, TheLatestTransparencyWins)
{
    m_window->setEnabled(false);
    Row(m_b)->setData(QTvLayerList::kTransparency, Qt::EditRole, 30.0);
    Row(m_b)->setData(QTvLayerList::kTransparency, Qt::EditRole, 40.0);
    EXPECT_EQ(m_b->GetStrength(), 0.5f);
    m_window->setEnabled(true);
    EXPECT_FLOAT_EQ(m_b->GetStrength(), 0.4f);
    m_window->setEnabled(false);
    Row(m_b)->setData(QTvLayerList::kTransparency, Qt::EditRole, 20.0);
    m_window->setEnabled(true);
    Row(m_b)->setData(QTvLayerList::kTransparency, Qt::EditRole, 60.0);
    EXPECT_FLOAT_EQ(m_b->GetStrength(), 0.6f);
    EXPECT_EQ(Row(m_b)->GetPendingTransparency(), GUI::QTvLayerListItem::kNonePending);
}

TEST_F(LayerWindow, TheLeftButtonNeverDrags)
{
    QTest::mousePress(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, Middle(m_a));
    QTest::mouseMove(Tree()->viewport(), Middle(m_c));
    QTest::mouseRelease(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, Middle(m_c));
    EXPECT_EQ(m_drag.runs, 0);
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    // The selection follows the mouse instead.
    EXPECT_EQ(m_object->GetActiveLayer(), m_c);
}

// From the lower quarter of C into the upper quarter of B is the same border: C stays.
TEST_F(LayerWindow, ADropOnTheUpperQuarterOfTheNextRowChangesNothing)
{
    const auto history = History();
    Drag(Middle(m_c), {Lower(m_c), Lower(m_c), Upper(m_b), Upper(m_b)});
    EXPECT_EQ(m_drag.runs, 1);
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(Rows().mid(0, 3), (QStringList{"C", "B", "A"}));
    EXPECT_EQ(History(), history);
}

// The move is an undoable step: undoing it first puts the order back, so the older
// rename, which names its layer by position, still finds B.
TEST_F(LayerWindow, AReorderUndoesAndLaterUndosFindTheirLayer)
{
    Row(m_b)->setData(QTvLayerList::kName, Qt::EditRole, QStringLiteral("Renamed"));
    const QByteArray before = Positions();
    Drag(Middle(m_a), {Middle(m_a), Upper(m_c), Upper(m_c)});
    EXPECT_EQ(Layers(), (QStringList{"Renamed", "C", "A"}));
    EXPECT_EQ(Rows().mid(0, 3), (QStringList{"A", "C", "Renamed"}));
    EXPECT_EQ(Positions(), before);
    Undo();
    EXPECT_EQ(Layers(), (QStringList{"A", "Renamed", "C"}));
    EXPECT_EQ(Rows().mid(0, 3), (QStringList{"C", "Renamed", "A"}));
    Undo();
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    Redo();
    Redo();
    EXPECT_EQ(Layers(), (QStringList{"Renamed", "C", "A"}));
}

// A drop onto a row makes a sub-layer; a drop beside a top-level row takes it out again,
// and the layer's parent link follows both times.
TEST_F(LayerWindow, DropsOntoAndBesideRowsSetTheParent)
{
    Drag(Middle(m_c), {Middle(m_c), Middle(m_b), Middle(m_b)});
    EXPECT_EQ(m_c->m_pParent, m_b);
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "B/C"}));
    ASSERT_EQ(Row(m_c)->parent(), Row(m_b));
    EXPECT_TRUE(Row(m_c)->isSelected());
    Drag(Middle(m_c), {Middle(m_c), Upper(m_b), Upper(m_b)});
    EXPECT_EQ(m_c->m_pParent, nullptr);
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    // The base row takes no sub-layers.
    Drag(Middle(m_a), {Middle(m_a), Middle(nullptr), Middle(nullptr)});
    EXPECT_EQ(m_a->m_pParent, nullptr);
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    Undo();
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "B/C"}));
}

TEST_F(LayerWindow, NewLayerOnTheBaseRowGoesToTheBottomSelectedAndOneUndoRemovesIt)
{
    Tree()->setCurrentItem(Row(nullptr));
    ASSERT_EQ(m_object->GetActiveLayer(), nullptr);
    const auto history = History();
    m_window->RunMenuCommand(GUI::LayerList::kNewLayer);
    Layer3D *made = m_object->GetFirstLayer();
    ASSERT_NE(made, m_a);
    EXPECT_EQ(m_object->GetActiveLayer(), made);
    EXPECT_EQ(Rows().size(), 5);
    EXPECT_EQ(Tree()->topLevelItem(3), Row(made));
    EXPECT_TRUE(Row(made)->isSelected());
    EXPECT_EQ(History(), std::make_pair(history.first + 2, history.second + 1));
    Undo();
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(m_object->GetActiveLayer(), nullptr);
    EXPECT_TRUE(Row(nullptr)->isSelected());
}

TEST_F(LayerWindow, DeleteAndDuplicateSelectAndUndoAsOne)
{
    m_window->RunMenuCommand(GUI::LayerList::kDuplicateLayer);
    ASSERT_EQ(m_object->LayerCount(), 4);
    EXPECT_EQ(m_object->GetActiveLayer(), m_c->m_pNext);
    m_window->RunMenuCommand(GUI::LayerList::kDeleteLayer);
    EXPECT_EQ(m_object->LayerCount(), 3);
    EXPECT_EQ(m_object->GetActiveLayer(), nullptr);
    Undo();
    EXPECT_EQ(m_object->LayerCount(), 4);
    Undo();
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
}

// The hidden active layer takes the visible layers of its level and stays hidden; one undo
// gives every layer and every vertex back.
TEST_F(LayerWindow, MergeVisibleIntoAHiddenActiveLayer)
{
    m_object->SetActiveLayer(m_b);
    m_b->SetVisible(false);
    m_window->UpdateLayers(true);
    const QByteArray before = Positions();
    m_window->RunMenuCommand(GUI::LayerList::kMergeVisible);
    EXPECT_EQ(Layers(), (QStringList{"B"}));
    EXPECT_FALSE(m_b->IsVisible());
    EXPECT_EQ(m_b->GetStrength(), 1.0f);
    // Everything is in the hidden layer now: the mesh is flat.
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        EXPECT_EQ(m_object->m_pVertices[v].m_vPosition.z, 0.0f) << v;
    EXPECT_EQ(History().second, 1);
    Undo();
    EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
    EXPECT_FALSE(m_b->IsVisible());
    EXPECT_EQ(Positions(), before);
}

// A merge refused memory at any step takes the command back whole and says so.
TEST_F(LayerWindow, AFailedMergeLeavesTheLayersAsTheyWere)
{
    m_object->SetActiveLayer(m_b);
    const QByteArray before = Positions();
    const auto history = History();
    bool refused = false, merged = false;
    for (uint64_t room = 0; room < 8192 && !merged; room += 32) {
        Recorder().boxes.clear();
        General::SetMemoryLimit(General::GetCountedMemory() + room);
        merged = GUI::LayerCommands::MergeVisible(*m_object);
        General::SetMemoryLimit(~uint64_t(0));
        if (merged)
            break;
        refused = true;
        EXPECT_EQ(Layers(), (QStringList{"A", "B", "C"}));
        EXPECT_EQ(m_b->GetStrength(), 0.5f);
        EXPECT_EQ(Positions(), before);
        EXPECT_EQ(History(), history);
        EXPECT_EQ(Recorder().boxes,
                  QStringList{"Orvexa Tevrin 1.0: ERROR: Unable to complete operation due to memory shortage"});
    }
    EXPECT_TRUE(refused);
    EXPECT_TRUE(merged);
    EXPECT_EQ(Layers(), (QStringList{"B"}));
}

TEST_F(LayerWindow, FlattenWithoutLayersRecordsOnlyTheSelectNoneStep)
{
    m_window->RunMenuCommand(GUI::LayerList::kFlatten);
    EXPECT_EQ(m_object->LayerCount(), 0);
    EXPECT_EQ(Rows().size(), 1);
    const auto history = History();
    m_window->RunMenuCommand(GUI::LayerList::kFlatten);
    EXPECT_EQ(History(), std::make_pair(history.first + 1, history.second + 1));
}

TEST_F(LayerWindow, TheMenuCarriesCommandAndAxisInItsIds)
{
    std::unique_ptr<QMenu> menu(m_window->BuildMenu(nullptr));
    QStringList entries;
    const auto walk = [&](QMenu *m, const QString &prefix, auto &self) -> void {
        for (QAction *action : m->actions()) {
            if (action->menu())
                self(action->menu(), action->text() + QStringLiteral(" > "), self);
            else if (!action->isSeparator())
                entries << QStringLiteral("%1%2 %3").arg(prefix, action->text()).arg(action->data().toInt());
        }
    };
    walk(menu.get(), QString(), walk);
    EXPECT_EQ(entries, (QStringList{"New Layer 0", "Delete Layer 1", "Duplicate Layer 2", "Merge Visible 3",
                                    "Flatten 4", "Set Symmetry Target 5", "Mirror > X 6", "Mirror > Y 262", "Mirror > Z 518",
                                    "Mirror > Tangent 774", "Flip > X 7", "Flip > Y 263", "Flip > Z 519",
                                    "Flip > Tangent 775"}));
    // Without topological symmetry both commands stop with the yellow message.
    Recorder().statusMessages.clear();
    m_window->RunMenuCommand(774);
    m_window->RunMenuCommand(263);
    const QStringList refusals =
        Recorder().statusMessages.filter(QRegularExpression(QStringLiteral("^Symmetry not yet initialized\\.")));
    EXPECT_EQ(refusals.size(), 2);
    EXPECT_EQ(Recorder().statusStates.back(), 1);
}

// A press on the triangle button opens the menu at the mouse; the entry chosen runs.
TEST_F(LayerWindow, TheMenuButtonOpensTheCommands)
{
    QString shown;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction *action : menu->actions())
            shown += action->isSeparator() ? QStringLiteral("|") : action->text() + QStringLiteral(";");
        for (QAction *action : menu->actions())
            if (action->text() == QLatin1String("Duplicate Layer"))
                menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mousePress(m_window->GetMenuButton(), Qt::LeftButton);
    EXPECT_EQ(shown, QStringLiteral("New Layer;Delete Layer;Duplicate Layer;|Merge Visible;Flatten;Set Symmetry Target;|"
                                    "Mirror;Flip;"));
    EXPECT_EQ(m_object->LayerCount(), 4);
    EXPECT_EQ(m_object->GetActiveLayer(), m_c->m_pNext);
}

TEST_F(LayerWindow, ShowMaskWritesTheActiveLayersWeightsIntoTheMask)
{
    LayerLevel *data = m_c->GetLevel(m_object);
    data->GetVertexData(data->FindVertex(5, false))->m_fWeight = 0.5f;
    m_object->m_pVertices[0].m_cMask = 7;
    m_window->GetShowMask()->setChecked(true);
    EXPECT_TRUE(m_layerHost.showMask);
    EXPECT_EQ(m_object->m_pVertices[5].m_cMask, uint8_t(0.5f * 255.0f));
    EXPECT_EQ(m_object->m_pVertices[6].m_cMask, 255);
    EXPECT_EQ(m_object->m_pVertices[0].m_cMask, 255);
    EXPECT_TRUE(m_object->m_bRecreateBuffers);
}

// Locked, the window keeps its object while another becomes active, and lets go of it when
// it leaves the scene.
TEST_F(LayerWindow, ALockedWindowDropsItsObjectWhenItIsDeleted)
{
    m_scene->AddObject(fixtures::MakeGridObject(2, 2).release());
    Object *other = m_scene->GetObject(1);
    m_window->findChild<QPushButton *>(QStringLiteral("LockWindow"))->click();
    ASSERT_TRUE(m_window->IsLocked());
    m_interface->SetActiveObject(other);
    m_window->UpdateLayers(false);
    EXPECT_EQ(m_window->GetObject(), m_object);
    // The window's figures are its own object's.
    auto *info = m_window->findChild<GUI::ObjectInfo *>(QStringLiteral("objinfo"));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->GetObject(), m_object);
    EXPECT_FALSE(info->isHidden());
    Operations::DeleteObjectOperation remove({m_object});
    ASSERT_TRUE(remove.Execute());
    EXPECT_EQ(m_window->GetObject(), nullptr);
    EXPECT_EQ(info->GetObject(), nullptr);
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(m_window->IsLocked());
    EXPECT_EQ(m_window->GetObject(), other);
    ASSERT_TRUE(remove.Execute());
}

// --- layer symmetry ---------------------------------------------------------------------

class LayerSymmetry : public testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        RegisterObjectOperations();
        RegisterBrushOperations();
        m_scene = std::make_unique<Scene>();
        m_scene->AddObject(fixtures::MakeGridCube<Object>(2).release());
        m_object = m_scene->GetObject(0);
        Object &o = *m_object;
        o.m_iTotalFaceCount = o.m_iFaceCount;
        o.m_iTotalVertexCount = o.m_iVertexCount;
        ASSERT_TRUE(o.CalculateAdjacency());
        m_interface = std::make_unique<Interface>();
    }
    void TearDown() override
    {
        m_interface.reset();
        m_scene.reset();
    }
    General::Vector Centre(unsigned f) const
    {
        General::Vector s(0, 0, 0);
        for (unsigned c = 0; c < 4; ++c)
            s += m_object->CornerPosition(f, c);
        return s * 0.25f;
    }
    unsigned FaceAt(const General::Vector &p) const
    {
        for (unsigned f = 0; f < m_object->m_iFaceCount; ++f)
            if ((Centre(f) - p).Length() < 1e-4f)
                return f;
        ADD_FAILURE() << "no face";
        return 0;
    }
    void Select(unsigned face)
    {
        m_object->m_pQuads[face].m_iIndices[1] |= MeshFlags::kBit31;
        ++m_object->m_iSelectedFaces;
    }
    void InitSymmetry()
    {
        ASSERT_TRUE(m_object->InitSymmetry(FaceAt({-0.5f, 0.5f, 1.0f}), FaceAt({0.5f, 0.5f, 1.0f})));
    }

    fixtures::ModelFixture m_model;
    fixtures::RecordingMeshHost m_host;
    std::unique_ptr<Scene> m_scene;
    Object *m_object = nullptr;
    std::unique_ptr<Interface> m_interface;
};

TEST_F(LayerSymmetry, RefusalsAreStatusMessagesAndRecordNothing)
{
    struct Case {
        const char *what;
        bool symmetry;
        std::vector<General::Vector> selected;
        bool flip;
        const char *message;
        int state;
    };
    const std::vector<Case> cases = {
        {"no axis", false, {}, true,
         "Symmetry not yet initialized. Select two adjacent faces which are on opposite sides of the mesh's "
         "topological axis and use Mesh|Set Topological Axis",
         1},
        {"nothing selected", true, {}, false, "Please select faces on the source side first.", 2},
        {"both sides", true, {{-0.5f, 0.5f, 1.0f}, {0.5f, -0.5f, 1.0f}}, false,
         "Faces are selected on both sides, please refine selection.", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.symmetry)
            InitSymmetry();
        for (const General::Vector &p : c.selected)
            Select(FaceAt(p));
        Recorder().statusMessages.clear();
        Recorder().statusStates.clear();
        const uint64_t end = Interface::UndoStack()->Tell();
        if (c.flip)
            GUI::LayerCommands::Flip(m_object, 0);
        else
            GUI::LayerCommands::Mirror(m_object, 0);
        ASSERT_FALSE(Recorder().statusMessages.isEmpty());
        EXPECT_EQ(Recorder().statusMessages.last(), QString::fromUtf8(c.message));
        EXPECT_EQ(Recorder().statusStates.back(), c.state);
        EXPECT_EQ(Interface::UndoStack()->Tell(), end);
    }
}

TEST_F(LayerSymmetry, TheSelectedSideAndTheLevelUsed)
{
    InitSymmetry();
    ASSERT_TRUE(m_object->PrepareSymmetry());
    const unsigned left = FaceAt({-0.5f, 0.5f, 1.0f}), right = FaceAt({0.5f, 0.5f, 1.0f});
    EXPECT_EQ(GUI::LayerCommands::SelectedSide(*m_object), -1);
    // Bit 31 of the symmetry map says side 0.
    const int leftSide = (m_object->m_aSymmetry[left] & 0x80000000u) ? 0 : 1;
    Select(left);
    EXPECT_EQ(GUI::LayerCommands::SelectedSide(*m_object), leftSide);
    m_object->m_pQuads[left].m_iIndices[1] &= ~MeshFlags::kBit31;
    Select(right);
    EXPECT_EQ(GUI::LayerCommands::SelectedSide(*m_object), 1 - leftSide);
    EXPECT_EQ(GUI::LayerCommands::SymmetryLevel(*m_object), m_object);
    // A flip needs no selection and is one undoable action.
    const uint64_t end = Interface::UndoStack()->Tell();
    m_object->m_pVertices[0].m_vPosition.x += 0.25f;
    GUI::LayerCommands::Flip(m_object, 0);
    EXPECT_GT(Interface::UndoStack()->Tell(), end);
}

// The selected side's offsets of the active layer go, reflected, into the symmetry target
// layer on the other side; one undo takes the mesh back bit for bit.
TEST_F(LayerSymmetry, MirrorWritesIntoTheSymmetryTargetLayer)
{
    InitSymmetry();
    Layer3D *source = m_object->CreateLayer(nullptr, nullptr);
    Layer3D *target = m_object->CreateLayer(source, nullptr);
    ASSERT_TRUE(source->LockToLevel(m_object));
    ASSERT_TRUE(target->LockToLevel(m_object));
    m_object->SetActiveLayer(target);
    GUI::LayerCommands::SetSymmetryTarget(*m_object);
    EXPECT_EQ(m_object->m_pSecondLayer, target);
    m_object->SetActiveLayer(source);
    const auto vertexAt = [&](const General::Vector &p) {
        for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
            if ((m_object->m_pVertices[v].m_vPosition - p).Length() < 1e-4f)
                return v;
        ADD_FAILURE() << "no vertex";
        return 0u;
    };
    const unsigned from = vertexAt({-1, 1, 1}), to = vertexAt({1, 1, 1});
    Select(FaceAt({-0.5f, 0.5f, 1.0f}));
    LayerLevel *data = source->GetLevel(m_object);
    data->SetOffset(from, data->FindVertex(from, true), General::Vector(0.25f, 0, 0.5f));
    ASSERT_TRUE(data->Extend());
    QByteArray before;
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        before.append(reinterpret_cast<const char *>(&m_object->m_pVertices[v].m_vPosition), sizeof(General::Vector));

    Recorder().statusMessages.clear();
    GUI::LayerCommands::Mirror(m_object, 0);
    EXPECT_TRUE(Recorder().statusMessages.isEmpty()) << Recorder().statusMessages.join(QLatin1Char('|')).toStdString();
    LayerLevel *written = target->GetLevel(m_object);
    const int record = written->FindVertex(to, false);
    ASSERT_GE(record, 0);
    EXPECT_EQ(written->GetVertexData(record)->m_vOffset, General::Vector(-0.25f, 0, 0.5f));
    EXPECT_LT(source->GetLevel(m_object)->FindVertex(to, false), 0);
    EXPECT_EQ(m_object->m_pVertices[to].m_vPosition, General::Vector(0.75f, 1, 1.5f));

    Interface::UndoRedo(Interface::UndoStack());
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v) {
        General::Vector b;
        std::memcpy(&b, before.constData() + v * sizeof(General::Vector), sizeof b);
        const General::Vector &p = m_object->m_pVertices[v].m_vPosition;
        if (!(p == b))
            ADD_FAILURE() << "vertex " << v << " " << p.x << " " << p.y << " " << p.z << " was " << b.x << " " << b.y << " " << b.z;
    }
    QByteArray after;
    for (unsigned v = 0; v < m_object->m_iVertexCount; ++v)
        after.append(reinterpret_cast<const char *>(&m_object->m_pVertices[v].m_vPosition), sizeof(General::Vector));
    EXPECT_EQ(after, before);
}

// The finest level with a shown face: level 0 when the finer levels are all hidden.
TEST(LayerSymmetryLevel, IsTheFinestLevelWithAShownFace)
{
    fixtures::ModelFixture model;
    std::unique_ptr<Object> object = fixtures::MakeGridObject(2, 2, 3);
    SubdivLevel *one = object->GetLevel(1), *two = object->GetLevel(2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(GUI::LayerCommands::SymmetryLevel(*object), two);
    two->m_iHiddenFaces = two->m_iFaceCount;
    EXPECT_EQ(GUI::LayerCommands::SymmetryLevel(*object), one);
    one->m_iHiddenFaces = one->m_iFaceCount;
    EXPECT_EQ(GUI::LayerCommands::SymmetryLevel(*object), object.get());
    object->m_iHiddenFaces = object->m_iFaceCount;
    EXPECT_EQ(GUI::LayerCommands::SymmetryLevel(*object), nullptr);
}

}  // namespace
