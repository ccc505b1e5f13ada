#include "mesh/object/Object.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/surface/Material.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/ShownSelection.h"
#include "mesh/core/Placement.h"
#include "mesh/subdivision/LevelFaceBits.h"

#include <QCoreApplication>

#include <algorithm>

constinit General::TypeInfo Object::s_typeInfo{&SubdivLevel::s_typeInfo, "Object", &Object::Create};

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("Object", text); }

// The smallest stored layer: strength, empty name, visible flag.
constexpr uint64_t kMinimumLayerRecord = 9;

// Mirrored child position per corner offset c (row) and child position k (column).
constexpr unsigned kMirrorChild[4][4] = {{1, 0, 3, 2}, {3, 1, 2, 0}, {2, 3, 0, 1}, {0, 2, 1, 3}};

// The next layer of a depth-first walk that stays inside the subtree of `root`.
Layer3D *NextInSubtree(Layer3D *layer, const Layer3D *root)
{
    if (layer->m_pFirstChild)
        return layer->m_pFirstChild;
    for (; layer && layer != root; layer = layer->m_pParent)
        if (layer->m_pNext)
            return layer->m_pNext;
    return nullptr;
}

void CopyVector(General::Node *from, General::Node *to, const QString &name)
{
    auto find = [&](General::Node *node) -> General::AttributeInstance<General::Vector> * {
        for (int i = 0; General::Attribute *attribute = node->GetAttribute(i); ++i)
            if (attribute->GetName() == name)
                return dynamic_cast<General::AttributeInstance<General::Vector> *>(attribute);
        return nullptr;
    };
    auto *source = find(from);
    auto *target = find(to);
    if (source && target)
        target->SetValue(source->GetValue());
}

template <class T>
void CopyFaces(General::Store<T> &to, const General::Store<T> &from, unsigned count)
{
    count = std::min({count, to.GetItemCount(), from.GetItemCount()});
    std::copy(from.begin(), from.begin() + count, to.begin());
}

}  // namespace

Object::Object() : m_aMaterial(Tr("Material")), m_aTransformation(Tr("Transformation")) { Init(); }

Object::Object(const Mesh &source)
    : SubdivLevel(source.m_iFaceCount, source.m_iVertexCount, source.m_iTCCount, 0, source.m_eType == typeQuadric),
      m_aMaterial(Tr("Material")),
      m_aTransformation(Tr("Transformation"))
{
    Init();
    if (m_eType == typeQuadric)
        CopyFaces(m_pQuads, source.m_pQuads, m_iFaceCount);
    else
        CopyFaces(m_pTriangles, source.m_pTriangles, m_iFaceCount);
    CopyFaces(m_pVertices, source.m_pVertices, m_iVertexCount);
    CopyFaces(m_pTCs, source.m_pTCs, m_iTCCount);
    m_iOpenEdges = source.m_iOpenEdges;
    m_iPolygonCount = source.m_iPolygonCount;

    // The source's placement, when it is a level of an object that has one.
    if (!General::TypeInfo::IsKindOf(source.GetTypeInfo(), &SubdivLevel::s_typeInfo))
        return;
    const Object *owner = static_cast<const SubdivLevel &>(source).m_pObject;
    General::Node *from = owner ? owner->m_aTransformation.GetValue() : nullptr;
    General::Node *to = from ? GetTransformation() : nullptr;
    if (!to)
        return;
    for (const char *name : {"Translate", "Rotate", "Scale"})
        CopyVector(from, to, QString::fromLatin1(name));
}

Object::Object(unsigned faceCount, unsigned vertexCount, unsigned normalCount, unsigned tcCount, bool quads)
    : SubdivLevel(faceCount, vertexCount, tcCount, normalCount, quads),
      m_aMaterial(Tr("Material")),
      m_aTransformation(Tr("Transformation"))
{
    Init();
}

void Object::Init()
{
    m_pNextRemoved = nullptr;
    m_bVisible = true;
    m_bLocked = false;
    m_sName = QStringLiteral("mesh");
    m_aMaterial.SetValue(Surface::Materials().First(), true);
    m_pLayers = nullptr;
    m_pActiveLayer = nullptr;
    m_pSecondLayer = nullptr;
    m_iReserved = -1;
    m_bLevelsOnDisk = false;
    m_iLayerNumber = 0;
    m_pActiveLevel = this;
    m_pObject = this;
    m_aSymmetryValues[0] = 1.0f;
    m_aSymmetryValues[1] = 0.0f;
    m_aSymmetryValues[2] = 0.0f;
    SetActiveLayer(nullptr);
}

