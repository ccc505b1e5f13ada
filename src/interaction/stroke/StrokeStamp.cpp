// Where a stroke sample puts the stamp: a frame at the pick, mirrored for mirrored picks,
// turned to the stroke or jittered by the sample's random numbers; a deferred stroke
// stretches the stamp over the dragged line instead.

#include "interaction/Interface.h"
#include "mesh/core/Mesh.h"
#include "mesh/core/MeshRecords.h"
#include "mesh/core/PickInfo.h"
#include "mesh/core/Placement.h"
#include "operations/brushes/BrushOperation.h"
#include "operations/brushes/StrokeSegment.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/camera/Camera.h"

#include <cmath>

namespace {
constexpr float kPi = 3.1415f;

float Signed(int r) { return 2.0f * float(r) / float(Stroke::Random::kMax) - 1.0f; }

// Two unit axes across the normal, from a fixed reference.
void Axes(const General::Vector &n, General::Vector &u, General::Vector &v)
{
    const General::Vector reference = std::fabs(n.y) < 0.9f ? General::Vector(0, 1, 0) : General::Vector(1, 0, 0);
    u = reference.Cross(n).Normalized();
    v = n.Cross(u).Normalized();
}

General::Vector Turn(const General::Vector &a, const General::Vector &n, float angle)
{
    return a * std::cos(angle) + n.Cross(a) * std::sin(angle) + n * (n.Dot(a) * (1.0f - std::cos(angle)));
}
}  // namespace

PickInfo *Interface::PlaceStamp(int index, PickInfo &pick, const int random[7], Picker &repicked)
{
    if (!m_cStamp.IsPresent() || !m_cStamp.m_bEnabled || !m_pCurrentTool) {
        m_bDeferredStroke = false;
        return &pick;
    }
    const StrokePreferences preferences = InteractionHost().GetStrokePreferences();
    const float size = m_pCurrentTool->GetSize();
    General::Vector p = pick.GetWorldPosition();
    General::Vector n = pick.m_vNormal;
    const int vertex = pick.GetNearestVertex();
    if (vertex >= 0 && pick.m_pMesh)
        n = UnpackNormal(pick.m_pMesh->m_pVertices[vertex].m_aNormal);
    n.Normalize();
    General::Vector u, v;
    Axes(n, u, v);
    PickInfo *applied = &pick;
    float stampSize = size;
    bool flipX = false, flipY = false;

    if (!m_bDeferredStroke) {
        if (index >= 1 && preferences.mirrorCount > 0) {
            // The mirrored stamp is the mirror image of the pointer's.
            for (int c = 0; c < 3; ++c) {
                if ((&preferences.mirrorAxis.x)[c] <= 0.0f)
                    continue;
                General::Vector &flip = std::fabs((&u.x)[c]) > std::fabs((&v.x)[c]) ? u : v;
                flip = flip * -1.0f;
            }
            n = n * -1.0f;
        }
        const Operations::BrushOperation *operation = GetBrushOperation();
        const Operations::StrokeSegment *segment = operation ? operation->GetSegment() : nullptr;
        if (index < 2 && segment && preferences.orientToStroke && segment->m_aHistory[index].m_bValid) {
            const General::Vector along = p - segment->m_aHistory[index].m_vPosition;
            if (along.Length() > 0.0f) {
                u = along.Normalized();
                v = n.Cross(u).Normalized();
            }
        }
        float angle = preferences.rotateJitter != 0.0f
                          ? (float(random[0]) / float(Stroke::Random::kMax) - 0.5f) * 2.0f * kPi * preferences.rotateJitter
                          : 0.0f;
        if (m_cStamp.m_fRotation > 0.0f)
            angle = m_cStamp.m_fRotation;
        if (angle != 0.0f) {
            u = Turn(u, n, angle);
            v = Turn(v, n, angle);
        }
        flipX = preferences.flipRandomizeX && random[1] < 16383;
        flipY = preferences.flipRandomizeY && random[2] < 16383;
        if (!m_pCurrentTool->m_bFixedStampSize)
            stampSize = size * std::pow(2.0f, Signed(random[3]) * preferences.scaleJitter);
        p += (u * Signed(random[4]) + v * Signed(random[5])) * (size * preferences.positionJitter);
    } else {
        // The stamp spans the line from where the stroke began to the pointer.
        const General::Vector start =
            size_t(index) < m_aStartPositions.size() ? m_aStartPositions[size_t(index)] : p;
        const General::Vector along = p - start;
        p = (start + p) * 0.5f;
        if (along.Length() > 0.0f) {
            u = along.Normalized();
            v = n.Cross(u).Normalized();
        }
        stampSize = along.Length() * 0.5f;
        applied = nullptr;
        Scene *scene = Scene::GetCurrent();
        if (Camera *camera = scene ? scene->m_pActiveCamera : nullptr) {
            Placement *placement = pick.m_pMesh ? pick.m_pMesh->GetPlacement() : nullptr;
            const General::Vector world = placement ? placement->GetFullMatrix().Transform(p, 1.0f) : p;
            float x = 0.0f, y = 0.0f;
            camera->Project(world, x, y);
            if (InteractionHost().PickInto(repicked, x, y))
                applied = repicked.GetFirstPick();
        }
    }
    m_cStamp.SetProjection(p, u, v, n, stampSize, flipX, flipY);
    m_cStamp.m_fStrength = std::pow(2.0f, Signed(random[6]) * preferences.strengthJitter);
    if (index == 0)
        m_cStamp.m_mFirstStamp = m_cStamp.m_mStamp;
    return applied;
}
