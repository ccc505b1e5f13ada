#include "NodeFixtures.h"

#include "foundation/attributes/AttributeInstance.h"
#include "foundation/Globals.h"
#include "support/RecordingShell.h"

#include <gtest/gtest.h>

#include <memory>

using General::Node;
using General::TypeInfo;

namespace {

QStringList RegistryNames()
{
    QStringList names;
    for (const TypeInfo *record = TypeInfo::GetHead(); record; record = record->GetNext())
        names << QString::fromLatin1(record->GetName());
    return names;
}

// Records carrying the program's own class names, standing in for classes of higher layers.
constinit TypeInfo s_camera{nullptr, "Camera", nullptr};
constinit TypeInfo s_transformation{nullptr, "Transformation", nullptr};
constinit TypeInfo s_mesh{nullptr, "Mesh", nullptr};
constinit TypeInfo s_subdivLevel{&s_mesh, "SubdivLevel", nullptr};
constinit TypeInfo s_object{&s_subdivLevel, "Object", nullptr};
constinit TypeInfo s_mapper{nullptr, "Mapper", nullptr};

}  // namespace

TEST(Registry, HoldsTheRootRecordOnceTheGlobalsAreBuilt)
{
    EXPECT_EQ(RegistryNames(), QStringList{"Node"});
    EXPECT_EQ(TypeInfo::Find("Node"), &Node::s_typeInfo);
    EXPECT_EQ(Node::s_typeInfo.GetParent(), nullptr);
    EXPECT_EQ(Node::s_typeInfo.Create(1), nullptr);  // the root has no factory
    EXPECT_EQ(TypeInfo::Find("Camera"), nullptr);
    EXPECT_EQ(TypeInfo::Find(""), nullptr);
}

TEST(Registry, ReadsNewestFirstInTheFixedClassOrderWhateverTheRegistrationOrder)
{
    TypeInfo *scrambled[] = {&s_transformation, &s_camera, &s_object, &s_mesh, &s_mapper, &s_subdivLevel};
    for (TypeInfo *record : scrambled)
        TypeInfo::Register(*record);
    TypeInfo::Register(s_mesh);  // a second registration moves nothing
    EXPECT_EQ(RegistryNames(),
              (QStringList{"Transformation", "SubdivLevel", "Object", "Node", "Mapper", "Mesh", "Camera"}));

    EXPECT_EQ(TypeInfo::Find("Object"), &s_object);
    EXPECT_TRUE(TypeInfo::IsKindOf(&s_object, &s_mesh));
    EXPECT_TRUE(TypeInfo::IsKindOf(&s_object, &s_object));
    EXPECT_FALSE(TypeInfo::IsKindOf(&s_mesh, &s_object));
    EXPECT_FALSE(TypeInfo::IsKindOf(&s_camera, &s_mesh));
    EXPECT_FALSE(TypeInfo::IsKindOf(nullptr, &s_mesh));

    for (TypeInfo *record : scrambled)
        TypeInfo::Unregister(*record);
    EXPECT_EQ(RegistryNames(), QStringList{"Node"});
}

TEST(Registry, FactoriesBuildOneNodeOrAnArray)
{
    TestClasses classes;
    std::unique_ptr<Node> one(TypeInfo::Find("TestObject")->Create(0));
    ASSERT_TRUE(one);
    EXPECT_EQ(one->GetTypeInfo(), &TestObject::s_typeInfo);

    auto *many = static_cast<TestCamera *>(TestCamera::s_typeInfo.Create(3));
    ASSERT_TRUE(many);
    EXPECT_EQ(Node::GetHead(), &many[2]);
    EXPECT_EQ(many[0].GetId() + 2, many[2].GetId());
    delete[] many;
}

TEST(Node, TakesSerialIdsAndOrderValuesAndListsNewestFirst)
{
    ASSERT_EQ(Node::GetHead(), nullptr);
    Node first("first");
    Node second("second");
    EXPECT_EQ(second.GetId(), first.GetId() + 1);
    EXPECT_EQ(first.GetFirstOrder(), 10);
    EXPECT_EQ(first.GetSecondOrder(), 10);
    EXPECT_EQ(second.GetSecondOrder(), 110);
    EXPECT_EQ(Node::GetHead(), &second);
    EXPECT_EQ(second.GetNext(), &first);
    EXPECT_EQ(first.GetPrevious(), &second);
    EXPECT_EQ(Node::FindById(first.GetId()), &first);
    EXPECT_EQ(Node::FindById(second.GetId() + 1), nullptr);
    // The THIS attribute is the node's first attribute, read-only, pointing at the node.
    ASSERT_EQ(first.GetAttributeCount(), 1);
    EXPECT_EQ(first.GetAttribute(0), &first.GetThis());
    EXPECT_EQ(first.GetThis().GetPointer(), &first);
    EXPECT_TRUE(first.GetThis().IsReadOnly());
    EXPECT_EQ(first.GetAttribute(1), nullptr);
    EXPECT_EQ(first.GetAttribute(-1), nullptr);
}

