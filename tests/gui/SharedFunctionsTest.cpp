#include "GuiApplication.h"
#include "foundation/math/Color.h"
#include "foundation/Containers.h"
#include "foundation/Diagnostics.h"
#include "foundation/math/IntPairCompare.h"
#include "gui/common/Commands.h"
#include "gui/common/Trays.h"
#include "support/RecordingShell.h"

#include <QColor>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace {

TEST(IntPairCompare, PairsFarApartCompareTheRightWayRound)
{
    struct Case {
        int a, b, sign;
    };
    const Case cases[] = {{1, 2, -1},         {2, 1, 1},        {5, 5, 0},         {INT_MIN, 1, -1},
                          {1, INT_MIN, 1},    {INT_MAX, -1, 1}, {-1, INT_MAX, -1}, {INT_MIN, INT_MAX, -1},
                          {INT_MAX, INT_MIN, 1}};
    auto sign = [](int x) { return (x > 0) - (x < 0); };
    for (const Case &c : cases) {
        const General::IntPair a{c.a, c.b}, b{c.b, c.a};
        EXPECT_EQ(sign(General::CompareIntPairFirst(&a, &b)), c.sign) << c.a << " " << c.b;
        EXPECT_EQ(sign(General::CompareIntPairSecond(&b, &a)), c.sign) << c.a << " " << c.b;
    }
}

TEST(IntPairCompare, QsortOrdersByTheChosenMember)
{
    std::vector<General::IntPair> pairs{{7, INT_MIN}, {INT_MIN, 3}, {INT_MAX, -4}, {0, INT_MAX}, {-9, 0}};
    std::qsort(pairs.data(), pairs.size(), sizeof(General::IntPair), General::CompareIntPairFirst);
    EXPECT_EQ(pairs, (std::vector<General::IntPair>{{INT_MIN, 3}, {-9, 0}, {0, INT_MAX}, {7, INT_MIN}, {INT_MAX, -4}}));
    std::qsort(pairs.data(), pairs.size(), sizeof(General::IntPair), General::CompareIntPairSecond);
    EXPECT_EQ(pairs, (std::vector<General::IntPair>{{7, INT_MIN}, {INT_MAX, -4}, {-9, 0}, {INT_MIN, 3}, {0, INT_MAX}}));
}

TEST(ColorConversion, QtComponentsBecomeFractionsAndBack)
{
    General::Color color(0.2f, 0.2f, 0.2f, 0.5f);
    color.FromQColor(QColor(255, 128, 0, 17));
    EXPECT_FLOAT_EQ(color.r, 1.0f);
    EXPECT_NEAR(color.g, 0.50196f, 1e-5f);
    EXPECT_FLOAT_EQ(color.b, 0.0f);
    EXPECT_FLOAT_EQ(color.a, 1.0f);
    EXPECT_EQ(color.ToQColor(), QColor(255, 128, 0, 255));
    // Every Qt component survives the round trip.
    for (int v = 0; v < 256; ++v) {
        General::Color c;
        c.FromQColor(QColor(v, 255 - v, v / 2));
        EXPECT_EQ(c.ToQColor(), QColor(v, 255 - v, v / 2)) << v;
    }
}

TEST(ColorConversion, FractionsAreTruncatedAndHeldWithinTheQtRange)
{
    struct Case {
        float value;
        int component;
    };
    for (const Case &c : {Case{0.999f, 254}, Case{0.5f, 127}, Case{1.0f, 255}, Case{1.7f, 255}, Case{-0.3f, 0}}) {
        const QColor q = General::Color(c.value, 0.0f, 1.0f, 0.2f).ToQColor();
        EXPECT_TRUE(q.isValid()) << c.value;
        EXPECT_EQ(q.red(), c.component) << c.value;
        EXPECT_EQ(q.alpha(), 255);
    }
}

// Handlers that record the names they are asked for and fail on one of them.
class RecordingHandlers : public GUI::CommandHandlers {
public:
    RecordingHandlers() { Install(this); }
    ~RecordingHandlers() override { Install(nullptr); }
    void Activate(const QString &name) override
    {
        names << name;
        if (name == "Delete")
            throw General::Error(1, "Nothing is selected.");
    }
    QStringList names;
};

TEST(RunCommand, ACommandsErrorIsShownAndTheCallerGoesOn)
{
    RecordingHandlers handlers;
    Recorder().Clear();
    GUI::RunCommand("Delete");
    ASSERT_EQ(Recorder().boxes, QStringList{"Error: Nothing is selected."});
    EXPECT_EQ(Recorder().boxKinds[0], General::ShellServices::kCritical);

    GUI::RunCommand("Deselect all");
    EXPECT_EQ(handlers.names, (QStringList{"Delete", "Deselect all"}));
    EXPECT_EQ(Recorder().boxes.size(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(CheckTrayItem, TheItemGoesToTheTraysByTypeAndName)
{
    struct Trays : GUI::TrayServices {
        void CheckTrayItemByName(const QString &type, const QString &item) override { calls << type + "|" + item; }
        QStringList calls;
    } trays;
    GUI::CheckTrayItem("Tool", "Clay");  // nothing installed: nothing happens
    GUI::TrayServices::Install(&trays);
    GUI::CheckTrayItem("Stamp", "Sk\u00e4lla");
    GUI::TrayServices::Install(nullptr);
    EXPECT_EQ(trays.calls, QStringList{"Stamp|Sk\u00e4lla"});
}

}  // namespace
