#include "InteractionFixtures.h"

#include "foundation/OperationBuffer.h"
#include "foundation/Timer.h"
#include "interaction/undo/OperationFactory.h"
#include "operations/CurveOperation.h"
#include "operations/LayerOperation.h"
#include "operations/Operation.h"
#include "operations/TransformationOperation.h"
#include "operations/brushes/MoveOperation.h"
#include "operations/brushes/VertexBrushes.h"
#include "operations/objects/DeleteFaceOperation.h"
#include "operations/objects/DeleteObjectOperation.h"
#include "operations/objects/HideFaceOperation.h"
#include "operations/objects/ObjectStateOperation.h"
#include "operations/selection/PaintFreezeOperation.h"
#include "operations/selection/SelectObjectOperation.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <cstring>
#include <map>
#include <new>
#include <typeindex>
#include <utility>

namespace {
// An edit that writes its id and logs each Execute; ids in `failing` report no change.
class Step : public Operations::Operation {
public:
    Step(int type, int id) : m_type(type), m_id(id) {}
    void Serialize(Stream &stream) override { stream.Serialize(m_id); }
    bool Execute() override
    {
        executed.push_back(m_id);
        return !failing.contains(m_id);
    }
    int GetType() const override { return m_type; }

    static std::vector<int> executed;
    static QSet<int> failing;

private:
    int m_type;
    int m_id;
};
std::vector<int> Step::executed;
QSet<int> Step::failing;

constexpr int kStepType = Operations::kLayer;
constexpr int kOtherType = Operations::kVertex;

struct Record {
    int kind;
    int type;
    int id;
    bool operator==(const Record &o) const { return kind == o.kind && type == o.type && id == o.id; }
};
std::ostream &operator<<(std::ostream &out, const Record &r)
{
    return out << "{" << r.kind << ", " << r.type << ", " << r.id << "}";
}

// Reads the stack's file up to its logical end straight from disk: a 4-byte version, then
// records of kind (1), type (4), id (4) and a trailing length of 13.
std::vector<Record> ParseStack(OperationBuffer &stack)
{
    std::fflush(stack.GetFile());
    QFile file(stack.GetFileName());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll().left(qsizetype(stack.Tell()));
    std::vector<Record> records;
    qsizetype at = 4;
    while (at + 13 <= bytes.size()) {
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
        auto le32 = [p](int offset) { return int(p[offset] | p[offset + 1] << 8 | p[offset + 2] << 16 | p[offset + 3] << 24); };
        EXPECT_EQ(le32(9), 13) << "record length at " << at;
        records.push_back({p[0], le32(1), le32(5)});
        at += 13;
    }
    EXPECT_EQ(at, bytes.size());
    return records;
}
}  // namespace

class Undo : public InteractionTest {
protected:
    void SetUp() override
    {
        InteractionTest::SetUp();
        Step::executed.clear();
        Step::failing.clear();
        SetOperationMaker(kStepType, [] { return std::make_unique<Step>(kStepType, 0); });
        SetOperationMaker(kOtherType, [] { return std::make_unique<Step>(kOtherType, 0); });
    }
    void TearDown() override
    {
        SetOperationMaker(kStepType, {});
        SetOperationMaker(kOtherType, {});
        InteractionTest::TearDown();
    }

    // A command of several records: the first starts the action, the others continue it.
    void Command(std::initializer_list<int> ids, int type = kStepType)
    {
        char kind = 0;
        for (int id : ids) {
            Step step(type, id);
            ASSERT_TRUE(Interface::ExecuteOperation(&step, Interface::UndoStack(), true, kind, true));
            kind = 1;
        }
    }
    OperationBuffer &UndoStack() { return *Interface::UndoStack(); }
    OperationBuffer &RedoStack() { return *Interface::RedoStack(); }
};

TEST_F(Undo, TwoRecordCommandUndoesAndRedoesAsOneAction)
{
    Command({1});
    Command({2, 3});
    EXPECT_EQ(ParseStack(UndoStack()), (std::vector<Record>{{0, kStepType, 1}, {0, kStepType, 2}, {1, kStepType, 3}}));
    Step::executed.clear();

    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(Step::executed, (std::vector<int>{3, 2}));
    EXPECT_EQ(ParseStack(UndoStack()), (std::vector<Record>{{0, kStepType, 1}}));
    EXPECT_EQ(ParseStack(RedoStack()), (std::vector<Record>{{0, kStepType, 3}, {1, kStepType, 2}}));

    Interface::UndoRedo(Interface::RedoStack());
    EXPECT_EQ(Step::executed, (std::vector<int>{3, 2, 2, 3}));
    EXPECT_EQ(ParseStack(UndoStack()), (std::vector<Record>{{0, kStepType, 1}, {0, kStepType, 2}, {1, kStepType, 3}}));
    EXPECT_TRUE(ParseStack(RedoStack()).empty());
}

