#include "NodeFixtures.h"

#include "foundation/attributes/AttributeWatch.h"
#include "foundation/Globals.h"
#include "foundation/Stream.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>

using namespace General;

namespace {

class PointerAttributes : public testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
    TestClasses m_classes;
};

bool OnlyNamedKeep(Node *node) { return node->GetName().startsWith("keep"); }

}  // namespace

TEST_F(PointerAttributes, FollowTheirNodeThroughItsThisAttribute)
{
    RecordingNode first("first");
    RecordingNode second("second");
    RecordingNode holder("holder");
    AttributePointer<Node> pointer("pointer");
    EXPECT_EQ(pointer.AsString(), "NULL");
    EXPECT_TRUE(pointer.IsNullAllowed());

    pointer.SetValue(&first);
    EXPECT_EQ(pointer.AsString(), "first");
    EXPECT_EQ(pointer.GetSource(), &first.GetThis());
    Journal().clear();

    pointer.SetValue(&first);  // the node it holds already: nothing
    pointer.SetPointer(&first, true);
    EXPECT_TRUE(Journal().empty());

    pointer.SetValue(&second);
    EXPECT_EQ(first.GetThis().GetTargetCount(), 0u);
    ASSERT_EQ(second.GetThis().GetTargetCount(), 1u);
    EXPECT_EQ(pointer.GetSource(), &second.GetThis());
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&holder, &pointer, 0},
                                              {&first, &first.GetThis(), 2},
                                              {&holder, &pointer, 1},
                                              {&second, &second.GetThis(), 2},
                                              {&holder, &pointer, 1}}));
}

TEST_F(PointerAttributes, RefuseWhatTheirFilterOrTheirClassRefuses)
{
    TestCamera keeper("keep me");
    TestCamera other("other");
    TestLevel level("level");
    RecordingNode holder("holder");
    AttributePointer<TestCamera> pointer("pointer");
    pointer.SetAcceptFilter(&OnlyNamedKeep);
    pointer.SetPointer(&keeper, true);
    ASSERT_EQ(pointer.GetValue(), &keeper);
    Journal().clear();

    pointer.SetPointer(&other, true);
    pointer.SetPointer(&level, false);
    pointer.SetValue(&level);  // not a camera, whatever the filter
    EXPECT_EQ(pointer.GetValue(), &keeper);
    EXPECT_TRUE(Journal().empty());
    EXPECT_FALSE(pointer.AcceptsPointer(&other));
    EXPECT_FALSE(pointer.AcceptsPointer(&level));
    EXPECT_TRUE(pointer.AcceptsPointer(&keeper));

    pointer.SetPointer(nullptr, false);  // null always passes
    EXPECT_EQ(pointer.GetValue(), nullptr);
}

TEST_F(PointerAttributes, APointerTargetKeepsFollowingItsSource)
{
    RecordingNode first("first");
    RecordingNode second("second");
    RecordingNode holder("holder");
    AttributePointer<Node> source("source");
    AttributePointer<Node> target("target");
    source.SetValue(&first);
    target.SetValue(&second);

    source.Connect(&target);
    EXPECT_EQ(target.GetPointer(), &first);
    EXPECT_EQ(target.GetSource(), &source);
    source.SetValue(&second);
    EXPECT_EQ(target.GetPointer(), &second);
    EXPECT_EQ(target.GetSource(), &source);
}

TEST_F(PointerAttributes, ThePickedNodePointerBelongsToNoNode)
{
    RecordingNode current("current");
    AttributePointer<Node> &picked = PickedNode();
    EXPECT_EQ(picked.GetOwner(), nullptr);
    EXPECT_EQ(ConnectionGate().GetOwner(), nullptr);
    EXPECT_EQ(ConnectionGate().GetName(), "eventgate");
    {
        RecordingNode chosen("chosen");
        picked.SetValue(&chosen);
        EXPECT_EQ(picked.AsString(), "chosen");
    }
    EXPECT_EQ(picked.GetPointer(), nullptr);
    EXPECT_TRUE(EmptyBox().IsEmpty());
    EXPECT_TRUE(InstanceSuffix().isEmpty());
    EXPECT_TRUE(TrayItemTypes().isEmpty());
}

