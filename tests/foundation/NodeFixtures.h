#pragma once
// Node classes for the node and attribute tests: each records what its attributes tell
// it, in one journal shared by all nodes, so tests can check the order of notifications.

#include "foundation/Node.h"

#include <QString>

#include <ostream>
#include <vector>

struct Heard {
    const General::Node *node;
    const General::Attribute *attribute;  // the gate for HandleEvent
    int event;                            // kGate for HandleEvent
    bool operator==(const Heard &) const = default;
};

constexpr int kGate = -1;

// Readable failures: which node heard which attribute's event.
void PrintTo(const Heard &heard, std::ostream *out);

std::vector<Heard> &Journal();

class RecordingNode : public General::Node {
public:
    explicit RecordingNode(const QString &name = QString()) : General::Node(name) {}
    void AttributeChanged(General::Attribute *attribute, int event) override;
    void HandleEvent(General::EventGate *gate) override;
};

// A small class tree: TestObject is a TestLevel; TestCamera stands apart.
class TestLevel : public RecordingNode {
public:
    using RecordingNode::RecordingNode;
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
};

class TestObject : public TestLevel {
public:
    using TestLevel::TestLevel;
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
};

class TestCamera : public RecordingNode {
public:
    using RecordingNode::RecordingNode;
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
};

// Registers the test classes for the lifetime of the object.
class TestClasses {
public:
    TestClasses();
    ~TestClasses();
};
