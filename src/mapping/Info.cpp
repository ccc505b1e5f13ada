#include "mapping/Info.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace MapExtraction {

constinit General::TypeInfo Info::s_typeInfo{&General::Node::s_typeInfo, "Info", &General::CreateNodes<Info>};

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("MapExtraction::Info", text); }

void AddValues(General::AttributeEnumeration &attribute, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        attribute.m_aValues.Add(name);
}

void Describe(General::Attribute &attribute, const char *section, const char *help)
{
    attribute.SetGroup(QString::fromLatin1(section));
    if (help)
        attribute.SetTooltip(Tr(help));
}

// The low mesh must have a face to map onto.
bool AcceptsLowMesh(General::Node *node) { return !node || static_cast<Mesh *>(node)->m_iFaceCount > 0; }

// Selection sets belong to the scene, which registers their class.
bool AcceptsSelectionSet(General::Node *node)
{
    return !node || General::TypeInfo::IsKindOf(node->GetTypeInfo(), General::TypeInfo::Find("SelectionSet"));
}

const char *const kMaskHelp = "File name mask to use for normal maps\n%u - max U dimension\n%v - max V dimension\n"
                              "%x - x index of current map\n%y - y index of current map\n"
                              "%i - 4 digit identifier of the current map";
const char *const kDisplacementMaskHelp =
    "File name mask to use for displacement maps\n%u - max U dimension\n%v - max V dimension\n"
    "%x - x index of current map\n%y - y index of current map\n%i - 4 digit identifier of the current map\n"
    "%g - minimal value in displacement maps\n%f - maximum value in displacement maps";
const char *const kSpaceHelp =
    "Which base to transform normals before storing in the map\nObject space - store the normal vectors without "
    "transformation\nTangent space - transform the normal into nonorthogonal tangent space\nSemi-Ort tangent - "
    "transform into tangent space where the tangent and binormal is orthogonal to the vertex normal\nOrthogonal "
    "tangent - same as the previous but binormal is orthogonalized into normal-tangent plane\n(UV) means tangent "
    "points to U, binormal points to V, (VU) means tangent points to V, binormal to U";

}  // namespace

Info::Info(Scratch)
    : m_aNodeName(QStringLiteral("Node Name")),
      m_aStart(QStringLiteral("Start")),
      m_aCancel(QStringLiteral("Cancel")),
      m_aLowMesh(QStringLiteral("Low Resolution Mesh")),
      m_aLowSubdivision(QStringLiteral("Subdivision")),
      m_aSmoothUVs(QStringLiteral("Smooth UVs")),
      m_aSelectedOnly(QStringLiteral("Extract Selected Low Res. Faces Only")),
      m_aHighMesh(QStringLiteral("High Resolution Mesh")),
      m_aSelectionSet(QStringLiteral("Selection Set")),
      m_aLoadMeshFromFile(QStringLiteral("Load Mesh From File"), true),
      m_aHighSubdivision(QStringLiteral("Subdivision")),
      m_aCreateNormalMap(QStringLiteral("Create Normal Map")),
      m_aNormalMapFilename(QStringLiteral("Normal Map Filename"), false),
      m_aCreateDisplacementMap(QStringLiteral("Create Displacement Map")),
      m_aDisplacementMapFilename(QStringLiteral("Displacement Map Filename"), false),
      m_aMapWidth(QStringLiteral("Map Width")),
      m_aMapHeight(QStringLiteral("Map Height")),
      m_aFileType(QStringLiteral("File Type")),
      m_aFillWholeMaps(QStringLiteral("Fill Whole Maps")),
      m_aEdgeBleeding(QStringLiteral("Edge Bleeding")),
      m_aRayCenter(QStringLiteral("Ray Center")),
      m_aTestBothSides(QStringLiteral("Test Both Sides")),
      m_aMultipleMapLabel(QStringLiteral("<    Multiple Map Support")),
      m_aProcessMultipleTiles(QStringLiteral("Process Multiple Tiles")),
      m_aURange(QStringLiteral("URange")),
      m_aUStart(QStringLiteral("UStart"), 60, 4),
      m_aSkipEmptyMaps(QStringLiteral("Skip Empty Maps")),
      m_aNormalMapLabel(QStringLiteral("<    Normal Map Settings")),
      m_aNormalMapFormat(QStringLiteral("Normal Map Format")),
      m_aNormalMapSpace(QStringLiteral("Normal Map Space")),
      m_aSmoothNormals(QStringLiteral("Smooth Normals")),
      m_aTangentLabel(QStringLiteral("    ")),
      m_aDisplacementLabel(QStringLiteral("<    Displacement Map Settings"), false),
      m_aDisplacementMapFormat(QStringLiteral("Displacement Map Format")),
      m_aKeepZeroAsMiddleGrey(QStringLiteral("Keep Zero As Middle Grey")),
      m_aNormalizeToSearchDistance(QStringLiteral("Normalize to Search Distance")),
      m_aSearchDistance(QStringLiteral("Search Distance"), 0.0f, kLargestSearchDistance)
{
    Construct();
}