TEST_F(PointerAttributes, AreStoredByClassAndNameAndBoundAgainToTheNewestMatch)
{
    TempDir dir;
    const QString path = dir.File("pointers");
    {
        TestObject object("a");
        TestLevel level("b");
        TestCamera camera("c");
        TestObject lonely("z");
        Node holder("holder");
        AttributePointer<Node> toObject("toObject");
        AttributePointer<TestLevel> toLevel("toLevel");
        AttributePointer<Node> toNothing("toNothing");
        AttributePointer<Node> toCamera("toCamera");
        AttributePointer<Node> toLonely("toLonely");
        toObject.SetValue(&object);
        toLevel.SetValue(&level);
        toCamera.SetValue(&camera);
        toLonely.SetValue(&lonely);
        Stream stream(path, true);
        stream << toObject << toLevel << toNothing << toCamera << toLonely;
        stream << QString("TestLevel") << QString("b");  // as if a level had been saved for a camera
    }

    // A later session: two objects "a" (the newer must win), the level, no camera, and a
    // plain level "z" where an object "z" was saved.
    TestObject olderA("a");
    TestObject newerA("a");
    TestLevel level("b");
    TestLevel notAnObject("z");
    RecordingNode holder("holder");
    AttributePointer<Node> toObject("toObject");
    AttributePointer<TestLevel> toLevel("toLevel");
    AttributePointer<Node> toNothing("toNothing");
    AttributePointer<Node> toCamera("toCamera");
    AttributePointer<Node> toLonely("toLonely");
    AttributePointer<TestCamera> wrongKind("wrongKind");
    toNothing.SetValue(&level);
    Journal().clear();

    Stream stream(path, false);
    stream << toObject << toLevel << toNothing << toCamera << toLonely << wrongKind;
    EXPECT_FALSE(stream.HasError());
    EXPECT_EQ(toObject.GetPointer(), &newerA);
    EXPECT_EQ(toObject.GetSource(), &newerA.GetThis());
    EXPECT_EQ(toLevel.GetValue(), &level);
    EXPECT_EQ(toNothing.GetPointer(), nullptr);  // saved as null
    EXPECT_EQ(toCamera.GetPointer(), nullptr);   // its node is gone
    EXPECT_EQ(toLonely.GetPointer(), nullptr);   // class names compare exactly
    EXPECT_EQ(wrongKind.GetValue(), nullptr);    // a level is no camera
    // Binding notifies like any pointer set.
    EXPECT_EQ(Journal().front(), (Heard{&holder, &toObject, 0}));
}

TEST_F(PointerAttributes, ANullPointerIsStoredAsTwoEmptyStrings)
{
    TempDir dir;
    const QString path = dir.File("null");
    {
        Node holder("holder");
        AttributePointer<Node> pointer("pointer");
        Stream stream(path, true);
        stream << pointer;
    }
    EXPECT_EQ(TempDir::Read(path), QByteArray("\xE4\0\0\0\0\0\0\0\0\0\0\0", 12));
}

TEST_F(PointerAttributes, APlainNodePointerIsNeverFormedFromInput)
{
    TempDir dir;
    const QString path = dir.File("plain");
    Node holder("holder");
    AttributeInstance<Node *> plain("plain");
    plain.SetFromString("16 32 64 128");
    EXPECT_EQ(plain.GetValue(), nullptr);
    {
        auto pointed = std::make_unique<TestCamera>("cam");
        plain.SetValue(pointed.get());
        EXPECT_EQ(plain.AsString(), "cam");
        Stream stream(path, true);
        stream << plain;
    }
    // The node is gone but the plain pointer was not told: it must not read it.
    EXPECT_EQ(plain.AsString(), QString());
    EXPECT_EQ(TempDir::Read(path).mid(4), QByteArray("\x0A\0\0\0TestCamera\x03\0\0\0cam", 21));

    TestCamera again("cam");
    AttributeInstance<Node *> loaded("loaded");
    Stream stream(path, false);
    stream << loaded;
    EXPECT_EQ(loaded.GetValue(), &again);
}