TEST(Node, LeavesTheListFromAnyPlace)
{
    Node a("a");
    auto b = std::make_unique<Node>("b");
    Node c("c");
    b.reset();
    EXPECT_EQ(c.GetNext(), &a);
    EXPECT_EQ(a.GetPrevious(), &c);
    EXPECT_FALSE(Node::IsLive(nullptr));
    EXPECT_TRUE(Node::IsLive(&a));
}

TEST(Node, FindWalksTheClassTreeAndPrefersTheNewest)
{
    TestClasses classes;
    TestObject object("shape");
    TestLevel level("level");
    TestCamera olderCamera("cam");
    TestCamera newerCamera("cam");

    EXPECT_EQ(Node::Find("TestLevel", "shape"), &object);  // an object is a level
    EXPECT_EQ(Node::Find("TestObject", "level"), nullptr);  // a level is not an object
    EXPECT_EQ(Node::Find("Node", "shape"), &object);
    EXPECT_EQ(Node::Find("TestCamera", "cam"), &newerCamera);
    EXPECT_EQ(Node::Find("TestCamera", "nobody"), nullptr);
    EXPECT_EQ(Node::Find("Unregistered", "cam"), nullptr);
}

TEST(Node, AttributesBuiltAfterTheCurrentNodeDiedStayDetached)
{
    Node keeper("keeper");
    EXPECT_EQ(Node::GetCurrent(), &keeper);
    { Node passing("passing"); }
    EXPECT_EQ(Node::GetCurrent(), nullptr);
    General::AttributeInstance<int> loose("loose");
    EXPECT_EQ(loose.GetOwner(), nullptr);
    EXPECT_EQ(keeper.GetAttributeCount(), 1);
}

TEST(Node, MemberAttributesJoinTheirNodeNewestFirst)
{
    struct Shape : Node {
        Shape() : Node("shape") {}
        General::AttributeInstance<int> m_aCount{"Count"};
        General::AttributeInstance<QString> m_aLabel{"Label"};
    } shape;
    ASSERT_EQ(shape.GetAttributeCount(), 3);
    EXPECT_EQ(shape.GetAttribute(0), &shape.m_aLabel);
    EXPECT_EQ(shape.GetAttribute(1), &shape.m_aCount);
    EXPECT_EQ(shape.GetAttribute(2), &shape.GetThis());

    shape.m_aCount.SetValue(3, true);
    shape.m_aLabel.SetValue("round", true);
    shape.LogAttributes();
    EXPECT_TRUE(Recorder().LogContains("Label: round\nCount: 3\nTHIS: shape\n"));
}

TEST(Node, TakeAttributesMovesThemReversedIntoTheGroup)
{
    Node receiver("receiver");
    auto giver = std::make_unique<Node>("giver");
    General::AttributeInstance<int> a("a");
    General::AttributeInstance<int> b("b");
    receiver.TakeAttributes(giver.get(), "Tool");

    EXPECT_EQ(giver->GetAttributeCount(), 0);
    ASSERT_EQ(receiver.GetAttributeCount(), 4);
    EXPECT_EQ(receiver.GetAttribute(0), &giver->GetThis());
    EXPECT_EQ(receiver.GetAttribute(1), &a);
    EXPECT_EQ(receiver.GetAttribute(2), &b);
    EXPECT_EQ(a.GetGroup(), "Tool");
    EXPECT_EQ(a.GetOwner(), &receiver);

    giver.reset();  // its THIS leaves the receiver's list with it
    EXPECT_EQ(receiver.GetAttributeCount(), 3);
}

TEST(Node, AttributesThatOutliveTheirNodeAreDetached)
{
    auto owner = std::make_unique<Node>("owner");
    auto survivor = std::make_unique<General::AttributeInstance<int>>("survivor");
    owner.reset();
    EXPECT_EQ(survivor->GetOwner(), nullptr);
    survivor->SetValue(1);  // would tell the freed node otherwise
}
