#include "NodeFixtures.h"

#include "foundation/EventGate.h"

std::vector<Heard> &Journal()
{
    static std::vector<Heard> s_journal;
    return s_journal;
}

void PrintTo(const Heard &heard, std::ostream *out)
{
    *out << "{" << (heard.node ? heard.node->GetName().toStdString() : "null") << ", "
         << (heard.attribute ? heard.attribute->GetName().toStdString() : "null") << ", " << heard.event << "}";
}

void RecordingNode::AttributeChanged(General::Attribute *attribute, int event)
{
    Journal().push_back({this, attribute, event});
}

void RecordingNode::HandleEvent(General::EventGate *gate) { Journal().push_back({this, gate, kGate}); }

constinit General::TypeInfo TestLevel::s_typeInfo{&General::Node::s_typeInfo, "TestLevel",
                                                  &General::CreateNodes<TestLevel>};
constinit General::TypeInfo TestObject::s_typeInfo{&TestLevel::s_typeInfo, "TestObject",
                                                   &General::CreateNodes<TestObject>};
constinit General::TypeInfo TestCamera::s_typeInfo{&General::Node::s_typeInfo, "TestCamera",
                                                   &General::CreateNodes<TestCamera>};

TestClasses::TestClasses()
{
    General::TypeInfo::Register(TestLevel::s_typeInfo);
    General::TypeInfo::Register(TestObject::s_typeInfo);
    General::TypeInfo::Register(TestCamera::s_typeInfo);
}

TestClasses::~TestClasses()
{
    General::TypeInfo::Unregister(TestCamera::s_typeInfo);
    General::TypeInfo::Unregister(TestObject::s_typeInfo);
    General::TypeInfo::Unregister(TestLevel::s_typeInfo);
}
