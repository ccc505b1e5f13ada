#include "AttributeFixtures.h"
#include "GuiApplication.h"
#include "TrayFixtures.h"
#include "foundation/Globals.h"
#include "gui/attributes/AttributeChoiceRows.h"
#include "gui/attributes/AttributeEditors.h"
#include "gui/attributes/AttributeSign.h"
#include "gui/attributes/AttributeTextRows.h"
#include "gui/attributes/AttributeValueRows.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/panels/FloatingPanel.h"
#include "support/RecordingShell.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using guitest::KindsNode;

class AttributeRows : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        GUI::InstallAttributeEditors();
        Recorder().Clear();
    }
    void TearDown() override { General::InstallEditorFactory(nullptr); }

    // The row of `attribute`, made as a page makes it and placed 200 wide.
    template <class Row>
    Row *MakeRow(General::Attribute &attribute, bool labelled = true)
    {
        QWidget *made = attribute.CreateEditor(&m_cParent, 84);
        auto *row = qobject_cast<Row *>(made);
        EXPECT_NE(row, nullptr) << made;
        if (row)
            row->Place(200, labelled);
        return row;
    }

    QWidget m_cParent;
};

TEST_F(AttributeRows, EachAttributeKindGetsItsRow)
{
    KindsNode node;
    GUI::CollapsableContainer page(nullptr, true);
    page.AddNode(&node);
    std::map<QString, QString> kinds;
    for (GUI::AttributeWidget *row : page.findChildren<GUI::AttributeWidget *>())
        kinds[row->GetAttribute()->GetName()] = QString::fromLatin1(row->metaObject()->className());
    const std::map<QString, QString> expected{
        {"Text", "GUI::AttributeEditbox"},       {"Number", "GUI::AttributeSpinbox"},
        {"Flag", "GUI::AttributeCheckbox"},      {"Colour", "GUI::AttributeColorbox"},
        {"Vector", "GUI::AttributeVectorbox"},   {"Range", "GUI::AttributeSliderbox"},
        {"Choice", "GUI::AttributeCombobox"},    {"File", "GUI::AttributeFilenamebox"},
        {"Fire", "GUI::AttributeEventbox"},      {"Pointer", "GUI::AttributePointerbox"},
        {"Bits", "GUI::AttributeCheckboxCollection"}};
    EXPECT_EQ(kinds, expected);
}

