// The "Node View" window: boxes per node, the connection curves between them, the class
// menus and the creator, and boxes whose node dies.
#include "GuiApplication.h"
#include "foundation/Globals.h"
#include "foundation/attributes/AttributeEditor.h"
#include "foundation/Node.h"
#include "foundation/TypeInfo.h"
#include "foundation/attributes/AttributeInstance.h"
#include "gui/attributes/AttributeEditors.h"
#include "gui/nodes/ClassMenu.h"
#include "gui/nodes/NodeLinks.h"
#include "gui/nodes/NodeTable.h"
#include "gui/nodes/NodeTableDialog.h"
#include "support/RecordingShell.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPainterPath>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class Gadget : public General::Node {
public:
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    using General::Node::Node;
    General::AttributeInstance<float> level{QStringLiteral("Level")};
    General::AttributeInstance<bool> on{QStringLiteral("On")};
};

General::TypeInfo Gadget::s_typeInfo{&General::Node::s_typeInfo, "Gadget", &General::CreateNodes<Gadget>};

class NodeGraph : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        GUI::InstallAttributeEditors();
        General::TypeInfo::Register(Gadget::s_typeInfo);
    }
    void TearDown() override
    {
        General::TypeInfo::Unregister(Gadget::s_typeInfo);
        General::PickedNode().SetValue(nullptr, true);
        General::InstallEditorFactory(nullptr);
    }
    static void DeleteLater() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(NodeGraph, ANodeShownTwiceHasOneBox)
{
    GUI::NodeTableDialog dialog(nullptr, "Node View");
    Gadget gadget(QStringLiteral("g"));
    GUI::NodeTable *table = dialog.GetTable();
    EXPECT_TRUE(table->AddNode(&gadget));
    EXPECT_FALSE(table->AddNode(&gadget));
    EXPECT_FALSE(table->AddNode(nullptr));
    ASSERT_EQ(table->GetViews().size(), 1u);
    EXPECT_EQ(table->GetViews()[0]->pos(), QPoint(100, 100));
    EXPECT_EQ(table->GetViews()[0]->GetTitle()->text(), QStringLiteral("g"));
    EXPECT_EQ(table->size(), QSize(1000, 1000));
}

TEST_F(NodeGraph, LinksLeaveAndEnterOnTheFacingSides)
{
    const QRect left(0, 0, 100, 50), right(200, 0, 100, 50);
    const auto points = [](const QPainterPath &path) {
        QList<QPoint> list;
        for (int i = 0; i < path.elementCount(); ++i)
            list << QPointF(path.elementAt(i)).toPoint();
        return list;
    };
    // Source left of the target: out of its right edge, into the target's left edge,
    // the arrow head pointing right.
    const int h = (QPoint(200, 30) - QPoint(99, 10)).manhattanLength() / 2;
    EXPECT_EQ(points(GUI::LinkPath(left, 10, right, 30)),
              QList<QPoint>({{99, 10}, {99 + h, 10}, {200 - h, 30}, {200, 30}, {197, 33}, {197, 27}, {200, 30}}));
    // Source right of the target: out of its left edge, into the target's right edge.
    const int g = (QPoint(99, 30) - QPoint(200, 10)).manhattanLength() / 2;
    EXPECT_EQ(points(GUI::LinkPath(right, 10, left, 30)),
              QList<QPoint>({{200, 10}, {200 - g, 10}, {99 + g, 30}, {99, 30}, {102, 33}, {102, 27}, {99, 30}}));
    // Boxes closer than 20 pixels: both on their right edges.
    const QRect near(110, 100, 100, 50);
    const QList<QPoint> close = points(GUI::LinkPath(left, 10, near, 120));
    EXPECT_EQ(close.first(), QPoint(99, 10));
    EXPECT_EQ(close[3], QPoint(209, 120));
    EXPECT_EQ(close[4], QPoint(212, 123));

    const struct {
        int type;
        bool drawn;
        QColor colour;
    } colours[] = {{1, true, Qt::blue},     {2, true, Qt::red},     {3, true, Qt::black}, {4, true, Qt::magenta},
                   {5, true, Qt::white},    {6, true, Qt::yellow},  {7, false, QColor()}, {0, false, QColor()}};
    for (const auto &c : colours) {
        QColor colour;
        EXPECT_EQ(GUI::LinkColor(c.type, colour), c.drawn) << c.type;
        if (c.drawn)
            EXPECT_EQ(colour, c.colour) << c.type;
    }
}

