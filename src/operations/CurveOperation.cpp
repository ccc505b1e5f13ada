#include "operations/CurveOperation.h"

#include "foundation/Diagnostics.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/Stream.h"
#include "operations/CurveOperationHost.h"
#include "scene/Scene.h"

#include <algorithm>
#include <cmath>

namespace Operations {

namespace {

int CurvePosition(const Scene *scene, const General::NURBSCurve *curve)
{
    int position = 0;
    for (const General::NURBSCurve *c = scene ? scene->m_pCurves : nullptr; c; c = c->GetNext(), ++position)
        if (c == curve)
            return position;
    return -1;
}

// Links the curve in at `position` of the chain, or at its end when the chain is shorter.
void InsertCurve(Scene &scene, General::NURBSCurve &curve, int position)
{
    if (position < 0) {
        scene.AddCurve(&curve);
        return;
    }
    General::NURBSCurve *previous = nullptr;
    General::NURBSCurve *next = scene.m_pCurves;
    for (int i = 0; next && i < position; ++i) {
        previous = next;
        next = next->GetNext();
    }
    curve.SetNext(next);
    if (previous)
        previous->SetNext(&curve);
    else
        scene.m_pCurves = &curve;
    ++scene.m_iCurveCount;
}

// One curve's record alone: the curve record carries on through the chain otherwise.
bool SerializeOne(Stream &stream, General::NURBSCurve &curve)
{
    General::NURBSCurve *next = curve.GetNext();
    curve.SetNext(nullptr);
    const bool ok = curve.Serialize(stream);
    curve.SetNext(next);
    return ok;
}

}  // namespace

CurveOperation::CurveOperation(General::NURBSCurve *curve, int action) : m_pCurve(curve), m_iAction(action) {}

CurveOperation::~CurveOperation()
{
    if (m_iAction == kAddCurve && m_pCurve && !IsInScene())
        delete m_pCurve;
}

bool CurveOperation::IsInScene() const { return CurvePosition(Scene::GetCurrent(), m_pCurve) >= 0; }

void CurveOperation::Serialize(Stream &stream)
{
    const bool storing = stream.IsStoring();
    Scene *scene = Scene::GetCurrent();
    // A drawing's record is its code alone, so that the history can read it back as the
    // marker it is (the stamps are the stroke's own records).
    stream.Serialize(m_iAction);
    if (m_iAction == kDrawOnCurve)
        return;
    if (m_iAction == kInsertPoint || m_iAction == kRemovePoint || m_iAction == kSetPoint)
        stream.Serialize(m_iPointIndex).Serialize(m_vPosition.x).Serialize(m_vPosition.y).Serialize(m_vPosition.z);
    int position = storing ? CurvePosition(scene, m_pCurve) : -1;
    stream.Serialize(position);
    if (stream.HasError())
        return;
    if (!storing && !m_pCurve) {
        if (position == -1) {
            m_pCurve = new General::NURBSCurve(2);
        } else {
            m_pCurve = scene ? scene->m_pCurves : nullptr;
            for (int i = 0; m_pCurve && i < position; ++i)
                m_pCurve = m_pCurve->GetNext();
            TV_CHECK(m_pCurve);
        }
    }
    if (m_iAction == kRemoveCurve || m_iAction == kAddCurve) {
        stream.Serialize(m_iChainPosition);
        if (m_pCurve && !stream.HasError())
            SerializeOne(stream, *m_pCurve);
    }
    // A curve waiting to go back lives on in the record only.
    if (storing && m_iAction == kAddCurve && position == -1) {
        delete m_pCurve;
        m_pCurve = nullptr;
    }
}

bool CurveOperation::Execute()
{
    if (!m_pCurve)
        return true;
    CurveOperationHost &host = CurveOperations();
    Scene *scene = Scene::GetCurrent();
    General::NURBSCurve &curve = *m_pCurve;
    switch (m_iAction) {
    case kRemoveCurve: {
        const int position = CurvePosition(scene, m_pCurve);
        if (position < 0)
            return false;
        m_iChainPosition = position;
        host.EndCurveEditing();
        if (scene->m_pCurves == m_pCurve) {
            scene->m_pCurves = curve.GetNext();
        } else {
            General::NURBSCurve *previous = scene->m_pCurves;
            while (previous->GetNext() != m_pCurve)
                previous = previous->GetNext();
            previous->SetNext(curve.GetNext());
        }
        if (scene->m_pCurrentCurve == m_pCurve)
            scene->m_pCurrentCurve = nullptr;
        curve.SetNext(nullptr);
        --scene->m_iCurveCount;
        m_iAction = kAddCurve;
        host.Redraw();
        host.RefreshSceneInformation();
        return true;
    }
    case kAddCurve:
        if (!scene || IsInScene())
            return false;
        InsertCurve(*scene, *m_pCurve, m_iChainPosition);
        m_iAction = kRemoveCurve;
        host.EndCurveEditing();
        host.StartCurveEditing(m_pCurve);
        host.RefreshSceneInformation();
        host.ShowCurveProperties();
        host.Redraw();
        return true;
    case kInsertPoint:
        if (m_iPointIndex < -1 || m_iPointIndex > curve.GetControlPointCount() ||
            !curve.InsertControlPoint(m_vPosition, m_iPointIndex))
            return false;
        m_iAction = kRemovePoint;
        if (m_iPointIndex == -1)
            m_iPointIndex = curve.GetControlPointCount() - 1;
        curve.SetSelectedPoint(curve.GetControlPointCount() - 1);
        host.Redraw();
        return true;
    case kRemovePoint: {
        const int count = curve.GetControlPointCount();
        if (m_iPointIndex < 0 || m_iPointIndex >= count)
            return false;
        m_iAction = kInsertPoint;
        m_vPosition = curve.GetControlPoint(m_iPointIndex);
        curve.RemoveControlPoint(m_iPointIndex);
        curve.SetSelectedPoint(m_iPointIndex < count - 1 ? m_iPointIndex : m_iPointIndex - 1);
        host.Redraw();
        return true;
    }
    case kSetPoint: {
        if (m_iPointIndex < 0 || m_iPointIndex >= curve.GetControlPointCount())
            return false;
        const General::Vector kept = curve.GetControlPoint(m_iPointIndex);
        curve.SetControlPoint(m_iPointIndex, m_vPosition);
        // A closed curve repeats points at its ends: the copy moves with the point.
        const int copy = curve.GetDuplicateIndex(m_iPointIndex);
        if (copy >= 0)
            curve.SetControlPoint(copy, m_vPosition);
        m_vPosition = kept;
        host.Redraw();
        return true;
    }
    case kDrawOnCurve:
        return DrawOnCurve();
    default:
        return true;
    }
}

std::vector<float> CurveOperation::StampPositions(General::NURBSCurve &curve, int stamps, bool equalSpacing)
{
    std::vector<float> positions;
    if (stamps < 1 || curve.GetControlPointCount() <= curve.GetDegree())
        return positions;
    // Counting stamps rather than stepping a float up to the end: one stamp is the start
    // alone, and a step of zero (a curve of no length) cannot loop for ever.
    if (equalSpacing) {
        curve.UpdateChordLengths();
        const float total = curve.GetTotalLength();
        if (!std::isfinite(total) || total < 0.0f)
            return positions;
        for (int i = 0; i < stamps; ++i)
            positions.push_back(stamps == 1 ? 0.0f : total * float(i) / float(stamps - 1));
        return positions;
    }
    const float last = curve.GetLastKnot();
    const float start = curve.IsClosed() ? float(curve.GetDegree()) : 0.0f;
    const float end = last - start;
    if (!std::isfinite(last) || end < start)
        return positions;
    for (int i = 0; i < stamps; ++i)
        positions.push_back(stamps == 1 ? start : start + (end - start) * float(i) / float(stamps - 1));
    return positions;
}

bool CurveOperation::DrawOnCurve()
{
    CurveOperationHost &host = CurveOperations();
    CurveOperationHost::DrawOptions options;
    if (!host.RunDrawOnCurveDialog(options))
        return false;
    const std::vector<float> positions = StampPositions(*m_pCurve, options.stamps, options.equalSpacing);
    if (positions.empty()) {
        Log("Draw on curve: %d stamps cannot be placed on this curve\n", options.stamps);
        return false;
    }
    host.BeginCurveStroke(options.equalSpacing);
    const float last = m_pCurve->GetLastKnot();
    General::NURBSCurve *profile = m_pCurve->GetProfile();
    for (float position : positions) {
        const float t = options.equalSpacing ? m_pCurve->GetParameterAtLength(position) : position;
        float pressure = 1.0f;
        if (profile && profile->GetControlPointCount() > profile->GetDegree() && last > 0.0f) {
            const float length = profile->GetLastKnot();
            pressure = profile->Evaluate(std::min(t / last * length, length)).y;
        }
        host.Stamp(*m_pCurve, m_pCurve->Evaluate(t), pressure);
    }
    host.FinishCurveStroke();
    host.EndCurveStroke();
    return true;
}

}  // namespace Operations
