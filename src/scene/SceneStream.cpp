// The scene record: one routine for both directions, so writing and reading stay in step.
// Loading reads into a scratch scene; what it brings for the program as a whole (tools,
// old tool sizes, camera bookmarks) waits in SceneFileExtras until the record is complete.
#include "scene/Scene.h"

#include "foundation/Diagnostics.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"
#include "scene/SceneServices.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

struct SceneFileExtras {
    // Materials this load appended to the program's list (the objects bind to them by number).
    std::vector<Surface::Material *> materials;
    std::vector<std::unique_ptr<Brush>> tools;
    bool hasOldPair[2] = {false, false};
    Brush::Pair oldPair[2];
    bool oldWindowSpace = false;
    bool hasToolList = false;
    bool hasSharedSizes = false;
    float sharedSizes[2] = {0.0f, 0.0f};
    struct Bookmark {
        QString tray;
        QString item;
        std::unique_ptr<Camera> camera;
    };
    std::vector<Bookmark> bookmarks;
};

namespace {

using Surface::Material;

// The toggles of the 3D view that a scene file carries. Scene files keep them for a view
// that is not touched outside benchmark runs, so a default one stands in for it.
struct ViewRecord {
    unsigned char flags[9] = {1, 1, 0, 0, 1, 1, 1, 1, 0};
    unsigned char lightBothSides = 0;
    unsigned char points = 0;
    unsigned char selectionHighlight = 1;
    unsigned char overlayWire = 0;
    int overlayObject = -1;
    unsigned char curves = 1;

    bool Serialize(Stream &s)
    {
        const int v = s.GetVersion();
        s.Transfer(flags, sizeof flags);
        if (v >= 23)
            s.Serialize(lightBothSides);
        if (v >= 59)
            s.Serialize(points);
        if (v >= 80)
            s.Serialize(selectionHighlight);
        if (v >= 122)
            s.Serialize(overlayWire).Serialize(overlayObject);
        if (v >= 154)
            s.Serialize(curves);
        return !s.HasError();
    }
};

template <class T>
int ChainLength(const T *head)
{
    int count = 0;
    for (const T *item = head; item; item = item->m_pNext.get())
        ++count;
    return count;
}

// The fewest bytes a record of each kind takes in a file of any version: a count that
// the bytes left cannot hold at these sizes is refused before anything is made.
namespace MinimumBytes {
constexpr uint64_t kCamera = 48;    // view region, field of view and planes, aspect, rotation, target
constexpr uint64_t kObject = 24;    // the mesh record's counts
constexpr uint64_t kLight = 20;     // direction, intensity, name length
constexpr uint64_t kTool = 19;      // two size/strength pairs and three flags
constexpr uint64_t kMaterial = 48;  // five colours, name length and number
constexpr uint64_t kSet = 8;        // name length and entry count
constexpr uint64_t kCurve = 16;
constexpr uint64_t kBookmark = 8 + kCamera;  // two name lengths and a camera
}  // namespace MinimumBytes

// A count read from a file: refused when negative or when the bytes left cannot hold
// that many records of at least `minimum` bytes each.
bool CheckCount(Stream &s, int count, uint64_t minimum)
{
    if (s.HasError() || count < 0 || !s.Expect(uint64_t(count) * minimum)) {
        s.SetError();
        return false;
    }
    return true;
}

// A bookmark name of any length the bytes left allow.
bool ReadBookmarkText(Stream &s, QString &text)
{
    s >> text;
    return !s.HasError();
}

}  // namespace