TEST_F(Undo, ANewRecordEmptiesTheRedoStack)
{
    Command({1});
    Interface::UndoRedo(Interface::UndoStack());
    ASSERT_EQ(ParseStack(RedoStack()).size(), 1u);
    Command({2});
    EXPECT_TRUE(ParseStack(RedoStack()).empty());

    Interface::UndoRedo(Interface::UndoStack());
    m_interface->m_pCurrentOperation = std::make_unique<Step>(kStepType, 5);
    m_interface->FinishOperation();
    EXPECT_EQ(m_interface->m_pCurrentOperation, nullptr);
    EXPECT_TRUE(ParseStack(RedoStack()).empty());
    EXPECT_EQ(ParseStack(UndoStack()), (std::vector<Record>{{0, kStepType, 5}}));
}

TEST_F(Undo, ModifiedFlagFollowsTheHistory)
{
    m_scene->m_bModified = true;
    Interface::UndoRedo(Interface::RedoStack());  // empty redo: flag as it was
    EXPECT_TRUE(m_scene->m_bModified);
    Interface::UndoRedo(Interface::UndoStack());  // empty undo: nothing left to save
    EXPECT_FALSE(m_scene->m_bModified);
    EXPECT_TRUE(Step::executed.empty());

    Command({1});
    EXPECT_TRUE(m_scene->m_bModified);
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_FALSE(m_scene->m_bModified);
    Interface::UndoRedo(Interface::RedoStack());
    EXPECT_TRUE(m_scene->m_bModified);

    // After a change that cannot be undone, undoing everything leaves the scene modified.
    Interface::s_bUnrecordedChange = true;
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_TRUE(m_scene->m_bModified);
}

TEST_F(Undo, ExecuteOperationRecordsOnlyWhatHappened)
{
    Step failing(kStepType, 7);
    Step::failing.insert(7);
    m_scene->m_bModified = false;
    EXPECT_FALSE(Interface::ExecuteOperation(&failing, Interface::UndoStack(), true, 0, true));
    EXPECT_TRUE(m_scene->m_bModified);
    EXPECT_FALSE(Interface::ExecuteOperation(nullptr, Interface::UndoStack(), true, 0, false));
    EXPECT_TRUE(ParseStack(UndoStack()).empty());

    // Already applied (a finished drag): recorded without running it again.
    Step::executed.clear();
    Step applied(kStepType, 8);
    EXPECT_TRUE(Interface::ExecuteOperation(&applied, Interface::UndoStack(), true, 0, false));
    EXPECT_TRUE(Step::executed.empty());
    EXPECT_EQ(ParseStack(UndoStack()), (std::vector<Record>{{0, kStepType, 8}}));
}

TEST_F(Undo, FailedFirstRecordDoesNotMergeTheActionIntoThePreviousOne)
{
    Command({1});
    Interface::UndoRedo(Interface::UndoStack());
    Command({2, 3, 4});  // empties the redo stack
    Command({9});
    Interface::UndoRedo(Interface::UndoStack());  // redo now holds {9}
    Step::failing.insert(4);  // the newest record of the next action no longer applies
    Interface::UndoRedo(Interface::UndoStack());
    EXPECT_EQ(ParseStack(RedoStack()), (std::vector<Record>{{0, kStepType, 9}, {0, kStepType, 3}, {1, kStepType, 2}}));

    Step::executed.clear();
    Interface::UndoRedo(Interface::RedoStack());
    EXPECT_EQ(Step::executed, (std::vector<int>{2, 3}));  // one action, not 9 with it
}

