#pragma once
// A stand-in for the scene, the 3D view, the preferences and the undo stack that curves
// and their editing talk to. It records every call; the curve operations it receives are
// applied to the curve the way the undoable curve operation does.
#include "foundation/curves/CurveServices.h"
#include "foundation/curves/NURBSCurve.h"

#include <gtest/gtest.h>

#include <vector>

class RecordingCurveHost : public General::CurveServices {
public:
    struct Call {
        General::NURBSCurve *curve;
        General::CurveOperationKind kind;
        General::Vector position;
        int index;
        General::Vector pointBefore;  // the control point at the index when the call came
    };

    void SetCurrentCurve(General::NURBSCurve *curve) override
    {
        current = curve;
        ++currentChanges;
    }
    int GetViewWidth() const override { return width; }
    int GetViewHeight() const override { return height; }
    void RedrawView() override { ++redraws; }
    bool GetCameraViewport(int &w, int &h) const override
    {
        w = width;
        h = height;
        return true;
    }
    int GetCurvePickTolerance() const override { return tolerance; }
    bool ExecuteCurveOperation(General::NURBSCurve *curve, General::CurveOperationKind kind,
                               const General::Vector &position, int index) override
    {
        const bool known = index >= 0 && index < curve->GetControlPointCount();
        calls.push_back({curve, kind, position, index,
                         known ? curve->GetControlPoint(index) : General::Vector(0, 0, 0)});
        switch (kind) {
        case General::kCurveInsertPoint:
            curve->InsertControlPoint(position, index);
            curve->SetSelectedPoint(curve->GetControlPointCount() - 1);
            break;
        case General::kCurveRemovePoint: {
            curve->RemoveControlPoint(index);
            const int count = curve->GetControlPointCount();
            curve->SetSelectedPoint(index < count ? index : count - 1);
            break;
        }
        case General::kCurveSetPoint: {
            const int copy = curve->GetDuplicateIndex(index);
            curve->SetControlPoint(index, position);
            if (copy >= 0)
                curve->SetControlPoint(copy, position);
            break;
        }
        }
        return true;
    }

    General::NURBSCurve *current = nullptr;
    int currentChanges = 0;
    int width = 400;
    int height = 200;
    int redraws = 0;
    int tolerance = 0;
    std::vector<Call> calls;
};

// Installs a fresh recording host for each test.
class CurveTestBase : public testing::Test {
protected:
    void SetUp() override { General::InstallCurveServices(&host); }
    void TearDown() override { General::InstallCurveServices(nullptr); }

    RecordingCurveHost host;
};