namespace {

// Tools and tool sizes a complete file brings, and its camera bookmarks. The tools and
// their sizes are the program's own unless loading tools was asked for.
void ApplyExtras(SceneFileExtras &extras)
{
    auto &tools = Brush::Tools();
    if (SceneHost().GetLoadTools()) {
        if (!tools.empty()) {
            Brush &current = *tools.front();
            for (int pair = 0; pair < 2; ++pair)
                if (extras.hasOldPair[pair])
                    current.m_aPairs[pair] = extras.oldPair[pair];
            if (extras.hasOldPair[1])
                current.m_bWindowSpace = extras.oldWindowSpace;
        }
        if (extras.hasSharedSizes)
            std::copy(std::begin(extras.sharedSizes), std::end(extras.sharedSizes), Brush::s_fSharedSize);
        const size_t count = extras.tools.size();
        while (tools.size() < count)
            tools.push_back(std::make_unique<Brush>());
        for (size_t i = 0; i < count; ++i) {
            Brush &scratch = *extras.tools[i];
            tools[i]->CopySettings(scratch);
            tools[i]->m_iType = scratch.m_iType;
            if (scratch.m_bHidden)
                tools[i]->m_sName = scratch.m_sName;
        }
        if (extras.hasToolList) {
            tools.resize(count);
            CreateDefaultTools();
        }
    }
    for (SceneFileExtras::Bookmark &bookmark : extras.bookmarks)
        SceneHost().StoreCameraBookmark(bookmark.tray, bookmark.item, *bookmark.camera);
}

}  // namespace

bool Scene::Serialize(Stream &stream)
{
    SceneFileExtras extras;
    // What a refused read made goes: the objects (which point at the materials) with this
    // scratch scene, which the caller drops, and the materials it appended.
    const auto dropRead = [&]() {
        stream.SetError();
        DeleteObjects();
        for (Material *material : extras.materials)
            Surface::Materials().Remove(material);
    };
    bool ok = false;
    try {
        ok = SerializeRecord(stream, extras);
    } catch (const std::bad_alloc &) {
        if (!stream.IsStoring())
            dropRead();
        throw;
    }
    if (stream.IsStoring())
        return ok && !stream.HasError();
    if (!ok) {
        dropRead();
        return false;
    }
    ApplyExtras(extras);
    return true;
}

