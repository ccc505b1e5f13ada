#include "operations/brushes/StrokeSegment.h"

#include "mesh/core/Mesh.h"
#include "operations/brushes/BrushServices.h"
#include "scene/camera/Camera.h"

#include <cmath>
#include <cstdlib>

namespace Operations {

namespace {

// The normal of the hit face as it was before the stroke.
General::Vector FaceNormalBeforeStroke(Mesh *mesh, unsigned face)
{
    if (!mesh || face >= mesh->m_iFaceCount)
        return General::Vector(0, 1, 0);
    const General::Vector p0 = mesh->OriginalFaceVertex(face, 0).m_vPosition;
    const General::Vector p1 = mesh->OriginalFaceVertex(face, 1).m_vPosition;
    const General::Vector p2 = mesh->OriginalFaceVertex(face, 2).m_vPosition;
    return (p0 - p1).Cross(p0 - p2).Normalized();
}

}  // namespace

General::Vector StrokeSegment::Project(const General::Vector &point)
{
    General::Vector window(0, 0, 0);
    if (Camera *camera = BrushServices::Get().GetActiveCamera())
        camera->Project(point, window.x, window.y);
    return window;
}

void StrokeSegment::Start(const General::Vector &position, float radius)
{
    *this = StrokeSegment();
    m_cCurrent.m_vPosition = m_cPrevious.m_vPosition = position;
    // A tool that measures in window space measures from here too.
    m_cCurrent.m_vWindow = m_cPrevious.m_vWindow = Project(position);
    m_cCurrent.m_fRadius = m_cPrevious.m_fRadius = radius;
    m_cCurrent.m_bValid = m_cPrevious.m_bValid = true;
}

bool StrokeSegment::Update(int side, Mesh *mesh, unsigned face, const General::Vector &position,
                           const General::Vector &direction, float radius, float strength, bool restart)
{
    if (side < -1 || side > 1)
        return false;
    StrokeSample sample;
    sample.m_pMesh = mesh;
    sample.m_iSide = side;
    sample.m_vPosition = position;
    sample.m_vNormal = FaceNormalBeforeStroke(mesh, face);
    sample.m_vMotion =
        m_cCurrent.m_bValid ? (position - m_cCurrent.m_vPosition).Normalized() : General::Vector(0, 0, 0);
    sample.m_vSide = sample.m_vMotion.Cross(sample.m_vNormal).Normalized();
    sample.m_vWindow = Project(position);
    sample.m_vDirection = direction;
    sample.m_fRadius = radius;
    sample.m_fStrength = strength;
    sample.m_bValid = true;

    StrokeSample &history = m_aHistory[std::abs(side)];
    m_cPrevious = (!history.m_bValid || restart) ? sample : history;
    m_cCurrent = sample;
    history = sample;
    m_fParameter = 0.0f;
    return true;
}

}  // namespace Operations
