#pragma once
// One subdivision level of an object: a Mesh that also knows the coarser level below
// it, the finer level above it (which it owns) and, when only part of the level is
// held, how its faces and vertices relate to those of the whole level.
//
// Every face and vertex has a local index (its place in the level's stores) and a
// global index (its place in the fully subdivided level). The children of global face
// g with k sides are faces g × k + c of the next level. A partial level (m_bFull false)
// pairs the two in m_aFaceMap and m_aVertexMap; faces it gave up live in its
// partial-level swap files (see LevelSwapFiles).

#include "foundation/Containers.h"
#include "foundation/math/Vector.h"
#include "mesh/levels/FileArray.h"
#include "mesh/core/Mesh.h"

#include <QString>

#include <cstdio>

class LayerLevel;
class LevelFile;
class LevelSwapFiles;
class Stream;
class VertexChanges;

class SubdivLevel : public Mesh {
public:
    SubdivLevel();
    // Sized stores (throws std::bad_alloc when refused); totals and created-face count follow.
    SubdivLevel(unsigned faceCount, unsigned vertexCount, unsigned tcCount, unsigned unused, bool quads);
    // Deletes every finer level and removes the level's swap files.
    ~SubdivLevel() override;

    // The registry record "SubdivLevel" (parent "Mesh") and its factory: one level for a
    // count below 2, else an array of count levels; null when the memory is refused.
    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    static SubdivLevel *Create(int count);

    // "object (level: n, faces: f)".
    QString GetName() const override;

    uint64_t GetMemorySize() const override;
    Object *GetObject() override;
    Placement *GetPlacement() override;

    // --- the chain ------------------------------------------------------------
    SubdivLevel *GetBaseLevel();
    const SubdivLevel *GetBaseLevel() const;
    // Links below the level; -1 for no level.
    static int GetLevelIndex(const SubdivLevel *level);
    int GetLevelIndex() const { return GetLevelIndex(this); }
    // Makes `next` the level above this one (owned); the former one is deleted.
    void SetNextLevel(SubdivLevel *next);

    // --- absolute and relative positions -------------------------------------
    void MakeAbsolute();
    void MakeRelative();
    // Takes in the vertices the last subdivision made (up to m_iNewVertexCount) with no detail
    // and no marks. A relative level whose Catmull-Clark store covers them is made absolute
    // in the same pass, the new vertices written once at their positions; any other level
    // is left to MakeAbsolute. False, with the level as it was, when the store cannot grow.
    bool AddNewVertices();

    // --- index maps --------------------------------------------------------
    // Local index of a global vertex; queries must come in increasing order after a reset. -1 when absent.
    int FindInVertexMap(unsigned global);
    void ResetVertexMapCursor();
    void MapFaceListToGlobal(General::Store<unsigned int> &list);
    void MapFaceListToLocal(General::Store<unsigned int> &list);
    // Makes a full level partial with the identity face map; false when the map cannot be made.
    bool MakePartial();
    // Gives the face map the pairs (i, i) for every face held; false (map kept) when refused.
    bool SetIdentityFaceMap();
    // Per face of the level below and child c: this level's local child face (or 0xFFFFFFFF);
    // per vertex of the level below: this level's local vertex at the same place (or 0xFFFFFFFF).
    void BuildChildTables(unsigned sides, General::FileArray<unsigned int> &faces,
                          General::FileArray<unsigned int> &vertices);

    // --- carrying sculpted changes down -------------------------------------------
    void PropagateToLowerLevel();

    // --- face states -------------------------------------------------------
    void FreezeLocalBorder();
    bool RelinkFaces(unsigned firstNew, bool mark);
    // Selects and hides the listed faces (every face for an empty list); the other faces lose
    // their selection when the list does not cover the level.
    void HideFaces(const General::Store<unsigned int> &list);
    // HideFaces, then takes the listed faces out of the octree.
    void MarkFaceList(const General::Store<unsigned int> &list);
    // Rebuilds the list of visible faces and the hidden count, and marks the tile partitions
    // for rebuilding; false when the list cannot grow. Every change of visible faces ends here.
    bool RebuildVisibleFaces();

    // --- whole-level swap to temporary files --------------------------------------
    bool SaveFacesToDisk();
    bool SaveVerticesToDisk();
    bool ReloadVertices();
    bool ReloadFaces();

