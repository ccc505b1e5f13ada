#include "NodeFixtures.h"

#include "foundation/attributes/AttributeInstance.h"
#include "foundation/attributes/AttributeWatch.h"
#include "foundation/EventGate.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using General::Attribute;
using General::AttributeInstance;

namespace {

class Connections : public testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
    // The message of the General::Error that `call` throws; empty when it throws none.
    static QString Refusal(const std::function<void()> &call)
    {
        try {
            call();
        } catch (const General::Error &error) {
            EXPECT_EQ(error.GetCode(), 1);
            return error.GetMessage();
        }
        return QString();
    }
};

}  // namespace

TEST_F(Connections, RefusalsNameTheirCauseAndChangeNothing)
{
    RecordingNode node("n");
    AttributeInstance<int> a("a"), b("b"), c("c");
    AttributeInstance<bool> flag("flag");
    AttributeInstance<float> ratio("ratio");
    AttributeInstance<General::Node *> plain("plain");
    Attribute bare("bare");
    General::AttributeWatch watch;
    a.Connect(&b);
    b.Connect(&c);

    struct Case {
        const char *what;
        Attribute *source;
        Attribute *target;
        QString message;
    } cases[] = {
        {"back to the chain's start", &c, &a, "Connection would result a loop"},
        {"onto itself", &a, &a, "Connection would result a loop"},
        {"int to bool: size before type", &a, &flag, "Size of the attributes do not match"},
        {"int to float", &a, &ratio, "Type of the attributes do not match"},
        {"base to int", &bare, &a, "Size of the attributes do not match"},
        {"plain pointer to int", &plain, &c, "Type of the attributes do not match"},
    };
    for (const Case &test : cases) {
        Attribute *oldSource = test.target->GetSource();
        const unsigned oldTargets = test.source->GetTargetCount();
        EXPECT_EQ(Refusal([&] { test.source->Connect(test.target); }), test.message) << test.what;
        EXPECT_EQ(test.target->GetSource(), oldSource) << test.what;
        EXPECT_EQ(test.source->GetTargetCount(), oldTargets) << test.what;
    }

    // A watch takes any source, even a bare one.
    EXPECT_EQ(Refusal([&] { bare.Connect(&watch); }), QString());
    EXPECT_EQ(watch.GetSource(), &bare);
    EXPECT_EQ(Refusal([&] { plain.Connect(&watch); }), QString());
    EXPECT_EQ(bare.GetTargetCount(), 0u);
}

TEST_F(Connections, AChangeTravelsDownAChainBeforeEachOwnerHearsIt)
{
    RecordingNode first("first");
    AttributeInstance<int> a("a");
    RecordingNode second("second");
    AttributeInstance<int> b("b");
    RecordingNode third("third");
    AttributeInstance<int> c("c");
    a.Connect(&b);
    b.Connect(&c);
    Journal().clear();

    a.SetValue(7);
    EXPECT_EQ(b.GetValue(), 7);
    EXPECT_EQ(c.GetValue(), 7);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&third, &c, 0}, {&second, &b, 0}, {&first, &a, 0}}));

    Journal().clear();
    a.SetValue(8, true);  // silent: the targets still follow and tell their owners
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&third, &c, 0}, {&second, &b, 0}}));
}

TEST_F(Connections, ReconnectingMovesTheTargetAndHandsItTheNewValue)
{
    RecordingNode node("n");
    AttributeInstance<int> oldSource("old"), newSource("new"), target("target");
    oldSource.SetValue(1, true);
    newSource.SetValue(2, true);
    oldSource.Connect(&target);
    Journal().clear();

    newSource.Connect(&target);
    EXPECT_EQ(oldSource.GetTargetCount(), 0u);
    EXPECT_EQ(target.GetSource(), &newSource);
    EXPECT_EQ(target.GetValue(), 2);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&node, &oldSource, 2},
                                              {&node, &target, 1},
                                              {&node, &target, 0},
                                              {&node, &newSource, 2},
                                              {&node, &target, 1}}));
}

TEST_F(Connections, EqualValuesAreNotSentOnConnection)
{
    RecordingNode node("n");
    AttributeInstance<QString> source("source"), target("target");
    source.SetValue("same", true);
    target.SetValue("same", true);
    source.Connect(&target);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&node, &source, 2}, {&node, &target, 1}}));
}