// An action that cannot be read runs no record of it; it is reported, and the history below
// it goes too (older records may no longer fit), so the next change undoes normally.
TEST_F(Undo, ActionWithARecordThatCannotBeRebuiltIsRefusedWholeAndEmptiesTheHistory)
{
    for (const bool undo : {true, false}) {
        SCOPED_TRACE(undo ? "undo" : "redo");
        UndoStack().Rewind();
        RedoStack().Rewind();
        Command({1});
        Command({2}, kOtherType);
        Step continued(kStepType, 3);
        Interface::ExecuteOperation(&continued, Interface::UndoStack(), true, 1, true);
        if (!undo)
            Interface::UndoRedo(Interface::UndoStack());  // the redo stack holds {2, 3}, the undo stack {1}
        OperationBuffer &stack = undo ? UndoStack() : RedoStack();
        const std::vector<Record> other = ParseStack(undo ? RedoStack() : UndoStack());
        Step::executed.clear();
        Recorder().Clear();

        SetOperationMaker(kOtherType, {});  // the middle record's class is not known any more
        Interface::UndoRedo(&stack);
        EXPECT_TRUE(Step::executed.empty());
        EXPECT_EQ(stack.Tell(), 4u);
        EXPECT_EQ(ParseStack(undo ? RedoStack() : UndoStack()), other);
        ASSERT_FALSE(Recorder().statusMessages.isEmpty());
        EXPECT_TRUE(Recorder().statusMessages.last().startsWith("ERROR:"));
        EXPECT_TRUE(Recorder().statusMessages.last().contains("emptied"));
        EXPECT_EQ(Recorder().statusStates.back(), 2);
        SetOperationMaker(kOtherType, [] { return std::make_unique<Step>(kOtherType, 0); });

        // Undo is not blocked: the next change undoes and redoes.
        Command({5});
        Interface::UndoRedo(Interface::UndoStack());
        Interface::UndoRedo(Interface::RedoStack());
        EXPECT_EQ(Step::executed, (std::vector<int>{5, 5, 5}));
    }
}

TEST_F(Undo, DamagedTrailingLengthIsRefusedAndRunsNothing)
{
    Recorder().ExpectAssertionFailures();
    for (unsigned damage : {0u, 8u, 14u, 17u, 0xffffffffu}) {
        SCOPED_TRACE(damage);
        UndoStack().Rewind();
        Command({1});
        Command({2});
        const uint64_t end = UndoStack().Tell();
        ASSERT_TRUE(UndoStack().Seek(end - 4));
        ASSERT_EQ(UndoStack().Write(&damage, 4), 4u);
        Step::executed.clear();
        Interface::UndoRedo(Interface::UndoStack());
        EXPECT_TRUE(Step::executed.empty());
        EXPECT_EQ(UndoStack().Tell(), 4u);
        // The next record starts a clean history.
        Command({3});
        EXPECT_EQ(ParseStack(UndoStack()), (std::vector<Record>{{0, kStepType, 3}}));
    }
}

TEST_F(Undo, FactoryBuildsRegisteredClassesAndRefusesTheRest)
{
    Recorder().ExpectAssertionFailures();
    SetOperationMaker(Operations::kSoftBrush, [] { return std::make_unique<Step>(Operations::kSoftBrush, 0); });
    EXPECT_EQ(Interface::CreateBrushOperation(1)->GetType(), Operations::kSoftBrush);
    EXPECT_EQ(Interface::CreateBrushOperation(17)->GetType(), Operations::kSoftBrush);  // the bulge tool's strokes
    SetOperationMaker(Operations::kSoftBrush, {});

    for (int type : {22, 23, 24, 2, 25}) {
        Recorder().Clear();
        EXPECT_EQ(Interface::CreateBrushOperation(type), nullptr) << type;
        EXPECT_FALSE(Recorder().LogContains("Assertion failed")) << type;
    }
    for (int type : {0, 27, -1, 1000}) {
        Recorder().Clear();
        EXPECT_EQ(Interface::CreateBrushOperation(type), nullptr) << type;
        EXPECT_TRUE(Recorder().LogContains("Assertion failed")) << type;
    }
    EXPECT_FALSE(SetOperationMaker(23, [] { return std::make_unique<Step>(23, 0); }));

    SetOperationMaker(kStepType, []() -> std::unique_ptr<Operations::Operation> { throw std::bad_alloc(); });
    EXPECT_EQ(Interface::CreateBrushOperation(kStepType), nullptr);

    // Undo records of the object and face operations and of the move are read back into their own classes.
    RegisterObjectOperations();
    for (int type : {Operations::kHideObject, Operations::kLockObject, Operations::kDeleteObject,
                     Operations::kHideFace, Operations::kDeleteFace, Operations::kMove}) {
        auto op = Interface::CreateBrushOperation(type);
        ASSERT_NE(op, nullptr) << type;
        EXPECT_EQ(op->GetType(), type);
        SetOperationMaker(type, {});
    }
    // So are the vertex brushes' (the bulge tool's strokes as soft brush strokes).
    RegisterBrushOperations();
    const std::pair<int, int> brushes[] = {
        {Operations::kSoftBrush, Operations::kSoftBrush}, {Operations::kBulge, Operations::kSoftBrush},
        {Operations::kPinch, Operations::kPinch},         {Operations::kSmooth, Operations::kSmooth},
        {Operations::kHardBrush, Operations::kHardBrush}, {Operations::kPaintLayerMask, Operations::kPaintLayerMask},
        {Operations::kVertex, Operations::kVertex},       {Operations::kFlatten, Operations::kFlatten},
        {Operations::kEraseBrush, Operations::kEraseBrush}, {Operations::kSketch, Operations::kSketch},
    };
    for (const auto &[type, built] : brushes) {
        auto op = Interface::CreateBrushOperation(type);
        ASSERT_NE(op, nullptr) << type;
        EXPECT_EQ(op->GetType(), built);
    }
    for (const auto &[type, built] : brushes)
        SetOperationMaker(built, {});
}