TEST_F(NodeGraph, AConnectionBetweenShownNodesIsDrawnInItsColour)
{
    GUI::NodeTableDialog dialog(nullptr, "Node View");
    dialog.resize(700, 400);
    dialog.show();
    Gadget source(QStringLiteral("source")), target(QStringLiteral("target"));
    source.level.Connect(&target.level);
    GUI::NodeTable *table = dialog.GetTable();
    table->AddNode(&source);
    GUI::NodeView *view = table->AddNode(&target);
    view->move(400, 250);
    QImage picture = table->grab().toImage();
    // A float connection is red; nothing else on the canvas is.
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            red += pixel.red() - pixel.green() > 80 ? 1 : 0;
        }
    EXPECT_GT(red, 60);
    // Once the connection is gone, so is its curve.
    target.level.Disconnect();
    picture = table->grab().toImage();
    int left = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            left += pixel.red() - pixel.green() > 80 ? 1 : 0;
        }
    EXPECT_EQ(left, 0);
}

TEST_F(NodeGraph, ABoxWhoseNodeDiesGoesAndItsTitlePressIsForgotten)
{
    GUI::NodeTableDialog dialog(nullptr, "Node View");
    dialog.resize(600, 400);
    dialog.show();
    auto gadget = std::make_unique<Gadget>(QStringLiteral("doomed"));
    Gadget other(QStringLiteral("other"));
    gadget->level.Connect(&other.level);
    GUI::NodeTable *table = dialog.GetTable();
    GUI::NodeView *view = table->AddNode(gadget.get());
    table->AddNode(&other)->move(400, 100);
    // A press on the title starts a drag and picks the node.
    QTest::mousePress(view, Qt::LeftButton, {}, view->GetTitle()->mapTo(view, QPoint(2, 2)));
    EXPECT_EQ(table->GetDragged(), view);
    EXPECT_EQ(General::PickedNode().GetPointer(), gadget.get());

    gadget.reset();
    EXPECT_EQ(table->GetViews().size(), 1u);
    EXPECT_EQ(table->GetDragged(), nullptr);
    EXPECT_EQ(General::PickedNode().GetPointer(), nullptr);
    // Drawing and dragging afterwards touch nothing of the dead node.
    (void)table->grab();
    QTest::mouseMove(table, QPoint(300, 300));
    DeleteLater();
    (void)table->grab();
}

TEST_F(NodeGraph, ClassMenusListNamedNodesOfTheirExactClassAndCreate)
{
    GUI::ClassMenu menu(&Gadget::s_typeInfo, QStringLiteral("Gadget"), QStringLiteral("Create New Instance"), false);
    menu.OnShow();
    ASSERT_EQ(menu.actions().size(), 1);
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("Create New Instance"));

    Gadget named(QStringLiteral("named")), unnamed;
    menu.OnShow();
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(menu.actions()[0]->text(), QStringLiteral("named"));
    EXPECT_TRUE(menu.actions()[1]->isSeparator());
    menu.OnAction(menu.actions()[0]);
    EXPECT_EQ(GUI::ClassMenu::TakePicked(), &named);
    EXPECT_EQ(GUI::ClassMenu::TakePicked(), nullptr);
    // One choice acts once.
    menu.OnAction(menu.actions()[0]);
    EXPECT_EQ(GUI::ClassMenu::TakePicked(), nullptr);

    menu.OnShow();
    menu.OnAction(menu.actions()[2]);
    std::unique_ptr<General::Node> made(GUI::ClassMenu::TakePicked());
    ASSERT_TRUE(made);
    EXPECT_EQ(made->GetTypeInfo(), &Gadget::s_typeInfo);

    // A picked node that dies before it is taken is not handed out.
    auto doomed = std::make_unique<Gadget>(QStringLiteral("doomed"));
    menu.OnShow();
    menu.OnAction(menu.actions()[0]->text() == QLatin1String("doomed") ? menu.actions()[0] : menu.actions()[1]);
    doomed.reset();
    EXPECT_EQ(GUI::ClassMenu::TakePicked(), nullptr);
}

TEST_F(NodeGraph, TheCreatorMakesANodeOfTheChosenClass)
{
    GUI::NodeTableDialog dialog(nullptr, "Node View");
    QComboBox *combo = dialog.GetCreatorCombo();
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Select Node Type..."));
    combo->setCurrentIndex(0);
    dialog.OnClassSelected(0);
    EXPECT_TRUE(dialog.GetTable()->GetViews().empty());
    const int index = combo->findText(QStringLiteral("Gadget"));
    ASSERT_GT(index, 0);
    combo->setCurrentIndex(index);
    ASSERT_EQ(dialog.GetTable()->GetViews().size(), 1u);
    EXPECT_EQ(combo->currentIndex(), 0);
    std::unique_ptr<General::Node> made(dialog.GetTable()->GetViews()[0]->GetNode());
    EXPECT_EQ(made->GetTypeInfo(), &Gadget::s_typeInfo);
    made.reset();
    EXPECT_TRUE(dialog.GetTable()->GetViews().empty());
    DeleteLater();
}

}  // namespace