Object::~Object()
{
    if (General::Node *transformation = m_aTransformation.GetValue()) {
        m_aTransformation.SetValue(nullptr, true);
        delete transformation;
    }
    MeshHost::Get().ForgetObject(this);
    if (MeshHost::Get().GetActiveObject() == this)
        MeshHost::Get().SetActiveObject(nullptr);
    // The removed-object chain is freed from its head, one after the other.
    for (Object *removed = m_pNextRemoved; removed;) {
        Object *next = removed->m_pNextRemoved;
        removed->m_pNextRemoved = nullptr;
        delete removed;
        removed = next;
    }
    m_pNextRemoved = nullptr;
    // The finer levels drop their layer data while the layers still exist.
    SetNextLevel(nullptr);
    FreeLayers();
}

void Object::FreeLayers()
{
    m_pActiveLayer = nullptr;
    m_pSecondLayer = nullptr;
    for (SubdivLevel *level = this; level; level = level->m_pNext)
        level->m_pActiveLayerData = nullptr;
    delete m_pLayers;
    m_pLayers = nullptr;
}

void Object::AttributeChanged(General::Attribute *attribute, int event)
{
    if (attribute != &m_aMaterial ||
        (event != General::Attribute::kValueChanged && event != General::Attribute::kNodeChanged))
        return;
    for (int i = 0; SubdivLevel *level = GetLevel(i); ++i)
        level->BuildPartitions(true, GetMaterial());
    MeshHost::Get().Redraw();
}

QString Object::GetName() const { return QStringLiteral("%1 (%2 levels)").arg(m_sName).arg(LevelCount()); }

QString Object::GetName(const General::TypeInfo *typeInfo) const
{
    return typeInfo == &s_typeInfo ? GetName() : SubdivLevel::GetName();
}

General::Node *Object::GetTransformation()
{
    if (General::Node *transformation = m_aTransformation.GetValue())
        return transformation;
    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("Transformation"));
    General::Node *transformation = record ? record->Create(1) : nullptr;
    if (!transformation)
        return nullptr;
    m_aTransformation.SetValue(transformation, true);
    if (auto *placement = dynamic_cast<Placement *>(transformation))
        placement->SetSubject(this);
    return transformation;
}

Placement *Object::GetPlacement() { return dynamic_cast<Placement *>(GetTransformation()); }

SubdivLevel *Object::GetLevel(int index) const
{
    if (index < 0)
        return nullptr;
    auto *level = const_cast<Object *>(this)->GetBaseLevel();
    for (; level && index > 0; --index)
        level = level->m_pNext;
    return level;
}

int Object::LevelCount() const
{
    int count = 0;
    for (const SubdivLevel *level = this; level; level = level->m_pNext)
        ++count;
    return count;
}

bool Object::HasSelectedFaces() const
{
    // Parked faces are no selection (dropping a parked-only count selects nothing anew).
    for (SubdivLevel *level = GetLevel(0); level; level = level->m_pNext)
        if (HasShownSelection(*level))
            return true;
    return false;
}

bool HasShownSelection(SubdivLevel &level)
{
    if (level.m_iSelectedFaces == 0)
        return false;
    const bool shown = level.WithFaces([&](const auto &faces) {
        for (unsigned f = 0; f < std::min(level.m_iFaceCount, faces.GetItemCount()); ++f)
            if (LevelBits::IsSelected(faces[f]) && LevelBits::IsVisible(faces[f]))
                return true;
        return false;
    });
    if (!shown)
        level.m_iSelectedFaces = 0;
    return shown;
}

AABB Object::GetWorldAABB(bool recalculate)
{
    const AABB own = GetAABB(recalculate);
    AABB world;
    // The corners of an empty box would make a box of nothing.
    if (own.IsEmpty())
        return world;
    Placement *placement = GetPlacement();
    for (int corner = 0; corner < 8; ++corner) {
        const General::Vector p = own.GetCorner(corner);
        world.Extend(placement ? placement->GetFullMatrix().Transform(p, 1.0f) : p);
    }
    return world;
}