TEST_F(AttributeRows, EveryEditWritesTheValueAndNotifiesOnce)
{
    KindsNode node;
    KindsNode other(QStringLiteral("other"));
    guitest::AttributeModals modals;
    modals.color = QColor(255, 0, 51, 7);
    modals.file = QStringLiteral("/some/where/mesh.obj");
    QString folder = QStringLiteral("/start");
    node.file.SetFolder(&folder);

    struct Case {
        General::Attribute *attribute;
        std::function<void()> edit;
        std::function<bool()> holds;
    };
    auto *text = MakeRow<GUI::AttributeEditbox>(node.text);
    auto *number = MakeRow<GUI::AttributeSpinbox>(node.number);
    auto *flag = MakeRow<GUI::AttributeCheckbox>(node.flag);
    auto *colour = MakeRow<GUI::AttributeColorbox>(node.colour);
    auto *vector = MakeRow<GUI::AttributeVectorbox>(node.vector);
    auto *range = MakeRow<GUI::AttributeSliderbox>(node.range);
    auto *choice = MakeRow<GUI::AttributeCombobox>(node.choice);
    auto *file = MakeRow<GUI::AttributeFilenamebox>(node.file);
    auto *fire = MakeRow<GUI::AttributeEventbox>(node.fire);
    auto *pointer = MakeRow<GUI::AttributePointerbox>(node.pointer);
    auto *bits = MakeRow<GUI::AttributeCheckboxCollection>(node.bits);
    ASSERT_TRUE(text && number && flag && colour && vector && range && choice && file && fire && pointer && bits);

    const std::vector<Case> cases{
        {&node.text,
         [&] {
             text->GetEditbox()->setText(QStringLiteral("hello"));
             text->OnChange();
         },
         [&] { return node.text.GetValue() == QLatin1String("hello"); }},
        {&node.number, [&] { number->GetSpin()->setValue(7); },
         [&] { return node.number.GetValue() == 7 && number->GetSpin()->text() == QLatin1String("007"); }},
        {&node.flag, [&] { flag->GetCheckbox()->click(); }, [&] { return node.flag.GetValue(); }},
        {&node.colour, [&] { colour->GetButton()->released(); },
         [&] {
             const General::Color c = node.colour.GetValue();
             return c.r == 1.0f && c.g == 0.0f && c.b == 51.0f / 255.0f && c.a == 1.0f;
         }},
        {&node.vector,
         [&] {
             vector->GetBox(0)->setText(QStringLiteral("1"));
             vector->GetBox(1)->setText(QStringLiteral("2.5"));
             vector->GetBox(2)->setText(QStringLiteral("-0.125"));
             vector->OnChange();
         },
         [&] { return node.vector.GetValue() == General::Vector(1.0f, 2.5f, -0.125f); }},
        {&node.range, [&] { range->GetSlider()->setValue(400); }, [&] { return node.range.GetValue() == 4.0f; }},
        {&node.choice, [&] { choice->GetCombo()->setCurrentIndex(1); }, [&] { return node.choice.GetValue() == 1; }},
        {&node.file, [&] { file->GetButton()->released(); },
         [&] {
             return node.file.GetValue() == modals.file && folder == QLatin1String("/some/where") &&
                    modals.starts == QStringList{"/start"} && modals.opened;
         }},
        {&node.fire, [&] { fire->GetButton()->released(); }, [&] { return node.fire.GetValue() == 1; }},
        {&node.pointer,
         [&] {
             const int at = pointer->GetCombo()->findText(QStringLiteral("other"));
             pointer->GetCombo()->setCurrentIndex(at);
         },
         [&] { return node.pointer.GetPointer() == &other; }},
        {&node.bits, [&] { bits->GetCheckboxes()[1]->click(); }, [&] { return node.bits.GetValue() == 2; }},
    };
    for (const Case &c : cases) {
        node.changes.clear();
        c.edit();
        EXPECT_TRUE(c.holds()) << qPrintable(c.attribute->GetName());
        EXPECT_EQ(node.changes[c.attribute], 1) << qPrintable(c.attribute->GetName());
    }
}

TEST_F(AttributeRows, RowsLayOutByTheirWidthAndLabel)
{
    KindsNode node;
    General::AttributeInstance<QString> size{QStringLiteral("<Size"), false};
    size.SetOwner(&node);
    auto *row = MakeRow<GUI::AttributeEditbox>(size);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetLabel()->text(), QStringLiteral("Size"));
    EXPECT_TRUE(row->GetLabel()->alignment() & Qt::AlignLeft);
    // 200 wide, sign 16, fraction 0.5: label int(0.5 x 184 - 3), editor from 92 to 184.
    EXPECT_EQ(row->GetLabel()->width(), 89);
    EXPECT_EQ(row->GetEditbox()->x(), 92);
    EXPECT_EQ(row->GetEditbox()->width(), 92);
    EXPECT_EQ(row->GetSign()->x(), 184);
    EXPECT_EQ(row->sizeHint(), QSize(220, 20));

    row->Place(200, false);
    EXPECT_EQ(row->sizeHint().height(), 8);
    EXPECT_EQ(row->GetEditbox()->width(), 0);
}