    // --- partial-level swap files ---------------------------------------------------
    // The base name of the level's four partial-level swap files, made (with the files) on first use.
    QString GetSwapFileName();
    // Takes the listed local faces (every face for an empty list) and the vertices only they
    // use out of the level into its swap files. False when it refuses, runs out of memory
    // or a swap file cannot be used; the level then keeps its faces.
    bool RemoveFaces(General::Store<unsigned int> &list, bool updateView, int reserved = 0);

    // --- mapping faces between levels --------------------------------------------
    // The faces a level gets from the level below, and the faces it brings back from its swap
    // files; made by the subdivision code.
    bool Subdivide(General::Store<unsigned int> &parents);
    bool UpdateCC(bool adjust);
    bool RestoreFaces(General::Store<unsigned int> &globals, bool relink, bool all,
                      const General::Store<bool> *firstMarks, bool markHidden);
    bool MapFaces(General::Store<unsigned int> &list, bool activate, bool unmapLower, bool recalculate);
    bool Unmap(General::Store<unsigned int> &list, bool all);
    bool RemapFaces(General::Store<unsigned int> &list, General::Store<unsigned int> &parents, bool missingOnly,
                    bool updatePositions);

    // --- subdivision (Catmull-Clark) ---------------------------------------------------
    // The next finer level; with `create` a missing one is made empty with its expected
    // totals. Null when there is none, or when the next level would be too large to number.
    SubdivLevel *GetNextLevel(bool create);
    // The top of the chain above this level (never creates one).
    SubdivLevel *GetHighestLevel();
    // Subdivide (above) appends the children of the listed local faces of the level below
    // (sorted in place); false, with the level as it was, when memory is refused or the data
    // cannot be used. UpdateCC (above) recomputes the Catmull-Clark positions from the level
    // below: with `adjust` the level is absolute and its own changes are carried down first,
    // else it is relative. UpdateCCPositions is its smooth kernel.
    bool UpdateCCPositions(bool adjust);

    // --- stepping regions between levels (undone from snapshot files when they fail) ---
    // Steps the listed local faces up: their children are mapped on the next level (made
    // when missing) and they leave this level. `activate` goes to MapFaces.
    bool ReloadLowerLevel(General::Store<unsigned int> &faces, bool activate);
    // Steps the listed local faces down: their parents show again on the level below, which
    // takes this level's detail, and their descendants leave this level and those above.
    // The list is emptied on success.
    bool LevelDownFaces(General::Store<unsigned int> &faces);
    // Makes the listed global faces of this level exist, making missing ancestors first;
    // with `neighbours` the absent neighbours of the worked faces below as well.
    bool CreateLevel(General::Store<unsigned int> &globals, bool neighbours);
    // Drops every layer's data for this level (before the level goes).
    void DropLayerData();

    // --- face lists and rebuilt coordinates -------------------------------------------
    // Appends the faces the next subdivision or level change works on: the selected visible
    // faces, or every visible face (selecting them); every face of a polygon level. With
    // `load` a partial quad level first brings back the removed faces around them, which
    // are listed too and kept in the extra faces.
    void CreateFaceList(General::Store<unsigned int> &faces, bool load);
    // Rebuilds the texture coordinates of a quad level from the level below, bringing back
    // for the time of the rebuild the faces of the level below that it needs.
    void RecreateUVs(bool clearFirst);

    // --- texture coordinates of new faces ----------------------------------------
    bool UpdateTCs(const General::Store<unsigned int> &parents, unsigned firstNew);

    // --- sculpt layers --------------------------------------------------------------
    // Adds a layer's offsets × factor to the level: to the vertices it holds and to those
    // in its vertex swap file.
    void ApplyLayer(LayerLevel *layerLevel, float factor);

    // --- export and streams ---------------------------------------------------------
    // Writes the level as one OBJ group; false when the file could not take it.
    bool ExportFacesOBJ(std::FILE *file, unsigned &vertexBase, unsigned &tcBase, unsigned &progress,
                        unsigned total, bool selectedOnly, bool withTCs, float scale);
    // Moves the level record (and, with the stream's level-chain flag, every finer level) in the
    // stream's direction. False when the record could not be read or written whole.
    bool Serialize(Stream &stream);
    // One level alone (level-chain flag cleared). Loading removes the file only once it was read.
    bool SaveLevelFile(const QString &fileName);
    bool LoadLevelFile(const QString &fileName);

