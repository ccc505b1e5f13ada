#include "NodeFixtures.h"

#include "foundation/attributes/AttributeBoolCollection.h"
#include "foundation/attributes/AttributeEditor.h"
#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/attributes/AttributeNumber.h"
#include "foundation/attributes/AttributeWatch.h"
#include "foundation/EventGate.h"
#include "foundation/Stream.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace General;

namespace {

class TypedAttributes : public testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
};

QString ErrorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Error &error) {
        EXPECT_EQ(error.GetCode(), 1);
        return error.GetMessage();
    }
    return QString();
}

}  // namespace

TEST_F(TypedAttributes, TextFormsRoundTrip)
{
    RecordingNode node("n");
    AttributeInstance<int> number("int");
    AttributeInstance<float> real("float");
    AttributeInstance<bool> flag("bool");
    AttributeInstance<QString> text("text");
    AttributeInstance<Color> color("color");
    AttributeInstance<Vector> vector("vector");
    AttributeFloatRange percent("percent", 0.0f, 1.0f, 100.0f);
    AttributeNumber frame("frame", 60, 4);
    AttributeFilename file("file", true);

    EXPECT_EQ(color.AsString(), "1.00 1.00 1.00 1.00");
    EXPECT_EQ(vector.AsString(), "0.00 0.00 0.00");
    EXPECT_EQ(flag.AsString(), "false");

    // Applied in order: a bool keeps its value for any text but "true" and "false".
    struct Case {
        Attribute *attribute;
        const char *text;
        const char *shown;
    } cases[] = {
        {&number, "-42", "-42"},
        {&number, "12abc", "0"},
        {&real, "3.14159", "3.14"},
        {&real, "-2", "-2.00"},
        {&flag, "TRUE", "false"},
        {&flag, "1", "false"},
        {&flag, "true", "true"},
        {&flag, "yes", "true"},
        {&flag, "false", "false"},
        {&text, " any text ", " any text "},
        {&color, "0.5 0.25 1 1", "0.50 0.25 1.00 1.00"},
        {&color, "0.5", "0.50 0.00 0.00 0.00"},
        {&vector, "1 2.5 -3", "1.00 2.50 -3.00"},
        {&percent, "25", "25.00"},
        {&frame, "7", "7"},
        {&file, "/tmp/a b.tev", "/tmp/a b.tev"},
    };
    for (const Case &test : cases) {
        test.attribute->SetFromString(test.text);
        EXPECT_EQ(test.attribute->AsString(), test.shown) << test.attribute->GetName().toStdString() << " given "
                                                          << test.text;
    }
    EXPECT_FLOAT_EQ(percent.GetValue(), 0.25f);
    EXPECT_EQ(color.GetValue(), Color(0.5f, 0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(Journal().empty());  // parsing neither notifies nor updates
}

TEST_F(TypedAttributes, TypeCodesAndSizes)
{
    RecordingNode node("n");
    AttributeInstance<int> number("int");
    AttributeInstance<float> real("float");
    AttributeInstance<bool> flag("bool");
    AttributeInstance<QString> text("text");
    AttributeInstance<Color> color("color");
    AttributeInstance<Vector> vector("vector");
    AttributeInstance<Node *> plain("plain");
    AttributePointer<Node> pointer("pointer");
    AttributeEnumeration choice("choice");
    AttributeBoolCollection bits("bits");
    AttributeFilename file("file", false);
    AttributeWatch watch;
    struct Case {
        Attribute *attribute;
        int type;
        int size;
    } cases[] = {
        {&number, 1, 4},  {&real, 2, 4},    {&flag, 3, 1},   {&text, 4, 4},
        {&color, 6, 16},  {&vector, 7, 12}, {&plain, 0, 4},  {&pointer, 5, 4},
        {&choice, 1, 4},  {&bits, 1, 4},    {&file, 4, 4},   {&watch, 8, 0},
        {&node.GetThis(), 5, 4},
    };
    for (const Case &test : cases) {
        EXPECT_EQ(test.attribute->GetType(), test.type) << test.attribute->GetName().toStdString();
        EXPECT_EQ(test.attribute->GetValueSize(), test.size) << test.attribute->GetName().toStdString();
    }
}

TEST_F(TypedAttributes, AFloatRangeWidensToAnyValueItIsGiven)
{
    RecordingNode node("n");
    AttributeFloatRange range("range", 0.0f, 1.0f);
    range.SetValue(3.0f);
    EXPECT_EQ(range.GetValue(), 3.0f);
    EXPECT_EQ(range.GetLower(), 0.0f);
    EXPECT_EQ(range.GetUpper(), 3.0f);
    range.SetValue(-2.0f);
    EXPECT_EQ(range.GetLower(), -2.0f);
    EXPECT_EQ(range.GetUpper(), 3.0f);
    range.SetValue(9.0f, true);  // silent: nothing is notified, so the bounds stay
    EXPECT_EQ(range.GetUpper(), 3.0f);

    AttributeFloatRange percent("percent", 0.0f, 1.0f, 100.0f);
    percent.SetValue(0.5f, true);
    EXPECT_EQ(percent.AsString(), "50.00");
}

TEST_F(TypedAttributes, BoolCollectionsKeepTheirOtherBitsAndRefuseOutsideTheirRange)
{
    RecordingNode node("n");
    AttributeBoolCollection bits("bits");
    EXPECT_EQ(bits.AddBool("a", true), 0);
    EXPECT_EQ(bits.AddBool("b", true), 1);
    EXPECT_EQ(bits.AddBool("c", false), 2);
    EXPECT_TRUE(Journal().empty());  // adding sets silently
    bits.SetBool(2, true);
    EXPECT_EQ(bits.GetValue(), 7);
    EXPECT_EQ(bits.AsString(), "7");
    EXPECT_EQ(Journal(), (std::vector<Heard>{{&node, &bits, 0}}));
    bits.SetBool(0, false, true);
    EXPECT_FALSE(bits.GetBool(0));
    EXPECT_TRUE(bits.GetBool(1));
    EXPECT_EQ(bits.GetBoolName(2), "c");

    for (int i = 3; i < 5; ++i)
        bits.AddBool(QString::number(i), false);
    const int before = bits.GetValue();
    EXPECT_EQ(ErrorOf([&] { bits.GetBool(5); }), "Bool collection index is out of range (index: 5, range: 5)");
    EXPECT_EQ(ErrorOf([&] { bits.SetBool(-1, true); }),
              "Bool collection index is out of range (index: -1, range: 5)");
    EXPECT_EQ(bits.GetValue(), before);

    while (bits.GetBoolCount() < AttributeBoolCollection::kMaxBools)
        bits.AddBool("more", false);
    bits.SetBool(31, true);
    EXPECT_TRUE(bits.GetBool(31));
    EXPECT_LT(bits.GetValue(), 0);
    EXPECT_EQ(ErrorOf([&] { bits.AddBool("33rd", true); }), "Too much bool in collection");
    EXPECT_EQ(bits.GetBoolCount(), 32);
}

namespace {
std::vector<EditorRequest> s_requests;
QWidget *RecordRequest(const EditorRequest &request)
{
    s_requests.push_back(request);
    return nullptr;
}
}  // namespace

TEST_F(TypedAttributes, EachAttributeAsksForItsOwnEditor)
{
    TestClasses classes;
    TestLevel node("n");
    AttributeInstance<int> number("int");
    AttributeInstance<float> real("float");
    AttributeInstance<bool> flag("bool");
    AttributeInstance<QString> text("text");
    AttributeInstance<Color> color("color");
    AttributeInstance<Vector> vector("vector");
    AttributeInstance<Node *> plain("plain");
    AttributePointer<TestCamera> camera("camera");
    AttributeFloatRange range("range", 0, 1);
    AttributeEnumeration choice("choice");
    AttributeFilename file("file", true);
    AttributeNumber frame("frame", 60, 4);
    AttributeBoolCollection bits("bits");
    EventGate gate("gate");
    AttributeWatch watch;
    struct Case {
        Attribute *attribute;
        EditorKind kind;
    } cases[] = {
        {&number, EditorKind::Spinbox},
        {&real, EditorKind::Editbox},
        {&flag, EditorKind::Checkbox},
        {&text, EditorKind::Editbox},
        {&color, EditorKind::Colorbox},
        {&vector, EditorKind::Vectorbox},
        {&plain, EditorKind::Editbox},
        {&camera, EditorKind::Pointerbox},
        {&range, EditorKind::Sliderbox},
        {&choice, EditorKind::Combobox},
        {&file, EditorKind::Filenamebox},
        {&frame, EditorKind::Spinbox},
        {&bits, EditorKind::CheckboxCollection},
        {&gate, EditorKind::Eventbox},
        {&watch, EditorKind::Editbox},
        {&node.GetThis(), EditorKind::Pointerbox},
    };

    EXPECT_EQ(number.CreateEditor(nullptr, 100), nullptr);  // no GUI: no editor
    InstallEditorFactory(&RecordRequest);
    s_requests.clear();
    for (const Case &test : cases)
        test.attribute->CreateEditor(nullptr, 120);
    InstallEditorFactory(nullptr);

    ASSERT_EQ(s_requests.size(), std::size(cases));
    for (size_t i = 0; i < s_requests.size(); ++i) {
        EXPECT_EQ(s_requests[i].kind, cases[i].kind) << cases[i].attribute->GetName().toStdString();
        EXPECT_EQ(s_requests[i].attribute, cases[i].attribute);
        EXPECT_EQ(s_requests[i].width, 120);
    }
    EXPECT_EQ(s_requests[0].spinWidth, 40);
    EXPECT_EQ(s_requests[0].digits, 1);
    EXPECT_EQ(s_requests[11].spinWidth, 60);
    EXPECT_EQ(s_requests[11].digits, 4);
    EXPECT_EQ(s_requests[7].pointerType, &TestCamera::s_typeInfo);
    EXPECT_EQ(s_requests[15].pointerType, &TestLevel::s_typeInfo);  // THIS offers its own node's class
}

TEST_F(TypedAttributes, ValuesRoundTripThroughAStreamWithoutNotifying)
{
    TempDir dir;
    const QString path = dir.File("attributes");
    {
        Node node("saved");
        AttributeInstance<int> number("int");
        AttributeInstance<float> real("float");
        AttributeInstance<bool> flag("bool");
        AttributeInstance<QString> text("text");
        AttributeInstance<Color> color("color");
        AttributeInstance<Vector> vector("vector");
        AttributeBoolCollection bits("bits");
        number.SetValue(-5);
        real.SetValue(0.125f);
        flag.SetValue(true);
        text.SetValue("Ünïcode-free Latin-1 ü");
        color.SetValue(Color(0.1f, 0.2f, 0.3f, 0.4f));
        vector.SetValue(Vector(1.0f, -2.0f, 3.5f));
        bits.AddBool("x", true);
        Stream stream(path, true);
        stream << number << real << flag << text << color << vector << bits;
        ASSERT_FALSE(stream.HasError());
    }
    EXPECT_EQ(TempDir::Read(path).size(), 4 + 4 + 4 + 1 + 4 + 22 + 16 + 12 + 4);

    RecordingNode node("loaded");
    AttributeInstance<int> number("int");
    AttributeInstance<float> real("float");
    AttributeInstance<bool> flag("bool");
    AttributeInstance<QString> text("text");
    AttributeInstance<Color> color("color");
    AttributeInstance<Vector> vector("vector");
    AttributeInstance<int> bits("bits");
    Stream stream(path, false);
    stream << number << real << flag << text << color << vector << bits;
    EXPECT_FALSE(stream.HasError());
    EXPECT_EQ(number.GetValue(), -5);
    EXPECT_EQ(real.GetValue(), 0.125f);
    EXPECT_TRUE(flag.GetValue());
    EXPECT_EQ(text.GetValue(), "Ünïcode-free Latin-1 ü");
    EXPECT_EQ(color.GetValue(), Color(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(vector.GetValue(), Vector(1.0f, -2.0f, 3.5f));
    EXPECT_EQ(bits.GetValue(), 1);
    EXPECT_TRUE(Journal().empty());
}

TEST_F(TypedAttributes, AShortStreamLeavesEveryValueAsItWas)
{
    TempDir dir;
    const QString path = dir.File("short");
    TempDir::Write(path, QByteArray("\xE4\0\0\0\x01\x02", 6));
    Node node("n");
    AttributeInstance<int> number("int");
    AttributeInstance<QString> text("text");
    AttributeInstance<Color> color("color");
    AttributeInstance<Vector> vector("vector");
    number.SetValue(9, true);
    text.SetValue("kept", true);
    for (Attribute *attribute : std::initializer_list<Attribute *>{&number, &text, &color, &vector}) {
        const QString before = attribute->AsString();
        Stream stream(path, false);
        EXPECT_FALSE(attribute->Serialize(stream)) << attribute->GetName().toStdString();
        EXPECT_EQ(attribute->AsString(), before) << attribute->GetName().toStdString();
    }
}