TEST_F(AttributeRows, SliderFollowsTheRangeAndSurvivesAnEmptyOne)
{
    KindsNode node;
    auto *range = MakeRow<GUI::AttributeSliderbox>(node.range);
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->GetSlider()->value(), 250);
    range->GetSlider()->setValue(400);
    EXPECT_EQ(node.range.GetValue(), 4.0f);

    node.range.SetValue(2.5f);
    QTest::mouseDClick(range->GetSlider(), Qt::LeftButton);
    EXPECT_EQ(node.range.GetUpper(), 2.5f);
    EXPECT_EQ(node.range.GetValue(), 2.5f);
    EXPECT_EQ(range->GetSlider()->value(), 1000);

    // An empty range has no slider position to divide out.
    General::AttributeFloatRange flat{QStringLiteral("Flat"), 3.0f, 3.0f};
    flat.SetOwner(&node);
    flat.SetValue(3.0f, true);
    auto *row = MakeRow<GUI::AttributeSliderbox>(flat);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetSlider()->value(), 0);
    flat.SetValue(3.0f);
    EXPECT_EQ(row->GetSlider()->value(), 0);
}

TEST_F(AttributeRows, VectorTextsAndLettersKeepTheComponent)
{
    KindsNode node;
    node.vector.SetValue(General::Vector(1.0f, 2.5f, -0.125f));
    auto *row = MakeRow<GUI::AttributeVectorbox>(node.vector);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetBox(0)->text(), QStringLiteral("1.000"));
    EXPECT_EQ(row->GetBox(1)->text(), QStringLiteral("2.500"));
    EXPECT_EQ(row->GetBox(2)->text(), QStringLiteral("-0.125"));
    row->GetBox(1)->setText(QStringLiteral("abc"));
    row->OnChange();
    EXPECT_EQ(node.vector.GetValue().y, 2.5f);
    EXPECT_EQ(row->GetBox(1)->text(), QStringLiteral("2.500"));
}

TEST_F(AttributeRows, PointerEntriesResolveToTheirOwnNode)
{
    KindsNode node;
    auto first = std::make_unique<KindsNode>(QStringLiteral("twin"));
    KindsNode second(QStringLiteral("twin"));
    node.pointer.SetValue(&second);
    auto *row = MakeRow<GUI::AttributePointerbox>(node.pointer);
    ASSERT_NE(row, nullptr);
    QComboBox *combo = row->GetCombo();
    EXPECT_EQ(combo->itemText(0), QStringLiteral("NULL"));
    // Newest first: "second" is listed before "first"; the shown one is the pointed node.
    int secondAt = -1, firstAt = -1;
    for (int i = 1; i < combo->count(); ++i)
        if (combo->itemText(i) == QLatin1String("twin"))
            (secondAt < 0 ? secondAt : firstAt) = i;
    ASSERT_GT(firstAt, secondAt);
    EXPECT_EQ(combo->currentIndex(), secondAt);

    combo->setCurrentIndex(firstAt);
    EXPECT_EQ(node.pointer.GetPointer(), first.get());
    combo->setCurrentIndex(secondAt);
    EXPECT_EQ(node.pointer.GetPointer(), &second);

    // The list outlives its nodes: a vanished entry picks nothing.
    first.reset();
    combo->setCurrentIndex(firstAt);
    EXPECT_EQ(node.pointer.GetPointer(), nullptr);
}

TEST_F(AttributeRows, CheckboxCollectionRefreshKeepsEveryBit)
{
    KindsNode node;
    auto *row = MakeRow<GUI::AttributeCheckboxCollection>(node.bits);
    ASSERT_NE(row, nullptr);
    node.changes.clear();
    node.bits.SetValue(5);
    EXPECT_EQ(node.bits.GetValue(), 5);
    EXPECT_EQ(node.changes[&node.bits], 1);
    EXPECT_EQ(row->GetCheckboxes()[0]->checkState(), Qt::Checked);
    EXPECT_EQ(row->GetCheckboxes()[1]->checkState(), Qt::Unchecked);
    EXPECT_EQ(row->GetCheckboxes()[2]->checkState(), Qt::Checked);
}

// --- connection sign --------------------------------------------------------------------

