#pragma once
// A controller over a scene with a camera, a 200 x 100 view placed at (10, 20) in the main
// window, and a recording stand-in for the view, the panels and the trays.

#include "foundation/curves/CurveServices.h"
#include "support/RecordingShell.h"
#include "interaction/Interface.h"
#include "interaction/handlers/Function.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "support/MeshFixtures.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class RecordingInteraction : public InteractionServices {
public:
    bool HasView() const override { return true; }
    int GetViewWidth() const override { return 200; }
    int GetViewHeight() const override { return 100; }
    bool MapToView(float windowX, float windowY, float &viewX, float &viewY) const override
    {
        viewX = windowX - 10.0f;
        viewY = windowY - 20.0f;
        return viewX >= 0.0f && viewX < 200.0f && viewY >= 0.0f && viewY < 100.0f;
    }
    PickHit Pick(float x, float y) override
    {
        picks.push_back({x, y});
        return nextHit;
    }
    void RepaintView() override { ++repaints; }
    void UpdateDisplayMenu() override { ++displayMenuUpdates; }
    void SetHeldHandler(bool held) override { heldHandler = held; }
    void RefreshObjectList() override { ++objectListRefreshes; }
    void RefreshLayers() override { ++layerRefreshes; }
    void ShowInProperties(const QString &page, Object *object) override { shown.push_back(object); }
    void RefreshBrushPage() override { ++brushPageRefreshes; }
    void SelectTrayItem(const QString &tray, int position) override
    {
        trayCalls << QStringLiteral("select %1 %2").arg(tray).arg(position);
    }
    void MarkTraySelectionTemporary(const QString &tray) override { trayCalls << QStringLiteral("mark ") + tray; }
    void RestoreTraySelection(const QString &tray) override { trayCalls << QStringLiteral("restore ") + tray; }
    void CheckTrayItem(const QString &tray, const QString &item) override
    {
        trayCalls << QStringLiteral("check %1 %2").arg(tray, item);
    }
    bool AskText(const QString &label, const QString &initial, QString &answer) override
    {
        askedTexts << initial;
        answer = textAnswer;
        return textAccepted;
    }
    bool SelectionFollowsMouse() const override { return followMouse; }
    bool TestSwitch() const override { return testSwitch; }

    struct Point {
        float x, y;
    };
    std::vector<Point> picks;
    PickHit nextHit;
    int repaints = 0;
    int displayMenuUpdates = 0;
    bool heldHandler = false;
    int objectListRefreshes = 0;
    int layerRefreshes = 0;
    std::vector<Object *> shown;
    int brushPageRefreshes = 0;
    QStringList trayCalls;
    bool followMouse = false;
    bool testSwitch = false;
    QStringList askedTexts;
    QString textAnswer;
    bool textAccepted = false;
};

// The curve machinery sees the same 200 x 100 view.
class ViewSizeCurveHost : public General::CurveServices {
public:
    int GetViewWidth() const override { return 200; }
    int GetViewHeight() const override { return 100; }
};

// A tool that writes what it receives.
class RecordingTool : public Function {
public:
    explicit RecordingTool(QStringList &log) : m_log(log) {}
    void OnBegin(float x, float y) override { m_log << QStringLiteral("begin %1 %2").arg(x).arg(y); }
    void OnMove(float x, float y) override { m_log << QStringLiteral("move %1 %2").arg(x).arg(y); }
    void OnEnd(float x, float y) override { m_log << QStringLiteral("end %1 %2").arg(x).arg(y); }

private:
    QStringList &m_log;
};

// A 3 x 3 grid of quads with its adjacency; face (i, j) is j x 3 + i.
template <class M = Object>
std::unique_ptr<M> MakeQuadGrid()
{
    std::vector<General::Vector> points;
    for (unsigned j = 0; j <= 3; ++j)
        for (unsigned i = 0; i <= 3; ++i)
            points.emplace_back(float(i), float(j), 0.0f);
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j < 3; ++j)
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned a = j * 4 + i;
            quads.push_back({a, a + 1, a + 5, a + 4});
        }
    auto grid = fixtures::MakeQuads<M>(points, quads);
    EXPECT_TRUE(grid->CalculateAdjacency());
    return grid;
}

class InteractionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        Recorder().tempFolder = m_temp.path();
        InteractionServices::Install(&m_host);
        General::CurveServices::Install(&m_curveHost);
        m_scene = std::make_unique<Scene>();
        m_scene->CreateDefaultCameras();
        m_interface = std::make_unique<Interface>();
    }
    void TearDown() override
    {
        m_interface.reset();
        m_scene.reset();
        General::CurveServices::Install(nullptr);
        InteractionServices::Install(nullptr);
        Interface::s_bUnrecordedChange = false;
    }

    EventHandler &Handlers() { return m_interface->m_cEventHandler; }
    const char *Active() { return Handlers().m_pActiveHandler ? Handlers().m_pActiveHandler->m_sID : ""; }
    const char *Sticky() { return Handlers().m_pStickyHandler ? Handlers().m_pStickyHandler->m_sID : ""; }

    // Gives the handler a body that logs "name event" and, for a tool handler, returns a tool.
    void Watch(const char *name, bool makesTool = false)
    {
        Handlers().SetBody(name, [this, name, makesTool](int event) -> Function * {
            m_events << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(event);
            if (makesTool && event == eventActivate) {
                m_tools.push_back(std::make_unique<RecordingTool>(m_toolLog));
                return m_tools.back().get();
            }
            return nullptr;
        });
    }

    QTemporaryDir m_temp;
    RecordingInteraction m_host;
    ViewSizeCurveHost m_curveHost;
    std::unique_ptr<Scene> m_scene;
    std::unique_ptr<Interface> m_interface;
    QStringList m_events;
    QStringList m_toolLog;
    std::vector<std::unique_ptr<RecordingTool>> m_tools;
};