Info::Info() : Info(Scratch{}) { m_aNodeName.SetValue(DefaultName(), true); }

Info::~Info()
{
    m_bReady = false;
    General::Shell().ReleaseNode(this);
}

void Info::Construct()
{
    const char *subdivisions[] = {"None", "Good", "High", "Highest"};
    for (General::AttributeEnumeration *e : {&m_aLowSubdivision, &m_aHighSubdivision})
        for (const char *name : subdivisions)
            e->m_aValues.Add(name);
    AddValues(m_aFileType, {"TIF", "BMP", "PNG", "JPG", "TGA"});
    AddValues(m_aRayCenter, {"Furthest outside", "Furthest inside", "Closest to lowres mesh"});
    AddValues(m_aNormalMapFormat, {"8 bit", "16 bit", "32 bit"});
    AddValues(m_aNormalMapSpace, {"Object", "Tangent", "World"});
    AddValues(m_aDisplacementMapFormat, {"8 bit", "16 bit", "16 bit (black&white)", "32 bit FP",
                                         "32 bit FP (black&white)", "Normal alpha"});

    m_aLowMesh.SetNullText(QStringLiteral("Select Mesh"));
    m_aLowMesh.SetAcceptFilter(&AcceptsLowMesh);
    m_aHighMesh.SetNullText(QStringLiteral("Select Mesh"));
    m_aSelectionSet.SetNullText(QStringLiteral("Select Set"));
    m_aSelectionSet.SetAcceptFilter(&AcceptsSelectionSet);

    m_aCreateNormalMap.SetValue(true, true);
    m_aCreateDisplacementMap.SetValue(true, true);
    m_aMapWidth.SetValue(1024, true);
    m_aMapHeight.SetValue(1024, true);
    m_aEdgeBleeding.SetValue(10, true);
    m_aRayCenter.SetValue(2, true);
    m_aProcessMultipleTiles.SetValue(true, true);
    m_aURange.SetValue(1, true);
    m_aUStart.SetValue(1, true);
    m_aNormalMapSpace.SetValue(1, true);
    m_aSmoothNormals.SetValue(true, true);
    m_aKeepZeroAsMiddleGrey.SetValue(true, true);
    m_aSearchDistance.SetValue(10.0f, true);

    Describe(m_aNodeName, "#top", "Identifier of the operation.");
    Describe(m_aStart, "#bottom", nullptr);
    Describe(m_aCancel, "#bottom", nullptr);
    Describe(m_aLowMesh, "#top", "Low resolution mesh with the texture coordinates");
    Describe(m_aLowSubdivision, "#top", "Subdivide the low resolution mesh before extraction");
    Describe(m_aSmoothUVs, "Advanced Settings",
             "Smooth texture coordinates on the low resolution mesh after each subdivision step");
    Describe(m_aSelectedOnly, "Advanced Settings",
             "If checked only selected faces from the low resolution mesh will be updated on the maps");
    Describe(m_aHighMesh, "#top", "High resolution mesh to get normals and displacement values from");
    Describe(m_aSelectionSet, "#top", nullptr);
    Describe(m_aLoadMeshFromFile, "#top", "Browse for a mesh file containing the high resolution surface");
    Describe(m_aHighSubdivision, "#top", "Level of smoothing around the cross point");
    Describe(m_aCreateNormalMap, "#top", "Calculate normal vectors from the high resolution mesh");
    Describe(m_aNormalMapFilename, "#top", kMaskHelp);
    Describe(m_aCreateDisplacementMap, "#top", "Calculate displacement values from the high resolution mesh");
    Describe(m_aDisplacementMapFilename, "#top", kDisplacementMaskHelp);
    Describe(m_aMapWidth, "#top", "Width of map");
    Describe(m_aMapHeight, "#top", "Height of map");
    Describe(m_aFileType, "#top", "Type of the generated texture files");
    Describe(m_aFillWholeMaps, "Advanced Settings",
             "If checked the empty area of the map will be filled after extraction with approximated values");
    Describe(m_aEdgeBleeding, "Advanced Settings", "How many pixels to extract at the edge of the maps");
    Describe(m_aRayCenter, "Advanced Settings", "Controls which point of the ray should be used as the closest point");
    Describe(m_aTestBothSides, "Advanced Settings",
             "If true faces will be checked from both sides not only from front side");
    Describe(m_aMultipleMapLabel, "Advanced Settings", nullptr);
    Describe(m_aProcessMultipleTiles, "Advanced Settings",
             "Process multiply tile spaces. If unchecked only the first will be processed");
    Describe(m_aURange, "Advanced Settings",
             "Number of the maps in a row (used in the calculation of the current map identifier)");
    Describe(m_aUStart, "Advanced Settings", "Identifier of the first map in the first row");
    Describe(m_aSkipEmptyMaps, "Advanced Settings",
             "Skip maps which are not used on the surface of the low resolution mesh");
    Describe(m_aNormalMapLabel, "Advanced Settings", nullptr);
    Describe(m_aNormalMapFormat, "Advanced Settings", "Format of the normal map");
    Describe(m_aNormalMapSpace, "Advanced Settings", kSpaceHelp);
    Describe(m_aSmoothNormals, "Advanced Settings", "Smooth normal maps inside a face of the high resolution mesh");
    Describe(m_aTangentLabel, "Advanced Settings", nullptr);
    Describe(m_aDisplacementLabel, "Advanced Settings", nullptr);
    Describe(m_aDisplacementMapFormat, "Advanced Settings",
             "Format of the displacement map. \"Normal map alpha\" means no separated displacement map, use the "
             "alpha channel in the normal map");
    Describe(m_aKeepZeroAsMiddleGrey, "Advanced Settings",
             "During normalization map the zero displacement value into middle grey color of the map");
    Describe(m_aNormalizeToSearchDistance, "Advanced Settings", "Normalize the displacement values to the search distance");
    Describe(m_aSearchDistance, "#top", "Ray length");

    // The tangent settings are listed among this node's, then the displacement settings
    // (built while the configuration was the current node) after them.
    for (int i = 0; i < Surface::TangentConfig::kAttributeCount; ++i) {
        General::Attribute *attribute = m_cTangentConfig.GetConfigAttribute(i);
        attribute->SetGroup(QStringLiteral("Advanced Settings"));
        attribute->SetOwner(this);
    }
    for (General::Attribute *attribute : std::initializer_list<General::Attribute *>{
             &m_aDisplacementLabel, &m_aDisplacementMapFormat, &m_aKeepZeroAsMiddleGrey,
             &m_aNormalizeToSearchDistance, &m_aSearchDistance})
        attribute->SetOwner(this);

    m_aProcessMultipleTiles.SetReadOnly(true);
    m_aSkipEmptyMaps.SetReadOnly(true);
    m_bReady = true;
}