class SignDrops : public AttributeRows {
protected:
    // Presses the left button on `from`, and the scripted drag drops on `to`.
    void Drag(GUI::AttributeSign *from, GUI::AttributeSign *to)
    {
        m_cDrag.target = to;
        m_cDrag.at = QPoint(2, 2);
        QTest::mousePress(from, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    }
    // A drop of plain text on `to` (from another program, say); whether it was taken.
    static bool DropText(GUI::AttributeSign *to, const QString &text)
    {
        QMimeData data;
        data.setText(text);
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        QApplication::sendEvent(to, &drop);
        return drop.isAccepted();
    }

    guitest::ScriptedDrag m_cDrag;
};

TEST_F(SignDrops, ADropConnectsAndALoopIsRefusedWithTheMessage)
{
    KindsNode a(QStringLiteral("a")), b(QStringLiteral("b"));
    auto *from = MakeRow<GUI::AttributeEditbox>(a.text);
    auto *to = MakeRow<GUI::AttributeEditbox>(b.text);
    ASSERT_TRUE(from && to);
    const int gate = General::ConnectionGate().GetValue();
    Drag(from->GetSign(), to->GetSign());
    EXPECT_EQ(m_cDrag.runs, 1);
    EXPECT_EQ(b.text.GetSource(), &a.text);
    EXPECT_EQ(General::ConnectionGate().GetValue(), gate + 1);
    a.text.SetValue(QStringLiteral("followed"));
    EXPECT_EQ(to->GetEditbox()->text(), QStringLiteral("followed"));

    Recorder().Clear();
    Drag(to->GetSign(), from->GetSign());
    EXPECT_EQ(a.text.GetSource(), nullptr);
    EXPECT_TRUE(Recorder().boxes.contains(
        QStringLiteral("Error: Cannot connect attributes: Connection would result a loop")))
        << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    EXPECT_EQ(General::ConnectionGate().GetValue(), gate + 2);
}

TEST_F(SignDrops, WithoutPictureFilesTheSignIsDrawnAndNoErrorInterrupts)
{
    // The tests run where no icon folder is: each refresh must still show a sign, one for
    // each state of the connection.
    KindsNode a(QStringLiteral("a")), b(QStringLiteral("b"));
    auto *from = MakeRow<GUI::AttributeEditbox>(a.text);
    auto *to = MakeRow<GUI::AttributeEditbox>(b.text);
    ASSERT_TRUE(from && to);
    const QImage empty = from->GetSign()->pixmap().toImage();
    Drag(from->GetSign(), to->GetSign());
    ASSERT_EQ(b.text.GetSource(), &a.text);
    const QImage output = from->GetSign()->pixmap().toImage();
    const QImage input = to->GetSign()->pixmap().toImage();
    EXPECT_TRUE(Recorder().boxes.isEmpty()) << qPrintable(Recorder().boxes.join(QLatin1Char('\n')));
    EXPECT_FALSE(empty.isNull());
    EXPECT_NE(empty, output);
    EXPECT_NE(empty, input);
    EXPECT_NE(output, input);
}

TEST_F(SignDrops, ForeignTextAndTheSameAttributeConnectNothing)
{
    KindsNode a(QStringLiteral("a")), b(QStringLiteral("b"));
    auto *from = MakeRow<GUI::AttributeEditbox>(a.text);
    auto *to = MakeRow<GUI::AttributeEditbox>(b.text);
    auto *twin = MakeRow<GUI::AttributeEditbox>(a.text);
    ASSERT_TRUE(from && to && twin);
    const QString address = QString::number(reinterpret_cast<quintptr>(from->GetSign()));
    for (const QString &text : {address, QStringLiteral("hello"), QStringLiteral("tevrin-attribute-sign:"),
                                QStringLiteral("tevrin-attribute-sign:999999999")}) {
        EXPECT_TRUE(DropText(to->GetSign(), text)) << qPrintable(text);
        EXPECT_EQ(b.text.GetSource(), nullptr) << qPrintable(text);
    }
    // On itself or another row of the same attribute: refused.
    EXPECT_FALSE(DropText(from->GetSign(), from->GetSign()->DragText()));
    EXPECT_FALSE(DropText(twin->GetSign(), from->GetSign()->DragText()));
    EXPECT_EQ(a.text.GetSource(), nullptr);
}

TEST_F(SignDrops, RemoveAllTargetsKeepsTheRowsThatWatch)
{
    KindsNode a(QStringLiteral("a")), b(QStringLiteral("b")), c(QStringLiteral("c"));
    auto *row = MakeRow<GUI::AttributeEditbox>(a.text);
    ASSERT_NE(row, nullptr);
    a.text.Connect(&b.text);
    a.text.Connect(&c.text);
    row->GetSign()->RemoveAllTargets();
    EXPECT_EQ(b.text.GetSource(), nullptr);
    EXPECT_EQ(c.text.GetSource(), nullptr);
    ASSERT_EQ(a.text.GetTargetCount(), 1u);
    EXPECT_EQ(a.text.GetTarget(0)->GetType(), General::Attribute::kTypeWatch);
    a.text.SetValue(QStringLiteral("still shown"));
    EXPECT_EQ(row->GetEditbox()->text(), QStringLiteral("still shown"));
}

TEST_F(SignDrops, RowsOfADeletedNodeStayInert)
{
    auto node = std::make_unique<KindsNode>();
    KindsNode other(QStringLiteral("other"));
    GUI::CollapsableContainer page(nullptr, true);
    page.AddNode(node.get());
    auto *other_row = MakeRow<GUI::AttributeEditbox>(other.text);
    ASSERT_NE(other_row, nullptr);
    const QList<GUI::AttributeWidget *> rows = page.findChildren<GUI::AttributeWidget *>();
    ASSERT_EQ(rows.size(), 11);
    node.reset();
    // Another node may take the freed address: the serial tells them apart.
    auto reused = std::make_unique<KindsNode>(QStringLiteral("reused"));
    guitest::AttributeModals modals;
    modals.color = Qt::red;
    modals.file = QStringLiteral("/x/y");
    for (GUI::AttributeWidget *row : rows) {
        EXPECT_FALSE(row->IsNodeAlive());
        row->Refresh();
        if (auto *edit = qobject_cast<GUI::AttributeEditbox *>(row))
            edit->OnChange();
        if (auto *slider = qobject_cast<GUI::AttributeSliderbox *>(row))
            slider->GetSlider()->setValue(700);
        if (auto *spin = qobject_cast<GUI::AttributeSpinbox *>(row))
            spin->GetSpin()->setValue(3);
        if (auto *colour = qobject_cast<GUI::AttributeColorbox *>(row))
            colour->OnButtonPushed();
        if (auto *file = qobject_cast<GUI::AttributeFilenamebox *>(row))
            file->OnBrowse();
        if (auto *fire = qobject_cast<GUI::AttributeEventbox *>(row))
            fire->OnAction();
        if (auto *bits = qobject_cast<GUI::AttributeCheckboxCollection *>(row))
            bits->GetCheckboxes()[0]->click();
        if (auto *pointer = qobject_cast<GUI::AttributePointerbox *>(row))
            pointer->OnChange(0);
        // Neither a drag from it nor a drop on it does anything.
        m_cDrag.runs = 0;
        Drag(row->GetSign(), other_row->GetSign());
        EXPECT_EQ(m_cDrag.runs, 0);
        EXPECT_TRUE(DropText(row->GetSign(), other_row->GetSign()->DragText()));
    }
    EXPECT_EQ(other.text.GetSource(), nullptr);
    EXPECT_EQ(other.text.GetTargetCount(), 1u);  // its own row's watch
}

// --- pages ------------------------------------------------------------------------------

class CategoryNode : public General::Node {
public:
    CategoryNode()
    {
        for (auto &[attribute, group] : std::initializer_list<std::pair<General::Attribute *, const char *>>{
                 {&plain, ""}, {&shown, "-Display"}, {&closed, "Display"}, {&plus, "+Extra"},
                 {&top, "#top"}, {&bottom, "#bottom"}, {&hidden, "#foo"}})
            attribute->SetGroup(QString::fromLatin1(group));
    }
    General::AttributeInstance<int> plain{QStringLiteral("plain")};
    General::AttributeInstance<int> shown{QStringLiteral("shown")};
    General::AttributeInstance<int> closed{QStringLiteral("closed")};
    General::AttributeInstance<int> plus{QStringLiteral("plus")};
    General::AttributeInstance<int> top{QStringLiteral("top")};
    General::AttributeInstance<int> bottom{QStringLiteral("bottom")};
    General::AttributeInstance<int> hidden{QStringLiteral("hidden")};
    General::EventGate gate{QStringLiteral("eventgate")};
};

TEST_F(AttributeRows, APageHasOneFramePerCategoryInItsOrder)
{
    CategoryNode node;
    GUI::CollapsableContainer page(nullptr, true);
    page.AddNode(&node);
    struct Expected {
        const char *title;
        bool open;
        bool titled;
        const char *row;
    };
    // Categories in order of first appearance from the newest attribute.
    const std::vector<Expected> expected{{"#top", true, false, "top"},
                                         {"", true, false, "plain"},
                                         {"Extra", false, true, "plus"},
                                         {"Display", false, true, "closed"},
                                         {"Display", true, true, "shown"},
                                         {"#bottom", true, false, "bottom"}};
    page.show();
    const QList<GUI::CollapsableFrame *> &frames = page.GetFrames();
    ASSERT_EQ(size_t(frames.size()), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        GUI::CollapsableFrame *frame = frames[int(i)];
        EXPECT_EQ(frame->IsOpen(), expected[i].open) << i;
        EXPECT_EQ(frame->GetTitleRow()->isHidden(), !expected[i].titled) << i;
        if (expected[i].titled)
            EXPECT_EQ(frame->GetTitle(), QString::fromLatin1(expected[i].title)) << i;
        ASSERT_EQ(frame->GetRows().size(), 1) << i;
        EXPECT_EQ(frame->GetRows()[0]->GetAttribute()->GetName(), QString::fromLatin1(expected[i].row)) << i;
    }
    // The frame without a category does not fold; a titled one opens and places its rows.
    EXPECT_FALSE(frames[1]->IsFoldable());
    frames[1]->Toggle();
    EXPECT_TRUE(frames[1]->IsOpen());
    frames[3]->Toggle();
    EXPECT_TRUE(frames[3]->IsOpen());
    frames[3]->resize(204, frames[3]->height());
    // Placed 200 wide: the sign sits at the right end.
    EXPECT_EQ(frames[3]->GetRows()[0]->GetSign()->x(), 184);
}

TEST_F(AttributeRows, AnUncategorisedNodeGivesOneOpenUntitledFrame)
{
    KindsNode node;
    GUI::CollapsableContainer page(nullptr, true);
    page.AddNode(&node);
    ASSERT_EQ(page.GetFrames().size(), 1);
    EXPECT_TRUE(page.GetFrames()[0]->IsOpen());
    EXPECT_EQ(page.GetFrames()[0]->GetRows().size(), 11);
}

// A property page's rows keep the labelled height; a Node View box's unlabelled rows are
// thin. An attribute marked for a separator gets its line right after its row.
TEST_F(AttributeRows, PagesGiveRowsTheirHeightAndLinesAfterMarkedAttributes)
{
    for (const auto &[labelled, height] : {std::pair{true, 20}, std::pair{false, 8}}) {
        CategoryNode node;
        node.plus.SetSeparator(true);
        GUI::CollapsableContainer page(nullptr, labelled);
        page.AddNode(&node);
        page.show();
        for (GUI::CollapsableFrame *frame : page.GetFrames()) {
            if (!frame->IsOpen())
                frame->Toggle();
            for (GUI::AttributeWidget *row : frame->GetRows())
                EXPECT_EQ(row->height(), height) << labelled << " " << row->GetAttribute()->GetName().toStdString();
            // The body holds the row, and a line only after the marked one.
            const QList<QGroupBox *> lines = frame->GetBody()->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly);
            const bool marked = frame->GetRows()[0]->GetAttribute() == &node.plus;
            ASSERT_EQ(lines.size(), marked ? 1 : 0) << frame->GetTitle().toStdString();
            if (marked)
                EXPECT_GT(lines[0]->y(), frame->GetRows()[0]->y());
        }
    }
}