bool Scene::SerializeRecord(Stream &s, SceneFileExtras &extras)
{
    const bool wholeScene = s.GetWholeScene();
    // Nested records always see a whole scene.
    s.SetWholeScene(true);
    const int v = s.GetVersion();
    const bool storing = s.IsStoring();

    std::vector<Object *> objects;
    if (storing)
        for (Object *o = m_pObjects; o; o = o->m_pNextObject)
            if (wholeScene || o->HasSelectedFaces())
                objects.push_back(o);
    int objectCount = int(objects.size());
    int cameraCount = ChainLength(m_pCameras);
    int activeCamera = 0;
    int position = 0;
    for (Camera *c = m_pCameras; c; c = c->m_pNext.get(), ++position)
        if (c == m_pActiveCamera)
            activeCamera = position;
    int lightCount = storing || v >= 68 ? ChainLength(m_pLights) : 1;

    s.Serialize(objectCount);
    if (v >= 2)
        s.Serialize(cameraCount).Serialize(activeCamera);
    else if (!storing)
        cameraCount = 0;
    if (v >= 68)
        s.Serialize(lightCount);
    // Every record needs bytes of its own: a count beyond the bytes left is a damaged file.
    if (!storing && (!CheckCount(s, objectCount, MinimumBytes::kObject) ||
                     !CheckCount(s, cameraCount, MinimumBytes::kCamera) ||
                     (v >= 68 && !CheckCount(s, lightCount, MinimumBytes::kLight)) ||
                     !s.Expect(uint64_t(objectCount) * MinimumBytes::kObject +
                               uint64_t(cameraCount) * MinimumBytes::kCamera +
                               (v >= 68 ? uint64_t(lightCount) * MinimumBytes::kLight : 0))))
        return false;

    // Tool sizes of the oldest files.
    if (v <= 12) {
        Brush current;
        if (!Brush::Tools().empty())
            current = *Brush::Tools().front();
        s.Serialize(current.m_aPairs[0].size).Serialize(current.m_aPairs[0].strength);
        extras.hasOldPair[0] = true;
        extras.oldPair[0] = current.m_aPairs[0];
        if (v > 9) {
            s.Serialize(current.m_aPairs[1].size).Serialize(current.m_aPairs[1].strength);
            s.Serialize(current.m_bWindowSpace);
            extras.hasOldPair[1] = true;
            extras.oldPair[1] = current.m_aPairs[1];
            extras.oldWindowSpace = current.m_bWindowSpace;
        }
    }
    if (v > 12) {
        int toolCount = storing ? int(Brush::Tools().size()) : 7;
        if (v >= 22)
            s.Serialize(toolCount);
        if (!storing && !CheckCount(s, toolCount, MinimumBytes::kTool))
            return false;
        extras.hasToolList = true;
        if (storing) {
            for (auto &tool : Brush::Tools())
                if (!tool->Serialize(s))
                    return false;
            CreateDefaultTools();
        } else {
            for (int i = 0; i < toolCount; ++i) {
                auto tool = std::make_unique<Brush>();
                if (!tool->Serialize(s, extras.sharedSizes))
                    return false;
                extras.hasSharedSizes = true;
                extras.tools.push_back(std::move(tool));
            }
        }
    }

    // Materials come before the objects, which name theirs by number. Loading appends new
    // ones after the program's: an object binds to the last material of its number.
    Surface::MaterialList &materials = Surface::Materials();
    // Loading makes each material as its record comes (old files have four beforehand).
    const auto appendMaterials = [&](int count) {
        while (int(extras.materials.size()) < count) {
            auto *material = new Material(int(extras.materials.size()));
            if (!materials.Append(material))
                return false;
            extras.materials.push_back(material);
        }
        return true;
    };
    const auto serializeMaterials = [&](int count) {
        if (!storing && !CheckCount(s, count, MinimumBytes::kMaterial))
            return false;
        for (int i = 0; i < count; ++i)
            if (storing ? !materials.At(i)->Serialize(s)
                        : !appendMaterials(i + 1) || !extras.materials[size_t(i)]->Serialize(s))
                return false;
        return true;
    };
    if (v >= 87) {
        int materialCount = materials.Count();
        s.Serialize(materialCount);
        if (!serializeMaterials(materialCount))
            return false;
    } else if (!storing && v >= 20 && !appendMaterials(4)) {
        return false;
    }

    if (v > 5 && v < 68) {
        float ignored[3] = {};
        s.Transfer(ignored, sizeof ignored);
    }
    if (v > 8 && v < 68) {
        int ignored = 0;
        s.Serialize(ignored);
    }
    s.Serialize(m_fAmbientLevel);
    if (s.HasError())
        return false;

    // Loading makes each camera and object as its record comes, at the end of its chain.
    if (storing) {
        for (Camera *c = m_pCameras; c; c = c->m_pNext.get())
            if (!c->Serialize(s))
                return false;
        for (Object *object : objects)
            if (!object->Serialize(s))
                return false;
    } else {
        Camera *lastCamera = nullptr;
        for (int i = 0; i < cameraCount; ++i) {
            auto *camera = new Camera();
            if (lastCamera)
                lastCamera->m_pNext.reset(camera);
            else
                m_pCameras = camera;
            lastCamera = camera;
            m_iCameraCount = i + 1;
            if (i == activeCamera)
                m_pActiveCamera = camera;
            if (!camera->Serialize(s))
                return false;
        }
        Object **link = &m_pObjects;
        for (int i = 0; i < objectCount; ++i) {
            auto *object = new Object();
            *link = object;
            link = &object->m_pNextObject;
            objects.push_back(object);
            m_iObjectCount = i + 1;
            if (!object->Serialize(s))
                return false;
        }
    }

    if (v >= 16) {
        if (v == 19)
            General::Shell().CriticalMessage(QCoreApplication::translate("Scene", "This file version may contain errors!"));
        if (!SceneHost().SerializeLiveView(s)) {
            ViewRecord view;
            if (!view.Serialize(s))
                return false;
        }
    }
    if (v >= 20 && v < 87) {
        int materialCount = 4;
        if (v >= 22)
            s.Serialize(materialCount);
        if (!serializeMaterials(materialCount))
            return false;
    }
    if (storing && v >= 68) {
        for (Light *light = m_pLights; light; light = light->m_pNext.get())
            if (!light->Serialize(s))
                return false;
    } else if (!storing) {
        // Files before lights were stored have one, with its defaults.
        for (int i = 0; i < lightCount; ++i) {
            auto *light = new Light();
            if (m_pCurrentLight)
                m_pCurrentLight->m_pNext.reset(light);
            else
                m_pLights = light;
            m_pCurrentLight = light;
            m_iLightCount = i + 1;
            if (v >= 68 && !light->Serialize(s))
                return false;
        }
    }
    if (s.HasError())
        return false;
    if (!SerializeChains(s, extras, objects, wholeScene))
        return false;
    if (!storing && wholeScene)
        SceneHost().SetViewCamera(m_pActiveCamera);
    return true;
}

