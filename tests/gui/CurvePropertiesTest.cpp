// The "Curve" page: the degree choice and the intensity graph of the shown scene curve.
#include "GuiApplication.h"
#include "InteractionFixtures.h"
#include "foundation/curves/NURBSCurve.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/CurveEditor.h"
#include "gui/properties/CurveProperties.h"

#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class CurvePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        guitest::Application();
        InteractionServices::Install(&m_host);
        m_window = std::make_unique<GUI::PropertiesDialog>(nullptr, "props", true);
        m_window->show();
        for (float x : {0.0f, 1.0f, 2.0f, 3.0f})
            m_curve.InsertControlPoint(General::Vector(x, x * x, 0.0f), -1);
        m_curve.SetDegree(3);
    }
    void TearDown() override
    {
        m_window.reset();
        InteractionServices::Install(nullptr);
    }
    GUI::CurveProperties *Show(General::Node *node)
    {
        m_window->BuildPanel(QStringLiteral("Curve"), node);
        return dynamic_cast<GUI::CurveProperties *>(m_window->GetPanel());
    }
    template <class W> W *Child(const char *name) const
    {
        return m_window->GetPanel()->findChild<W *>(QLatin1String(name));
    }

    RecordingInteraction m_host;
    General::NURBSCurve m_curve{3, true};
    std::unique_ptr<GUI::PropertiesDialog> m_window;
};

TEST_F(CurvePage, ChoosingADegreeSetsItAndRepaintsTheViewOnce)
{
    ASSERT_NE(Show(&m_curve), nullptr);
    auto *degree = Child<QComboBox>("degree");
    EXPECT_EQ(degree->currentText(), QStringLiteral("3"));
    degree->setFocus();
    QTest::keyClick(degree, Qt::Key_Down);
    EXPECT_EQ(m_curve.GetDegree(), 4);
    EXPECT_EQ(m_host.repaints, 1);

    // The entry already shown is set again and still repaints.
    emit degree->activated(2);
    EXPECT_EQ(m_curve.GetDegree(), 4);
    EXPECT_EQ(m_host.repaints, 2);
}

TEST_F(CurvePage, TheGraphEditsTheCurvesProfileAndKeepsItsHandlesOnRefresh)
{
    Show(&m_curve);
    auto *graph = Child<GUI::CurveEditor>("falloff");
    ASSERT_EQ(graph->GetCurve(), m_curve.GetProfile());
    EXPECT_EQ(graph->GetHandles().size(), size_t(m_curve.GetProfile()->GetControlPointCount()));
    const std::vector<GUI::CPBox *> handles = graph->GetHandles();
    m_window->GetPanel()->Refresh();
    EXPECT_EQ(graph->GetHandles(), handles);

    // Another curve on the same page: its own profile.
    General::NURBSCurve other(2, true);
    m_window->ShowNode(QStringLiteral("Curve"), &other);
    EXPECT_EQ(graph->GetCurve(), other.GetProfile());
    EXPECT_EQ(Child<QComboBox>("degree")->currentText(), QStringLiteral("2"));
}

TEST_F(CurvePage, WithoutACurveOrAProfileNothingIsEditable)
{
    Show(&m_curve);
    auto *graph = Child<GUI::CurveEditor>("falloff");
    ASSERT_NE(graph->GetCurve(), nullptr);

    // A curve read from a file without a profile: the graph lets go of the last one.
    General::NURBSCurve bare(3, false);
    m_window->ShowNode(QStringLiteral("Curve"), &bare);
    EXPECT_EQ(graph->GetCurve(), nullptr);
    EXPECT_TRUE(graph->GetHandles().empty());
    EXPECT_FALSE(graph->isEnabled());

    // A page without a node: the degree cannot be chosen and choosing it anyway changes nothing.
    m_window->ReleaseNode();
    GUI::CurveProperties empty(m_window.get());
    auto *degree = empty.findChild<QComboBox *>(QStringLiteral("degree"));
    EXPECT_EQ(empty.findChild<GUI::CurveEditor *>(QStringLiteral("falloff"))->GetCurve(), nullptr);
    EXPECT_FALSE(degree->isEnabled());
    emit degree->activated(0);
    EXPECT_EQ(m_host.repaints, 0);
}

}  // namespace