QString Info::DefaultName()
{
    int n = 0;
    for (bool taken = true; taken;) {
        taken = false;
        const QString name = QString::asprintf("Baker #%d", n);
        for (General::Node *node = General::Node::GetHead(); node; node = node->GetNext())
            if (General::TypeInfo::IsKindOf(node->GetTypeInfo(), &s_typeInfo) && node->GetName() == name) {
                taken = true;
                ++n;
                break;
            }
    }
    return QString::asprintf("Baker #%d", n);
}

void Info::SetDisabled(General::Attribute &attribute, bool disabled)
{
    attribute.SetReadOnly(disabled);
    attribute.Notify(General::Attribute::kNodeCreated);
}

void Info::UpdateFormatFlags()
{
    const bool tiff = m_aFileType.GetValue() == fileTIF;
    SetDisabled(m_aNormalMapFormat, !tiff);
    SetDisabled(m_aDisplacementMapFormat, !tiff);
    const int format = m_aDisplacementMapFormat.GetValue();
    const bool floats = format == mapFloat || format == mapBWFloat;
    SetDisabled(m_aNormalizeToSearchDistance, floats);
    SetDisabled(m_aKeepZeroAsMiddleGrey, floats || m_aNormalizeToSearchDistance.GetValue());
}

void Info::UpdateTileFlags()
{
    SubdivLevel *low = m_aLowMesh.GetValue();
    if (!low)
        return;
    const AABB box = low->TCBounds(true);
    const bool multiTile = box.m_vMax.x > 1.0f || box.m_vMax.y > 1.0f;
    SetDisabled(m_aProcessMultipleTiles, !multiTile);
    const bool tiles = multiTile && m_aProcessMultipleTiles.GetValue();
    SetDisabled(m_aUStart, !tiles);
    SetDisabled(m_aURange, !tiles);
    SetDisabled(m_aSkipEmptyMaps, !tiles);
}