bool Scene::SerializeChains(Stream &s, SceneFileExtras &extras, const std::vector<Object *> &written,
                            bool wholeScene)
{
    const int v = s.GetVersion();
    const bool storing = s.IsStoring();

    if (v >= 111) {
        int setCount = 0;
        for (SelectionSet *set = m_pSelectionSets; set; set = set->m_pNext)
            ++setCount;
        s.Serialize(setCount);
        if (!storing) {
            if (!CheckCount(s, setCount, MinimumBytes::kSet))
                return false;
            for (int i = 0; i < setCount; ++i) {
                auto *set = new SelectionSet();
                set->m_pNext = m_pSelectionSets;
                m_pSelectionSets = set;
            }
        }
        if (m_pSelectionSets && !m_pSelectionSets->Serialize(s, *this, storing ? &written : nullptr))
            return false;
    }

    // Displacement nodes (kind 0), then map-extraction nodes (kind 1): each list ends in a zero byte.
    for (int kind = 0; kind < 2; ++kind) {
        if (v <= (kind == 0 ? 122 : 125))
            continue;
        if (storing) {
            SceneHost().WriteSceneNodes(s, *this, kind, wholeScene);
            unsigned char end = 0;
            s.Serialize(end);
            continue;
        }
        for (;;) {
            unsigned char marker = 0;
            s.Serialize(marker);
            if (s.HasError())
                return false;
            if (marker == 0)
                break;
            if (!SceneHost().ReadSceneNode(s, *this, kind)) {
                Log("Scene file holds a node that cannot be read\n");
                return false;
            }
        }
    }

    if (v >= 131) {
        int curveCount = 0;
        for (General::NURBSCurve *curve = m_pCurves; curve; curve = curve->GetNext())
            ++curveCount;
        s.Serialize(curveCount);
        if (!storing) {
            if (!CheckCount(s, curveCount, MinimumBytes::kCurve))
                return false;
            for (int i = 0; i < curveCount; ++i) {
                auto *curve = new General::NURBSCurve(2);
                curve->SetNext(m_pCurves);
                m_pCurves = curve;
            }
            m_iCurveCount = curveCount;
        }
        if (m_pCurves && !m_pCurves->Serialize(s))
            return false;
    }

    if (v >= 228) {
        if (storing) {
            const std::vector<CameraBookmark> bookmarks = SceneHost().GetCameraBookmarks();
            int count = int(bookmarks.size());
            s.Serialize(count);
            for (const CameraBookmark &bookmark : bookmarks) {
                // Writing a camera record reads nothing of it, but the record routine serves both ways.
                s << bookmark.tray << bookmark.item;
                if (!const_cast<Camera *>(bookmark.camera)->Serialize(s))
                    return false;
            }
        } else {
            int count = 0;
            s.Serialize(count);
            if (!CheckCount(s, count, MinimumBytes::kBookmark))
                return false;
            for (int i = 0; i < count; ++i) {
                SceneFileExtras::Bookmark bookmark;
                bookmark.camera = std::make_unique<Camera>();
                if (!ReadBookmarkText(s, bookmark.tray) || !ReadBookmarkText(s, bookmark.item) ||
                    !bookmark.camera->Serialize(s))
                    return false;
                extras.bookmarks.push_back(std::move(bookmark));
            }
        }
    }
    return !s.HasError();
}