void Object::PropagateToLowerLevels()
{
    for (SubdivLevel *level = m_pActiveLevel; level && level->m_pPrev; level = level->m_pPrev)
        level->PropagateToLowerLevel();
}

unsigned Object::GetSymmetricFace(int levelIndex, unsigned face, unsigned &corner, bool &side) const
{
    constexpr unsigned kNone = 0xFFFFFFFF;
    const SubdivLevel *reference = GetLevel(0);
    unsigned n = m_eType == typeQuadric ? 4 : 3;
    int steps = levelIndex;
    if (steps > 0 && (m_eType == typeTriangular || !reference->m_aObjectSymmetry.HasItems())) {
        // The table of level 1 serves; a query never makes the level.
        reference = GetLevel(1);
        if (!reference)
            return kNone;
        n = 4;
        --steps;
    }
    uint64_t span = 1;  // faces of the queried level below one face of the reference level
    for (int i = 0; i < steps; ++i)
        span *= i == steps - 1 ? n : 4;
    const uint64_t ancestor = face / span;
    if (!TV_CHECK(ancestor < reference->m_iTotalFaceCount) ||
        !TV_CHECK(ancestor < reference->m_aObjectSymmetry.GetItemCount()))
        return kNone;
    const unsigned m = reference->m_aObjectSymmetry[unsigned(ancestor)];
    if (m == kNone)
        return kNone;
    const unsigned mirrorAncestor = (m & 0x7FFFFFFF) / n;
    const unsigned c = (m & 0x7FFFFFFF) % n;
    corner = c;

    unsigned position = 0, product = 1, rest = face;
    for (int i = 0; i < steps; ++i) {
        const unsigned d = i == steps - 1 ? n : 4;
        const unsigned k = rest % d;
        rest /= d;
        position += kMirrorChild[c & 3][k & 3] * product;
        product *= d;
    }
    if (const SubdivLevel *level = GetLevel(levelIndex); level && steps > 0)
        TV_ASSERT(level->m_iTotalFaceCount / product == reference->m_iTotalFaceCount);
    side = m >= 0x80000000;
    return mirrorAncestor * product + position;
}

void Object::MatchPolygonEdge(unsigned face, unsigned slot, unsigned &mirrorFace, unsigned &mirrorSlot)
{
    if (m_eType != typeTriangular)
        return;
    // Work lists kept for the whole run.
    static Polygon s_original, s_mirror;
    unsigned first = 0, mirrorFirst = 0;
    const int a = GetPolygonEdge(face, slot, s_original, first);
    if (a < 0)
        return;
    const int b = GetPolygonEdge(mirrorFace, mirrorSlot, s_mirror, mirrorFirst);
    if (b < 0 || s_original.m_iCount != s_mirror.m_iCount)
        return;
    const int count = int(s_mirror.m_iCount);
    RotatePolygon(s_mirror, unsigned((((2 * count - b - a - 1) % count) + count) % count));
    FillPolygon(s_mirror, mirrorFirst);
    // The mirror edge now sits at position count - 1 - a of the rebuilt fan: the first
    // triangle holds edge 0 (slot 2), the last one edge count - 1 (slot 1), triangle p - 1
    // edge p (slot 0).
    const int p = count - 1 - a;
    if (p == 0) {
        mirrorFace = mirrorFirst;
        mirrorSlot = 2;
    } else if (p == count - 1) {
        mirrorFace = mirrorFirst + unsigned(count) - 3;
        mirrorSlot = 1;
    } else {
        mirrorFace = mirrorFirst + unsigned(p) - 1;
        mirrorSlot = 0;
    }
}

// --- layers -------------------------------------------------------------------------

Layer3D *Object::CreateLayer(Layer3D *after, Layer3D *source)
{
    auto *layer = new Layer3D(this, source);
    if (!m_pLayers) {
        m_pLayers = layer;
    } else if (after) {
        layer->m_pParent = after->m_pParent;
        layer->m_pPrev = after;
        layer->m_pNext = after->m_pNext;
        if (after->m_pNext)
            after->m_pNext->m_pPrev = layer;
        after->m_pNext = layer;
    } else {
        layer->m_pNext = m_pLayers;
        m_pLayers->m_pPrev = layer;
        m_pLayers = layer;
    }
    layer->SetName(Tr("Layer %1").arg(m_iLayerNumber++));
    return layer;
}