void Info::UpdateSearchDistance()
{
    Mesh *mesh = m_aLowMesh.GetValue();
    if (!mesh)
        mesh = m_aHighMesh.GetValue();
    if (!mesh)
        return;
    // A tenth of the mesh at any size: a mesh modelled in millimetres needs a ray as long,
    // in its own units, as one modelled in metres. The slider's bounds widen to hold it.
    float distance = 0.1f * mesh->GetAABB(false).GetMaxSize();
    if (!(distance >= 0.0f))
        distance = 0.0f;
    m_aSearchDistance.SetValue(distance);
}

int Info::GetNormalMapFormat() const
{
    switch (m_aNormalMapFormat.GetValue()) {
    case 1:
        return map16Bit;
    case 2:
        return mapFloat;
    default:
        return map8Bit;
    }
}

void Info::AttributeChanged(General::Attribute *attribute, int event)
{
    if (!m_bReady)
        return;
    if (m_cTangentConfig.Holds(attribute)) {
        m_cTangentConfig.AttributeChanged(attribute, event);
        return;
    }
    if (event != General::Attribute::kValueChanged)
        return;
    if (attribute == &m_aFileType) {
        if (m_aFileType.GetValue() != fileTIF) {
            // Only TIFF holds more than 8 bits.
            m_aNormalMapFormat.SetValue(map8Bit, true);
            m_aDisplacementMapFormat.SetValue(map8Bit, true);
        }
        UpdateFormatFlags();
    } else if (attribute == &m_aDisplacementMapFormat || attribute == &m_aNormalizeToSearchDistance) {
        UpdateFormatFlags();
    } else if (attribute == &m_aLoadMeshFromFile) {
        // The three sources of the high surface exclude each other.
        m_aSelectionSet.SetValue(nullptr, true);
        m_aHighMesh.SetValue(nullptr, true);
    } else if (attribute == &m_aHighMesh) {
        m_aLoadMeshFromFile.SetValue(QString(), true);
        m_aSelectionSet.SetValue(nullptr, true);
        UpdateSearchDistance();
    } else if (attribute == &m_aSelectionSet) {
        m_aHighMesh.SetValue(nullptr, true);
        m_aLoadMeshFromFile.SetValue(QString(), true);
    } else if (attribute == &m_aCreateNormalMap) {
        SetDisabled(m_aNormalMapFilename, !m_aCreateNormalMap.GetValue());
    } else if (attribute == &m_aCreateDisplacementMap) {
        SetDisabled(m_aDisplacementMapFilename, !m_aCreateDisplacementMap.GetValue());
    } else if (attribute == &m_aLowMesh) {
        if (!AcceptsLowMesh(m_aLowMesh.GetValue())) {
            Log("%s has no faces to map onto\n", qPrintable(m_aLowMesh.GetValue()->GetName()));
            m_aLowMesh.SetValue(nullptr, true);
            return;
        }
        UpdateTileFlags();
        UpdateSearchDistance();
    } else if (attribute == &m_aProcessMultipleTiles) {
        UpdateTileFlags();
    } else if (attribute == &m_aNormalMapSpace) {
        m_cTangentConfig.SetAttributesDisabled(m_aNormalMapSpace.GetValue() != 1);
    }
}

}  // namespace MapExtraction