TEST_F(Connections, DisconnectingTellsBothEnds)
{
    RecordingNode node("n");
    AttributeInstance<int> source("source"), target("target");
    source.Connect(&target);
    Journal().clear();
    target.Disconnect();
    EXPECT_EQ(source.GetTargetCount(), 0u);
    EXPECT_EQ(target.GetSource(), nullptr);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&node, &source, 2}, {&node, &target, 1}}));

    Journal().clear();
    target.Disconnect();  // nothing without a source
    EXPECT_TRUE(Journal().empty());
}

TEST_F(Connections, DestroyingEitherEndLeavesTheOtherConsistent)
{
    RecordingNode node("n");
    AttributeInstance<int> source("source");
    auto target = std::make_unique<AttributeInstance<int>>("target");
    auto other = std::make_unique<AttributeInstance<int>>("other");
    source.Connect(target.get());
    source.Connect(other.get());
    target.reset();
    ASSERT_EQ(source.GetTargetCount(), 1u);
    EXPECT_EQ(source.GetTarget(0), other.get());
    source.SetValue(3);
    EXPECT_EQ(other->GetValue(), 3);

    auto dying = std::make_unique<AttributeInstance<int>>("dying");
    dying->Connect(other.get());
    Journal().clear();
    General::Attribute *dyingAddress = dying.get();
    dying.reset();
    EXPECT_EQ(other->GetSource(), nullptr);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&node, other.get(), 1}, {&node, dyingAddress, 2}}));
}

TEST_F(Connections, MovingAnAttributeToAnotherNodeLeavesItsSource)
{
    RecordingNode home("home");
    AttributeInstance<int> source("source");
    auto moving = std::make_unique<AttributeInstance<int>>("moving");
    source.Connect(moving.get());
    RecordingNode away("away");
    Journal().clear();

    moving->SetOwner(&away);
    EXPECT_EQ(moving->GetOwner(), &away);
    EXPECT_EQ(moving->GetSource(), nullptr);
    EXPECT_EQ(source.GetTargetCount(), 0u);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&home, &source, 2}, {&home, moving.get(), 1}}));
    EXPECT_EQ(home.GetAttributeCount(), 2);
    EXPECT_EQ(away.GetAttribute(0), moving.get());

    moving.reset();
    source.SetValue(1);  // must not reach the destroyed attribute
}

TEST_F(Connections, AWatchHearsEverythingItsSourceIsToldAndPassesItOn)
{
    RecordingNode node("n");
    AttributeInstance<int> value("value");
    RecordingNode row("row");
    General::AttributeWatch watch;
    EXPECT_EQ(watch.GetType(), Attribute::kTypeWatch);
    value.Connect(&watch);
    Journal().clear();

    // A value change reaches the watch twice: as a target of another size, then as a watch.
    value.SetValue(5);
    value.Notify(Attribute::kNodeChanged);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&row, &watch, 0},
                                              {&row, &watch, 0},
                                              {&node, &value, 0},
                                              {&row, &watch, 3},
                                              {&node, &value, 3}}));
}

TEST_F(Connections, EventThreeOnThisSkipsTheOwnNodeButReachesThePointers)
{
    RecordingNode pointed("pointed");
    AttributeInstance<int> own("own");
    RecordingNode holder("holder");
    General::AttributePointer<General::Node> pointer("pointer");
    pointer.SetValue(&pointed);
    Journal().clear();

    pointed.GetThis().Notify(Attribute::kNodeChanged);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&holder, &pointer, 3}}));

    Journal().clear();
    own.Notify(Attribute::kNodeChanged);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&pointed, &own, 3}}));
}

TEST_F(Connections, AnEventGateCallsHandleEventBeforeTheOwnerHearsTheChange)
{
    RecordingNode node("n");
    General::EventGate gate("go");
    EXPECT_EQ(gate.GetValue(), 0);
    EXPECT_EQ(gate.GetType(), Attribute::kTypeInt);
    gate.SetValue(1);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&node, &gate, kGate}, {&node, &gate, 0}}));
    Journal().clear();
    gate.SetValue(2, true);
    EXPECT_TRUE(Journal().empty());
}

TEST_F(Connections, ADyingNodeTellsItsPointersAndLeavesThemNull)
{
    auto pointed = std::make_unique<RecordingNode>("pointed");
    RecordingNode holder("holder");
    General::AttributePointer<General::Node> pointer("pointer");
    pointer.SetValue(pointed.get());
    EXPECT_EQ(pointer.GetSource(), &pointed->GetThis());
    Journal().clear();

    pointed.reset();
    EXPECT_EQ(pointer.GetPointer(), nullptr);
    EXPECT_EQ(pointer.GetSource(), nullptr);
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&holder, &pointer, 4}, {&holder, &pointer, 0}, {&holder, &pointer, 1}}));
}