void Object::DeleteLayer(Layer3D *layer)
{
    if (!layer)
        return;
    // Its sub-layers go with it, so each of them must be free to leave the mesh too.
    for (Layer3D *d = layer; d; d = NextInSubtree(d, layer)) {
        if (d->m_pLockedMesh && d->m_pLockedMesh != m_pActiveLevel) {
            General::Shell().SetStatusMessage(Tr("Layer can be deleted on the locked level only!"), 2);
            return;
        }
    }
    for (Layer3D *d = layer; d; d = NextInSubtree(d, layer))
        d->SetVisible(false);
    UnlinkLayer(layer);
    ForgetLayer(layer);
    delete layer;
}

void Object::MergeLayer(Layer3D *source, Layer3D *target)
{
    if (!source || !target || source == target || Layer3D::IsInSubtree(target, source))
        return;
    // The source's offsets stay where they were: at their effective strength. A source
    // whose records could not all be taken over is kept.
    if (!target->Merge(source, source->GetEffectiveStrength())) {
        Log("Layer %s could not be merged into %s: not enough memory\n", source->GetName().toLocal8Bit().constData(),
            target->GetName().toLocal8Bit().constData());
        return;
    }
    UnlinkLayer(source);
    ForgetLayer(source);
    delete source;
}

void Object::DestroyLayer(Layer3D *layer)
{
    if (!layer)
        return;
    UnlinkLayer(layer);
    ForgetLayer(layer);
    delete layer;
}

void Object::UnlinkLayer(Layer3D *layer)
{
    if (!layer)
        return;
    TV_ASSERT(!layer->m_pPrev || layer->m_pPrev->m_pNext == layer);
    TV_ASSERT(!layer->m_pNext || layer->m_pNext->m_pPrev == layer);
    if (layer->m_pPrev)
        layer->m_pPrev->m_pNext = layer->m_pNext;
    if (layer->m_pNext)
        layer->m_pNext->m_pPrev = layer->m_pPrev;
    if (m_pLayers == layer)
        m_pLayers = layer->m_pNext;
    if (layer->m_pParent && layer->m_pParent->m_pFirstChild == layer)
        layer->m_pParent->m_pFirstChild = layer->m_pNext;
    layer->m_pNext = layer->m_pPrev = layer->m_pParent = nullptr;
}

void Object::ForgetLayer(const Layer3D *layer)
{
    if (Layer3D::IsInSubtree(m_pActiveLayer, layer))
        SetActiveLayer(nullptr);
    if (Layer3D::IsInSubtree(m_pSecondLayer, layer))
        m_pSecondLayer = nullptr;
}

void Object::SetActiveLayer(Layer3D *layer)
{
    m_pActiveLayer = layer;
    const bool showWeights = MeshHost::Get().ShowLayerWeights();
    for (SubdivLevel *level = this; level; level = level->m_pNext) {
        level->m_pActiveLayerData = layer ? layer->GetLevel(level) : nullptr;
        if (!showWeights)
            continue;
        level->m_bRecreateBuffers = true;
        if (level->m_pActiveLayerData)
            level->m_pActiveLayerData->ApplyWeightsToMask();
    }
}

int Object::LayerCount() const
{
    int count = 0;
    for (const Layer3D *layer = m_pLayers; layer; layer = layer->GetNextInTree())
        ++count;
    return count;
}

Layer3D *Object::GetLayerByIndex(int index) const
{
    if (index < 0)
        return nullptr;
    Layer3D *layer = m_pLayers;
    for (; layer && index > 0; --index)
        layer = layer->GetNextInTree();
    return layer;
}

int Object::GetLayerIndex(const Layer3D *layer) const
{
    int index = 0;
    for (const Layer3D *l = m_pLayers; l; l = l->GetNextInTree(), ++index)
        if (l == layer)
            return index;
    return -1;
}

// --- the object record --------------------------------------------------------------

void Object::ApplyLegacyObjectState(const LegacyObjectState &state)
{
    if (state.bHasVisible)
        m_bVisible = state.bVisible;
    if (state.bHasLocked)
        m_bLocked = state.bLocked;
    if (!state.sName.isEmpty())
        m_sName = state.sName;
    SelectMaterial(state.iMaterial);
}