    // The owning object's name, which its level 0 (the object itself) carries.
    QString GetObjectName() const;

    // Writes the level as one group of a level file: the faces that carry the active bit,
    // the vertices they use (each once, scaled) and, when asked and present, the texture
    // coordinates (unscaled). The offsets say how many positions and texture coordinates
    // the file holds already and grow by this group's. False when the group could not be
    // made: nothing of it was written, the offsets and the level are as they were, and a
    // file whose header counts this group must be discarded by the caller.
    bool ExportLevel(LevelFile *file, int32_t *vertexOffset, int32_t *tcOffset, bool regenerate, bool texCoords,
                     float scale);

    // --- symmetry ----------------------------------------------------------------------
    // Pairs every face of a full level with its mirror face ("object symmetry") by
    // walking out over both halves at once from two adjacent faces that straddle the
    // symmetry plane, and sets the symmetry axis. The first face's side is marked
    // (bit 31). False when the faces share no edge, the level is partial, or the halves
    // differ (the faces where they do are selected); the table then names no mirrors.
    bool InitSymmetry(unsigned first, unsigned second);
    // Derives the level's own face symmetry map ("mesh symmetry", by level index) from the
    // object's topological axis; faces whose mirror the level does not hold get none. False,
    // with a warning once per level, when no axis is set for this topology.
    bool PrepareSymmetry() override;
    // Mirrors across the symmetry plane, through the level's face symmetry map: without
    // layer data the vertex positions, else the source layer data's offsets into the target
    // (this level's LayerLevels). Side mode 0 or 1 changes the vertices on the side whose
    // faces have bit 31 clear or set (and those on the plane), 2 flips all. Axis mode 0 to 2
    // reflects offsets in that coordinate, 3 through the face corner frames. Each change
    // goes to `changes`; nothing is changed here. Throws General::Error (code 1) when, with
    // mode 3, a visible layer is locked to another level.
    bool Mirror(VertexChanges &changes, LayerLevel *source, LayerLevel *target, int sideMode, int axisMode);

    // --- members -------------------------------------------------------------
    General::Store<unsigned int> m_aObjectSymmetry{"object symmetry"};
    float m_aSymmetryValues[3] = {0, 0, 0};
    uint32_t m_iCreatedFaces = 0;     // faces made by the last subdivision
    uint32_t m_iGlobalVertexBound = 0;  // vertices when the index maps were first made: higher ones are new
    uint32_t m_iNewVertexCount = 0;   // vertex count before the last mapping
    General::Map m_aFaceMap{0, "unknown map"};    // (local face, global face)
    General::Map m_aVertexMap{0, "unknown map"};  // (local vertex, global vertex)
    uint32_t m_iPropagationStamp = 1;  // stroke stamp of the last propagation to the level below
    bool m_bFull = true;
    SubdivLevel *m_pPrev = nullptr;
    SubdivLevel *m_pNext = nullptr;  // owned
    General::Store<General::Vector> m_aCCPositions{"subdiv ccpositions"};
    General::Store<unsigned int> m_aExtraFaces{"subdiv extrafaces"};
    QString m_sSwapBase;             // empty until made
    bool m_bAbsolute = false;
    bool m_bSculptedBelow = false;   // the level below was sculpted when positions were last computed
    bool m_bFacesRemoved = false;    // faces of the level live in its swap files
    uint32_t m_iReserved = 0;
    uint32_t m_iPropagatedCount = 0;  // vertices carried down by the last propagation
    Object *m_pObject = nullptr;
    LayerLevel *m_pActiveLayerData = nullptr;  // the active layer's data for this level
    QString m_sFaceSwapFile;
    QString m_sVertexSwapFile;
    uint32_t m_iVertexMapCursor = 0;
    // Working marks of the mapping operations (not stored).
    bool m_bModified = false;      // derived data must be rebuilt
    bool m_bMappingMark = false;   // the level was changed by a mapping of the level above
    bool m_bAxisMessage = false;   // the missing-axis warning was shown for this level

private:
    // Names the swap files and creates them empty; false when they were made before or the
    // first cannot be created.
    bool MakeSwapFiles();
    bool SerializeFields(Stream &stream, int depth);

};
