#pragma once
// The settings of one normal and displacement map extraction: a node whose attributes
// the property panel, the baking dialog, the job file and the command line fill by name.
// Changing one setting enables, disables or clears the settings that depend on it.
// It also holds the tile range of the low mesh and expands the map file-name masks.

#include "foundation/attributes/AttributeEnumeration.h"
#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/attributes/AttributeNumber.h"
#include "foundation/EventGate.h"
#include "foundation/Node.h"
#include "mesh/levels/SubdivLevel.h"
#include "mesh/object/Object.h"
#include "mesh/surface/TangentConfig.h"

#include <QList>

class Stream;

namespace MapExtraction {

// Map format ids: the items of "Displacement Map Format", which the buffers use too.
enum MapFormat {
    map8Bit = 0,
    map16Bit = 1,
    map16BitBW = 2,
    mapFloat = 3,
    mapBWFloat = 4,
    mapNormalAlpha = 5,
};
enum FileType { fileTIF = 0, fileBMP = 1, filePNG = 2, fileJPG = 3, fileTGA = 4 };

class Info : public General::Node {
public:
    static General::TypeInfo s_typeInfo;
    // The top of the search distance's slider at first; the setting itself takes any length.
    static constexpr float kLargestSearchDistance = 20.0f;

    Info();
    ~Info() override;

    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    QString GetName() const override { return m_aNodeName.GetValue(); }
    void AttributeChanged(General::Attribute *attribute, int event) override;

    // The settings in the stream's direction. A record that cannot be read whole changes
    // nothing, sets the stream's error flag and yields false.
    bool Serialize(Stream &stream);

    // The "Normal Map Format" setting as a map format id: its "32 bit" item is the float format.
    int GetNormalMapFormat() const;

    // --- tiles and file-name masks ----------------------------------------------
    // Validates the low mesh and sets the tile range; throws General::Error (code 1).
    void CheckLowResMesh();
    // The identifier of the current tile.
    int GetMapIdentifier() const;
    // The mask with its placeholders replaced for the current tile; no folder, no extension.
    QString GetMapFileName(const QString &mask, bool withRange) const;
    // Whether the tile with this identifier is baked: it lies within the first and last
    // tile, and it is the first tile unless "Process Multiple Tiles" is on.
    bool TileWanted(int identifier) const;
    // A run held to some of the tiles (one frame of a farm job) cannot see the maps of
    // the others, so it cannot take its displacement range from them.
    bool BakesSomeTilesOnly() const { return m_iFirstTile != 0 || m_iLastTile != 2147483647; }
    // The identifiers of the tiles the low mesh spans that the run's settings would bake
    // without a first and last tile, in the order they are baked (after CheckLowResMesh).
    QList<int> MeshTileIdentifiers() const;

    int m_iUStart = 0, m_iUEnd = 1, m_iVStart = 0, m_iVEnd = 1;
    int m_iTileU = 0, m_iTileV = 0;
    float m_fDisplacementMin = 0.0f, m_fDisplacementMax = 0.0f;

    QString m_sMapFolder;
    QString m_sExtension;
    int m_iFirstTile = 0;
    int m_iLastTile = 2147483647;
    bool m_bNormalizeDisplacement = false;

private:
    struct Scratch {};
    // A node that keeps the default settings without taking a default name.
    explicit Info(Scratch);
    void Construct();
    bool Transfer(Stream &stream);
    static QString DefaultName();
    void SetDisabled(General::Attribute &attribute, bool disabled);
    // The disabled flags that follow from the file type and the displacement settings.
    void UpdateFormatFlags();
    void UpdateTileFlags();
    void UpdateSearchDistance();
    // Enumerations read from a stream that name no item fall back to their defaults.
    void RepairEnumerations();

    // Attributes report while the node is built and torn down; it answers only in between.
    bool m_bReady = false;

public:
    General::AttributeInstance<QString> m_aNodeName;
    General::EventGate m_aStart;
    General::EventGate m_aCancel;
    General::AttributePointer<SubdivLevel> m_aLowMesh;
    General::AttributeEnumeration m_aLowSubdivision;
    General::AttributeInstance<bool> m_aSmoothUVs;
    General::AttributeInstance<bool> m_aSelectedOnly;
    General::AttributePointer<Object> m_aHighMesh;
    General::AttributePointer<General::Node> m_aSelectionSet;
    General::AttributeFilename m_aLoadMeshFromFile;
    General::AttributeEnumeration m_aHighSubdivision;
    General::AttributeInstance<bool> m_aCreateNormalMap;
    General::AttributeFilename m_aNormalMapFilename;
    General::AttributeInstance<bool> m_aCreateDisplacementMap;
    General::AttributeFilename m_aDisplacementMapFilename;
    General::AttributeInstance<int> m_aMapWidth;
    General::AttributeInstance<int> m_aMapHeight;
    General::AttributeEnumeration m_aFileType;
    General::AttributeInstance<bool> m_aFillWholeMaps;
    General::AttributeInstance<int> m_aEdgeBleeding;
    General::AttributeEnumeration m_aRayCenter;
    General::AttributeInstance<bool> m_aTestBothSides;
    General::Attribute m_aMultipleMapLabel;
    General::AttributeInstance<bool> m_aProcessMultipleTiles;
    General::AttributeInstance<int> m_aURange;
    General::AttributeNumber m_aUStart;
    General::AttributeInstance<bool> m_aSkipEmptyMaps;
    General::Attribute m_aNormalMapLabel;
    General::AttributeEnumeration m_aNormalMapFormat;
    General::AttributeEnumeration m_aNormalMapSpace;
    General::AttributeInstance<bool> m_aSmoothNormals;
    General::Attribute m_aTangentLabel;

private:
    Surface::TangentConfig m_cTangentConfig;

public:
    // Built detached after the tangent configuration (a node of its own) and moved here
    // after its settings.
    General::Attribute m_aDisplacementLabel;
    General::AttributeEnumeration m_aDisplacementMapFormat;
    General::AttributeInstance<bool> m_aKeepZeroAsMiddleGrey;
    General::AttributeInstance<bool> m_aNormalizeToSearchDistance;
    General::AttributeFloatRange m_aSearchDistance;

    Surface::TangentConfig &GetTangentConfig() { return m_cTangentConfig; }
};

}  // namespace MapExtraction