void Object::SelectMaterial(int identifier)
{
    // Every material with the identifier is set in turn: the last one stays.
    Surface::MaterialList &materials = Surface::Materials();
    for (int i = 0; i < materials.Count(); ++i)
        if (materials.At(i)->GetIndex() == identifier)
            m_aMaterial.SetValue(materials.At(i), true);
}

bool Object::Serialize(Stream &stream)
{
    const int v = stream.GetVersion();
    const bool storing = stream.IsStoring();
    if (v >= 30) {
        unsigned char reserved = 0;
        QString name = m_sName;
        int material = GetMaterial() ? GetMaterial()->GetIndex() : -1;
        stream.Serialize(reserved).Serialize(m_bLocked).Serialize(m_bVisible);
        stream.Serialize(name).Serialize(material);
        if (stream.HasError())
            return false;
        if (!storing) {
            m_sName = name;
            SelectMaterial(material);
        }
        if (!SubdivLevel::Serialize(stream))
            return false;
        if (v >= 39) {
            int active = GetLevelIndex(m_pActiveLevel);
            stream.Serialize(active);
            if (!storing)
                m_pActiveLevel = GetLevel(active);
        }
        if (v >= 77) {
            int second = GetLayerIndex(m_pSecondLayer);
            stream.Serialize(second);
            // Resolved against the layers the object has now, before the stored ones are made.
            if (!storing)
                m_pSecondLayer = GetLayerByIndex(second);
        }
    } else {
        if (!Mesh::Serialize(stream))
            return false;
        if (!storing) {
            m_iTotalVertexCount = m_iVertexCount;
            m_iTotalFaceCount = m_iFaceCount;
            m_bAdjacencyValid = false;
            if (!CalculateAdjacency()) {
                stream.SetError();
                return false;
            }
        }
    }
    if (stream.HasError())
        return false;
    GetSwapFileName();

    if (v >= 55) {
        int count = 0;
        int active = -1;
        for (Layer3D *layer = m_pLayers; layer; layer = layer->m_pNext, ++count)
            if (layer == m_pActiveLayer)
                active = count;
        stream.Serialize(count).Serialize(active);
        if (stream.HasError())
            return false;
        if (!storing) {
            if (count < 0 || !stream.Expect(uint64_t(count) * kMinimumLayerRecord)) {
                Log("Object %s holds %d layers that the file cannot hold\n", m_sName.toLocal8Bit().constData(),
                    count);
                stream.SetError();
                return false;
            }
            for (int i = 0; i < count; ++i)
                CreateLayer(nullptr, nullptr);
            if (active >= 0)
                SetActiveLayer(GetTopLevelLayer(active));
        }
        Layer3D *layer = m_pLayers;
        for (int i = 0; i < count && layer; ++i, layer = layer->m_pNext)
            if (!layer->Serialize(stream))
                return false;
    }
    if (v >= 78 && !stream.SerializeArray(m_aObjectSymmetry))
        return false;
    if (v >= 80)
        stream.Transfer(m_aSymmetryValues, sizeof(m_aSymmetryValues));
    if (v >= 124)
        stream.Serialize(m_bLevelsOnDisk);
    if (stream.HasError())
        return false;
    if (v >= 207) {
        auto *placement = dynamic_cast<Placement *>(GetTransformation());
        if (!placement) {
            Log("Object %s: no transformation to hold its placement\n", m_sName.toLocal8Bit().constData());
            stream.SetError();
            return false;
        }
        if (!placement->Serialize(stream))
            return false;
    }
    if (v >= 208 && v <= 216) {
        unsigned char obsolete = 0;
        stream.Serialize(obsolete);
    }
    if (!storing) {
        // The highest level with visible faces is the one shown, whatever was stored.
        for (SubdivLevel *level = this; level; level = level->m_pNext)
            if (level->m_iHiddenFaces < level->m_iFaceCount)
                m_pActiveLevel = level;
        if (!m_pActiveLevel)
            m_pActiveLevel = this;
    }
    return !stream.HasError();
}

Layer3D *Object::GetTopLevelLayer(int index) const
{
    Layer3D *layer = m_pLayers;
    for (; layer && index > 0; --index)
        layer = layer->m_pNext;
    return index == 0 ? layer : nullptr;
}