TEST(CollapsableFrameTest, AFrameMadeFixedShowsOnlyItsBodyAndFoldsAgainWhenAllowed)
{
    guitest::Application();
    GUI::CollapsableFrame frame(QStringLiteral("-Stamp"), nullptr);
    ASSERT_TRUE(frame.IsOpen());
    frame.SetCollapsible(false);
    EXPECT_FALSE(frame.IsFoldable());
    EXPECT_TRUE(frame.GetTitleRow()->isHidden());
    frame.Toggle();
    EXPECT_TRUE(frame.IsOpen());
    // Allowed again: the title row returns and the frame folds once, as a click would.
    frame.SetCollapsible(true);
    EXPECT_TRUE(frame.IsFoldable());
    EXPECT_FALSE(frame.GetTitleRow()->isHidden());
    EXPECT_FALSE(frame.IsOpen());

    QLabel label(QStringLiteral("Size"));
    frame.SetWidths(90, 100);
    frame.AlignLabel(&label);
    EXPECT_EQ(label.minimumWidth(), 90);
    EXPECT_EQ(label.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

}  // namespace

namespace {
// A node page whose labels are longer than half of a page's default width.
class LongLabelsNode : public General::Node {
public:
    LongLabelsNode() : General::Node(QStringLiteral("baker")) {}
    General::AttributeInstance<bool> create{QStringLiteral("Create Displacement Map")};
    General::AttributeFilename file{QStringLiteral("Displacement Map Filename"), false};
    General::AttributeInstance<int> size{QStringLiteral("Size")};
};
}  // namespace

// The label column of a page fits its longest label, at the page's own width and when the
// page is narrowed: no label is cut; the editors share one left edge.
TEST_F(AttributeRows, ThePageLabelColumnFitsItsLongestLabel)
{
    LongLabelsNode node;
    GUI::CollapsableContainer page(nullptr, true);
    page.AddNode(&node);
    page.show();
    for (int width : {0, 200}) {
        if (width > 0)
            page.resize(width, page.height());
        QApplication::processEvents();
        SCOPED_TRACE(page.width());
        std::vector<int> editorsLeft;
        for (GUI::AttributeWidget *row : page.findChildren<GUI::AttributeWidget *>()) {
            const QLabel *label = row->GetLabel();
            EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
                << label->text().toStdString();
            editorsLeft.push_back(label->x() + label->width());
        }
        ASSERT_EQ(editorsLeft.size(), 3u);
        EXPECT_EQ(editorsLeft[0], editorsLeft[1]);
        EXPECT_EQ(editorsLeft[1], editorsLeft[2]);
    }
}

// A floating window shows the whole width of a page that has long labels: it opens, and
// stays, at least as wide as the page needs, so neither labels nor editors are cut.
TEST_F(AttributeRows, AFloatingPageWindowIsAsWideAsItsPageNeeds)
{
    LongLabelsNode node;
    auto *page = new GUI::CollapsableContainer(nullptr, true);
    page->AddNode(&node);
    GUI::FloatingPanel panel(nullptr, page, QStringLiteral("Baker #0"), false);
    QApplication::processEvents();
    for (int width : {0, 100}) {
        if (width > 0)
            panel.resize(width, panel.height());
        QApplication::processEvents();
        SCOPED_TRACE(panel.width());
        const QScrollArea *area = panel.findChild<QScrollArea *>();
        ASSERT_NE(area, nullptr);
        EXPECT_GE(area->viewport()->width(), page->minimumWidth());
    }
}