// What the program's registrations make of every type id an undo record can carry.
TEST_F(Undo, EveryTypeIdBuildsItsClass)
{
    Recorder().ExpectAssertionFailures();  // ids 0 and 26
    RegisterObjectOperations();
    RegisterBrushOperations();
    using namespace Operations;
    const std::map<int, std::type_index> classes = {
        {1, typeid(SoftBrushOperation)},     {2, typeid(PinchOperation)},
        {3, typeid(MoveOperation)},          {4, typeid(SmoothOperation)},
        {5, typeid(SelectObjectOperation)},  {6, typeid(SelectFaceOperation)},
        {7, typeid(HardBrushOperation)},     {8, typeid(PaintFreezeOperation)},
        {9, typeid(HideObjectOperation)},    {10, typeid(HideFaceOperation)},
        {11, typeid(DeleteObjectOperation)}, {12, typeid(DeleteFaceOperation)},
        {13, typeid(PaintLayerMaskOperation)}, {14, typeid(LayerOperation)},
        {15, typeid(VertexOperation)},       {16, typeid(LockObjectOperation)},
        {17, typeid(SoftBrushOperation)},    {18, typeid(FlattenOperation)},
        {19, typeid(EraseBrushOperation)},   {20, typeid(CurveOperation)},
        {21, typeid(TransformationOperation)}, {25, typeid(SketchOperation)},
    };
    for (int type = 0; type <= 26; ++type) {
        const std::unique_ptr<Operation> op = Interface::CreateBrushOperation(type);
        const auto found = classes.find(type);
        if (found == classes.end()) {
            EXPECT_EQ(op, nullptr) << type;
            continue;
        }
        ASSERT_NE(op, nullptr) << type;
        const Operation &built = *op;
        EXPECT_EQ(std::type_index(typeid(built)), found->second) << type;
        EXPECT_EQ(op->GetType(), type == kBulge ? kSoftBrush : type);
    }
    for (int type = 1; type <= 25; ++type)
        SetOperationMaker(type, {});
}

TEST_F(Undo, PerformanceReportIsFramedAndIndented)
{
    General::Store<General::Timer::Stat> &statistics = General::Timer::Statistics();
    const unsigned before = statistics.GetItemCount();
    General::Timer::Stat root;
    root.name = "Stroke";
    root.calls = 3;
    statistics.Add(root);
    General::Timer::Stat child;
    child.name = "Fill";
    child.calls = 2;
    child.parent = int(before);
    statistics.Add(child);

    m_host.testSwitch = true;
    m_interface->FinishOperation();  // no operation: the report comes all the same
    statistics.SetItemCount(before, true);

    const QString log = Recorder().log;
    EXPECT_TRUE(log.startsWith("===========================\nPerformance\n")) << log.toStdString();
    EXPECT_TRUE(log.endsWith("===========================\n"));
    EXPECT_TRUE(log.contains(QRegularExpression("\nStroke: \\d+% - [0-9.]+ mhz \\(3\\)\n\\| Fill: \\d+% - [0-9.]+ mhz \\(2\\)\n")))
        << log.toStdString();
}
