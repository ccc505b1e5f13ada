// The extraction run: validation, preparation of the meshes and the tile driver.
#include "mapping/Mapper.h"

#include "foundation/Diagnostics.h"
#include "foundation/Memory.h"
#include "foundation/ShellServices.h"
#include "mapping/MappingHost.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/core/FaceTree.h"
#include "scene/readers/Importer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace MapExtraction {

constinit General::TypeInfo Mapper::s_typeInfo{&Info::s_typeInfo, "Mapper", &General::CreateNodes<Mapper>};

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("MapExtraction::Mapper", text); }

double Megabytes(uint64_t bytes) { return double(bytes) / (1024.0 * 1024.0); }

}  // namespace

Mapper::Mapper() : m_cOutput(*this) {}

Mapper::~Mapper() { ReleaseHighMeshes(); }

void Mapper::HandleEvent(General::EventGate *gate)
{
    if (gate != &m_aStart)
        return;
    bool ok = false;
    try {
        ok = Start();
    } catch (const General::Error &error) {
        Log("%s\n", qPrintable(error.GetMessage()));
    } catch (const General::Error *error) {
        Log("%s\n", qPrintable(error->GetMessage()));
        delete error;
    }
    if (ok) {
        MappingHost::Get().ShowResult(Tr("Finished"), FinishedText(true), !m_aNotices.isEmpty());
    } else {
        MappingHost::Get().ShowResult(Tr("Error"), Tr("Map extraction failed"), true);
    }
}

QString Mapper::FinishedText(bool withRange) const
{
    QString text = m_aNotices.isEmpty() ? Tr("Map extraction finished without errors")
                                        : Tr("Map extraction finished, but the maps are not what a bake should give:");
    for (const QString &notice : m_aNotices)
        text += QLatin1Char('\n') + notice;
    if (withRange && (m_fDisplacementMin != 0.0f || m_fDisplacementMax != 0.0f))
        text += Tr("\nDisplacement values are in range: %1:%2")
                    .arg(double(m_fDisplacementMin), 0, 'f', 6)
                    .arg(double(m_fDisplacementMax), 0, 'f', 6);
    return text;
}

void Mapper::NoteSurprises()
{
    // Hits closer to the low surface than this are rounding, not relief.
    const float flat = 1e-4f * (m_fRangeHi - m_fRangeLo);
    if (m_iRunHits && !(m_fRunLargest > flat))
        m_aNotices << Tr("Every texel lies at zero: the high surface met is the low mesh itself or does not "
                         "differ from it, so the maps are flat");
    if (m_iRunRays && (m_iRunRays - m_iRunHits) * 2 > m_iRunRays)
        m_aNotices << Tr("%1% of the texels found no high surface within the search distance (%2) and are flat: "
                         "lengthen the search distance or place the meshes together")
                          .arg(qRound(100.0 * double(m_iRunRays - m_iRunHits) / double(m_iRunRays)))
                          .arg(double(m_aSearchDistance.GetValue()));
    for (const QString &notice : m_aNotices)
        Log("%s\n", qPrintable(notice));
}

void Mapper::SetupSearch()
{
    const float h = m_aSearchDistance.GetValue() * 0.5f;
    m_fRangeHi = h;
    m_fRangeLo = -h;
    static const float kCentres[3] = {0.0f, 1.0f, 0.5f};
    const int centre = m_aRayCenter.GetValue();
    m_fRayCenter = centre >= 0 && centre < 3 ? kCentres[centre] : 0.5f;
}

bool Mapper::Start()
{
    m_bNormalizeDisplacement = m_aDisplacementMapFormat.GetValue() != mapFloat &&
                               m_aDisplacementMapFormat.GetValue() != mapBWFloat;
    // The alpha channel is written into the normal map's TIFF by the final pass; refused up
    // front rather than after every tile is baked.
    if (m_aDisplacementMapFormat.GetValue() == mapNormalAlpha && m_aFileType.GetValue() != fileTIF) {
        static const char *const kTypes[] = {"TIF", "BMP", "PNG", "JPG", "TGA"};
        const int type = m_aFileType.GetValue();
        throw General::Error(1, Tr("Normal map alpha is not supported with %1 file format")
                                    .arg(QLatin1String(type >= 0 && type < 5 ? kTypes[type] : "this")));
    }
    if (m_aMapWidth.GetValue() < 1 || m_aMapHeight.GetValue() < 1)
        throw General::Error(1, Tr("The map size must be at least 1 x 1 texels"));
    if (m_aCreateDisplacementMap.GetValue() && m_aDisplacementMapFilename.GetValue().isEmpty())
        throw General::Error(1, Tr("No displacement file specified"));
    if (m_aCreateNormalMap.GetValue() && m_aNormalMapFilename.GetValue().isEmpty())
        throw General::Error(1, Tr("No normalmap filename specified"));
    // A run without anything to hit would write flat maps and call it a success.
    if (!HasHighSource())
        throw General::Error(1, Tr("No high resolution mesh specified"));
    if (const int own = OwnLevelsFrom(); own > 0 && own >= m_aHighMesh.GetValue()->LevelCount())
        throw General::Error(1, Tr("The high resolution mesh is the low mesh's own object, which has no level above "
                                   "level %1 to bake from: subdivide the object and sculpt the finer level, or "
                                   "choose another high resolution mesh")
                                    .arg(own - 1));
    Log("Starting texture baking with the following parameters:\n");
    LogAttributes();
    CheckLowResMesh();
    struct Running {
        explicit Running(Mapper &m) : mapper(m) { mapper.m_bRunning = true; }
        ~Running() { mapper.m_bRunning = false; }
        Mapper &mapper;
    } running(*this);
    m_bStopRequested = false;
    m_sFailure.clear();
    m_bHighOutOfReach = false;
    m_iHighFacesOutOfReach = 0;
    m_aNotices.clear();
    SetupSearch();
    // A failed run leaves the range of the last good one, not a half-made one.
    const float lastMin = m_fDisplacementMin, lastMax = m_fDisplacementMax;
    m_fDisplacementMin = m_fDisplacementMax = 0.0f;
    m_iRunHits = m_iRunRays = 0;
    m_fRunLargest = 0.0f;

    // The subdivision of the working low mesh smooths its texture coordinates as set.
    const bool smoothTCs = MeshSwitches::s_bSmoothTCs;
    MeshSwitches::s_bSmoothTCs = m_aSmoothUVs.GetValue();
    // Whatever ends the run early, the files it wrote go with it.
    struct Discard {
        ~Discard() { output.DiscardRun(); }
        MapOutput &output;
    } discard{m_cOutput};
    bool ok = false;
    try {
        ok = Prepare();
    } catch (const General::Error &error) {
        Log("%s\n", qPrintable(error.GetMessage()));
        m_sFailure = error.GetMessage();
    } catch (const std::bad_alloc &) {
        Log("Out of memory\n");
    }
    MeshSwitches::s_bSmoothTCs = smoothTCs;
    // Maps where no ray met the high surface are flat maps, not a bake.
    if (ok && m_iRunRays && !m_iRunHits) {
        m_bHighOutOfReach = m_iHighFacesOutOfReach > 0;
        m_sFailure = m_bHighOutOfReach
                         ? Tr("No face of the high resolution mesh lies within the search distance (%1) of the low "
                              "mesh: all %2 of its faces lie farther away. Place the meshes together or lengthen "
                              "the search distance")
                               .arg(double(m_aSearchDistance.GetValue()))
                               .arg(m_iHighFacesOutOfReach)
                         : Tr("No ray hit the high resolution mesh: check the search distance and the meshes' "
                              "placement");
        Log("%s\n", qPrintable(m_sFailure));
        ok = false;
    }
    if (ok)
        NoteSurprises();
    // Only a run that succeeded replaces the maps of an earlier one.
    if (ok && !m_cOutput.CommitRun()) {
        m_sFailure = m_cOutput.GetError();
        ok = false;
    }
    if (!ok) {
        m_fDisplacementMin = lastMin;
        m_fDisplacementMax = lastMax;
    }
    ReleaseHighMeshes();
    m_cNormalMap.Clear();
    m_cDisplacementMap.Clear();
    m_aFaceIndexTable.Clear();
    if (m_pProgress)
        m_pProgress->Finish();
    Log(ok ? "Map extraction finished without errors\n" : "Map extraction failed\n");
    return ok;
}

bool Mapper::Prepare()
{
    const int chosen = m_aDisplacementMapFormat.GetValue();
    int working = chosen;
    if (m_bNormalizeDisplacement) {
        if (chosen == mapNormalAlpha)
            working = GetNormalMapFormat() == mapFloat ? mapNormalAlpha : mapFloat;
        else if (chosen != mapBWFloat)
            working = mapFloat;
    }
    m_eWorkingDisplacementType = working;
    m_cOutput.m_sDirectory = m_sMapFolder;
    m_cOutput.m_eWorkingDisplacementType = working;
    m_cOutput.m_eDisplacementFinalType = chosen;
    m_cOutput.m_eNormalType = GetNormalMapFormat();
    m_cOutput.m_sDisplacePostFilename = m_bNormalizeDisplacement && working != chosen ? QStringLiteral("_temp")
                                                                                      : QString();
    SubdivLevel *low = m_aLowMesh.GetValue();
    if (!low)
        return false;
    if (m_aSelectedOnly.GetValue() && !low->m_iSelectedFaces)
        throw General::Error(1, Tr("No faces selected on the low resolution mesh"));
    if (m_aProcessMultipleTiles.GetValue() && (m_iUEnd - m_iUStart) * (m_iVEnd - m_iVStart) > 1) {
        for (General::AttributeFilename *mask : {&m_aNormalMapFilename, &m_aDisplacementMapFilename}) {
            const QString text = mask->GetValue();
            if (!text.contains(QLatin1String("%i")) && !text.contains(QLatin1String("%x")) &&
                !text.contains(QLatin1String("%y")))
                mask->SetValue(text + QStringLiteral("%i"), true);
        }
    }
    if (!CollectHighMeshes())
        throw General::Error(1, Tr("Can not generate balanced trees due to low memory"));
    // A high mesh or selection set without a face the run can use leaves nothing to hit.
    if (!m_aHighMeshes.HasItems() && m_aLoadMeshFromFile.GetValue().isEmpty())
        throw General::Error(1, Tr("No high resolution mesh specified"));
    if (!low->m_iTCCount)
        return false;
    m_pLowMesh = m_pWorkingMesh = low;
    unsigned biggest = 0;
    const float extent = low->FindBiggestTCFace(biggest);
    m_iSubdivisionSteps = SubdivisionSteps(extent);
    Log("Biggest face index: %d, size: %f, subdiv steps needed: %d\n", int(biggest),
        double(extent) * std::max(m_aMapWidth.GetValue(), m_aMapHeight.GetValue()), m_iSubdivisionSteps);
    m_iRegionsDone = m_iRegionsSplit = 0;
    m_iLastSavedTile = -1;
    m_iTileCount = CountTiles();
    m_iTilesBegun = 0;

    bool ok = false;
    try {
        ok = ProcessRegion(float(m_iUStart), float(m_iVStart), float(m_iUEnd), float(m_iVEnd), true);
    } catch (...) {
        ReleaseHighMeshes();
        ReleaseWorkingMesh();
        m_pRegionTree.reset();
        throw;
    }
    ReleaseHighMeshes();
    ReleaseWorkingMesh();
    m_pRegionTree.reset();
    m_aFrames.Clear();
    m_aFrameCorners.Clear();
    if (ok)
        m_cOutput.NormalizeDisplacementMaps();
    return ok;
}

unsigned Mapper::CountTiles() const
{
    const int range = m_aURange.GetValue(), start = m_aUStart.GetValue();
    unsigned count = 0;
    for (int v = m_iVStart; v < m_iVEnd; ++v)
        for (int u = m_iUStart; u < m_iUEnd; ++u)
            count += TileWanted((v - m_iVStart) * range + (u - m_iUStart) + start) ? 1u : 0u;
    return count;
}

int Mapper::SubdivisionSteps(float extent) const
{
    static const float kFactors[4] = {0.0f, 0.125f, 0.25f, 0.5f};
    const int setting = m_aLowSubdivision.GetValue();
    const float factor = setting >= 0 && setting < 4 ? kFactors[setting] : 0.0f;
    const float texels = extent * factor * float(std::max(m_aMapWidth.GetValue(), m_aMapHeight.GetValue()));
    // A face without UV extent (or no factor) needs no steps; log2 of it would be -inf.
    if (!(texels >= 1.0f))
        return 0;
    return std::min(int(std::log2(texels)), 16);
}

uint64_t Mapper::EstimateRegionMemory(unsigned faces, int steps)
{
    // Each step quadruples the faces. 64-bit and saturating: regions of a few million
    // faces pass 2^32 bytes after a few steps.
    const uint64_t perFace = uint64_t(96) << (2 * unsigned(std::clamp(steps, 0, 24)));
    if (faces && perFace > UINT64_MAX / faces)
        return UINT64_MAX;
    return perFace * faces;
}

uint64_t Mapper::AvailableMemory() const { return General::GetAvailableMemory(); }

int Mapper::OwnLevelsFrom() const
{
    const Object *high = m_aHighMesh.GetValue();
    const SubdivLevel *low = m_aLowMesh.GetValue();
    if (!high || !low)
        return -1;
    for (int level = 0; level < high->LevelCount(); ++level)
        if (high->GetLevel(level) == low)
            return level + 1;
    return -1;
}

bool Mapper::CollectHighMeshes()
{
    m_aHighMeshes.Clear();
    Object *high = m_aHighMesh.GetValue();
    m_bFinestLevelFirst = false;
    if (!high) {
        if (CollectSelectionSet())
            return true;
        ReleaseHighMeshes();
        return false;
    }
    // Baked from its own object, the low level would meet itself at every texel, nearer
    // than any sculpted level: the surface is the levels above it, and where a finer level
    // is met it wins, being what the object shows there (a coarser level, unsculpted, would
    // else lie nearer wherever the sculpt raised or lowered the surface).
    const int own = OwnLevelsFrom();
    const int lowest = std::max(own, 0);
    m_bFinestLevelFirst = own > 0;
    for (int level = high->LevelCount() - 1; level >= lowest; --level) {
        SubdivLevel *mesh = high->GetLevel(level);
        if (!mesh || !mesh->m_iFaceCount)
            continue;
        if (!mesh->GetBTree()) {
            ReleaseHighMeshes();
            return false;
        }
        if (m_aHighMeshes.Add(mesh) < 0) {
            ReleaseHighMeshes();
            return false;
        }
    }
    return true;
}

void Mapper::ReleaseHighMeshes()
{
    for (unsigned i = 0; i < m_aHighMeshes.GetItemCount(); ++i)
        if (i >= m_aOwnedTrees.size() || !m_aOwnedTrees[i])
            m_aHighMeshes[i]->DeleteBTree();
    m_aHighMeshes.Clear();
    m_aOwnedTrees.clear();
    m_aHighTrees.clear();
    m_aHighBoxes.clear();
    Importer::DeleteChain(m_pImported);
    m_pImported = nullptr;
}

int Mapper::ImportHighMesh()
{
    const QString file = m_aLoadMeshFromFile.GetValue();
    Log("\tImporting from %s\n", qPrintable(file));
    std::unique_ptr<Importer> importer(Importer::Create(file, m_pRegionTree.get()));
    if (!importer) {
        Log("Import failed\n");
        m_sFailure = Tr("Import failed");
        return -1;
    }
    m_pImported = importer->DoImport();
    if (!m_pImported) {
        // A file that cannot be read fails the run; splitting would read it again and again.
        // A surface that lies beyond every ray of the region is no fault of the file.
        // The region's rays then all miss; the run says so when no region had anything to hit.
        if (const uint64_t faces = importer->GetFacesOutsideSpace()) {
            Log("\t%s\n", qPrintable(importer->GetError()));
            m_iHighFacesOutOfReach = faces;
            return 2;
        }
        if (!importer->GetError().isEmpty()) {
            Log("Import failed\n");
            m_sFailure = Tr("Import failed: %1").arg(importer->GetError());
            return -1;
        }
        return 0;
    }
    for (Object *object = m_pImported; object; object = object->m_pNextObject) {
        for (int level = object->LevelCount() - 1; level >= 0; --level) {
            SubdivLevel *mesh = object->GetLevel(level);
            if (!mesh || !mesh->m_iFaceCount)
                continue;
            mesh->CalculateAdjacency();
            mesh->CalculateNormals(false);
            if (!mesh->GetBTree()) {
                Log("BTree failed\n");
                return 0;
            }
            if (m_aHighMeshes.Add(mesh) < 0)
                return 0;
        }
    }
    return 1;
}

void Mapper::CalculateFrames()
{
    Mesh &mesh = *m_pWorkingMesh;
    const int mode = mesh.m_iIndexMode;
    General::Store<General::Base> frames;
    General::Store<unsigned int> corners;
    frames.Take(mesh.m_aTNB);
    corners.Take(mesh.m_aCornerIndexTable);
    auto restore = [&] {
        mesh.m_aTNB.Take(frames);
        mesh.m_aCornerIndexTable.Take(corners);
        mesh.m_iIndexMode = mode;
    };
    try {
        mesh.CalculateTangents(GetTangentConfig());
    } catch (...) {
        restore();
        throw;
    }
    m_aFrames.Take(mesh.m_aTNB);
    m_aFrameCorners.Take(mesh.m_aCornerIndexTable);
    m_iFrameMode = mesh.m_iIndexMode;
    restore();
}


bool Mapper::SplitRegion(float uMin, float vMin, float uMax, float vMax)
{
    return SplitRegionAt(uMin, vMin, uMax, vMax, 0);
}

bool Mapper::SplitRegionAt(float uMin, float vMin, float uMax, float vMax, int depth)
{
    ReleaseHighMeshes();
    if (depth >= kMaxSplitDepth) {
        Log("Cannot split region, it is too small, extraction failed (due to low memory)\n");
        m_sFailure = Tr("Cannot split region, it is too small, extraction failed (due to low memory)");
        return false;
    }
    ++m_iRegionsSplit;
    if (m_pProgress)
        m_pProgress->SetSplit();
    // The quarters fill the maps of the tile, which the tile's region finishes and saves.
    const float um = (uMin + uMax) * 0.5f, vm = (vMin + vMax) * 0.5f;
    return ProcessPart(uMin, vMin, um, vm, depth + 1) && ProcessPart(um, vMin, uMax, vm, depth + 1) &&
           ProcessPart(uMin, vm, um, vMax, depth + 1) && ProcessPart(um, vm, uMax, vMax, depth + 1);
}

bool Mapper::ProcessRegion(float uMin, float vMin, float uMax, float vMax, bool newMaps)
{
    // Every region that goes on lies within one unit tile.
    if (vMax > std::floor(vMin) + 1.0f) {
        const float cut = std::floor(vMin) + 1.0f;
        return ProcessRegion(uMin, vMin, uMax, cut, true) && ProcessRegion(uMin, cut, uMax, vMax, true);
    }
    if (uMax > std::floor(uMin) + 1.0f) {
        const float cut = std::floor(uMin) + 1.0f;
        return ProcessRegion(uMin, vMin, cut, vMax, true) && ProcessRegion(cut, vMin, uMax, vMax, true);
    }
    m_iTileU = int(std::floor(uMin));
    m_iTileV = int(std::floor(vMin));
    const int identifier = GetMapIdentifier();
    if (!TileWanted(identifier))
        return true;
    if (m_bStopRequested) {
        m_sFailure = Tr("Map extraction was cancelled");
        return false;
    }
    if (m_pProgress && newMaps) {
        m_pProgress->NewRow(double(m_iTilesBegun), std::max(1u, m_iTileCount));
        m_pProgress->SetTileId(identifier);
        m_pProgress->SetRegion(uMin, vMin, uMax, vMax);
    }
    if (newMaps)
        ++m_iTilesBegun;
    const unsigned splitsBefore = m_iRegionsSplit;

    Log("Processing tile %d:%d (%f-%f, %f-%f)\n", m_iTileU, m_iTileV, double(uMin), double(uMax), double(vMin),
        double(vMax));
    QElapsedTimer timer;
    timer.start();
    const unsigned width = unsigned(std::max(1, m_aMapWidth.GetValue()));
    const unsigned height = unsigned(std::max(1, m_aMapHeight.GetValue()));
    const bool normalMap = m_aCreateNormalMap.GetValue();
    const bool displacementMap = m_aCreateDisplacementMap.GetValue();
    if (newMaps) {
        Log("\tPreparing maps\n");
        m_cNormalMap.Clear();
        m_cDisplacementMap.Clear();
        if (normalMap || m_eWorkingDisplacementType == mapNormalAlpha) {
            m_cNormalMap.Allocate(width, height, MapBuffer::TypeOfFormat(GetNormalMapFormat()),
                                  m_eWorkingDisplacementType == mapNormalAlpha ? 4 : 3);
            for (unsigned y = 0; y < height; ++y)
                for (unsigned x = 0; x < width; ++x)
                    m_cNormalMap.SetNormal(x, y, General::Vector(0, 0, 1));
        }
        if (displacementMap && m_eWorkingDisplacementType != mapNormalAlpha)
            m_cDisplacementMap.Allocate(width, height, MapBuffer::TypeOfFormat(m_eWorkingDisplacementType), 1);
        if (uint64_t(width) * height > 0xFFFFFFFFu || !m_aFaceIndexTable.SetItemCount(width * height, false))
            throw General::Error(1, Tr("Not enough memory for map"));
        m_aFaceIndexTable.Fill(kNoFace);
        m_iMapWidth = width;
        m_iMapHeight = height;
        m_cRegionStatistics = Statistics{};
    }

    if (!ProcessPart(uMin, vMin, uMax, vMax, 0))
        return false;
    if (!newMaps)
        return true;

    // The tile's own region finishes the maps once all of its parts are in.
    // A subdivided working mesh lives for one part of the tile only, and the face index
    // table names its triangles: each part bleeds within its own bounds before it goes.
    if (!m_iSubdivisionSteps && !m_aSelectedOnly.GetValue() && m_aEdgeBleeding.GetValue() > 0) {
        m_fRegionUMin = m_fRegionVMin = -INFINITY;
        m_fRegionUMax = m_fRegionVMax = INFINITY;
        Log("\tEdge bleeding\n");
        for (int pass = 0; pass < m_aEdgeBleeding.GetValue(); ++pass)
            BleedEdges();
    }
    if (m_cRegionStatistics.m_bRange) {
        m_fDisplacementMin = std::min(m_fDisplacementMin, m_cRegionStatistics.m_fMin);
        m_fDisplacementMax = std::max(m_fDisplacementMax, m_cRegionStatistics.m_fMax);
    }
    if (m_aFillWholeMaps.GetValue()) {
        General::Store<int> table("map extraction fill table");
        if (table.SetItemCount(width * height, false)) {
            for (unsigned i = 0; i < width * height; ++i)
                table[i] = m_aFaceIndexTable[i] == kNoFace ? -1 : int(m_aFaceIndexTable[i] & 0x3FFFFFFFu);
            FillMaps(m_cNormalMap.GetChannelCount() ? &m_cNormalMap : nullptr,
                     m_cDisplacementMap.GetChannelCount() ? &m_cDisplacementMap : nullptr, table);
        }
    }
    Log("\tSaving maps\n");
    const uint64_t written = m_cRegionStatistics.m_iWritten + m_cRegionStatistics.m_iFilled;
    if (!m_cOutput.SaveMaps(m_cNormalMap.GetChannelCount() ? &m_cNormalMap : nullptr,
                            m_cDisplacementMap.GetChannelCount() ? &m_cDisplacementMap : nullptr,
                            unsigned(std::min<uint64_t>(written, 0xFFFFFFFFu)))) {
        Log("Failed to save result maps, extraction failed (not enough disk space?)\n");
        m_sFailure = m_cOutput.GetError();
        return false;
    }
    if (!written && m_aSkipEmptyMaps.GetValue())
        m_aNotices << (m_cRegionStatistics.m_iPixels
                           ? Tr("No texel of tile %1 met the high surface: no map was written for it")
                           : Tr("Tile %1 has no faces of the low mesh: no map was written for it"))
                          .arg(identifier);
    m_iLastSavedTile = identifier;
    if (m_pProgress) {
        if (!m_cOutput.m_sSavedNormal.isEmpty())
            m_pProgress->SetNormalMapName(m_cOutput.m_sSavedNormal);
        if (!m_cOutput.m_sSavedDisplacement.isEmpty())
            m_pProgress->SetDisplacementMapName(m_cOutput.m_sSavedDisplacement);
        if (m_iRegionsSplit == splitsBefore)
            m_pProgress->SetTime(unsigned(std::min<qint64>(timer.elapsed(), 0xFFFFFFFF)));
    }
    const Statistics &s = m_cRegionStatistics;
    const uint64_t pixels = std::max<uint64_t>(s.m_iPixels, 1);
    Log("\tstats: %llu pixels, %llu cubes, %llu faces\n", (unsigned long long)s.m_iPixels,
        (unsigned long long)s.m_iSpheres, (unsigned long long)s.m_iFaces);
    Log("\tcubes per pixel: %llu\n", (unsigned long long)(s.m_iSpheres / pixels));
    Log("\tfaces per pixel: %llu\n", (unsigned long long)(s.m_iFaces / pixels));
    Log("\thacked pixels: %llu\n", (unsigned long long)s.m_iFilled);
    Log("\thit/fail: %llu/%llu\n", (unsigned long long)s.m_iHits, (unsigned long long)s.m_iMisses);
    Log("Tile processed in %f seconds.\n\n", double(timer.elapsed()) / 1000.0);
    const uint64_t bitmaps = m_cNormalMap.GetMemorySize() + m_cDisplacementMap.GetMemorySize() +
                             uint64_t(m_aFaceIndexTable.GetItemCount()) * 4;
    const uint64_t lowMesh = m_iLowMeshMemory;
    uint64_t highMesh = 0, trees = m_pRegionTree ? m_pRegionTree->GetHeapSize() : 0;
    for (Mesh *mesh : m_aHighMeshes) {
        highMesh += mesh->GetMemorySize();
        if (auto *tree = dynamic_cast<BTree::Tree *>(mesh->m_pBTree))
            trees += tree->GetHeapSize();
    }
    const double total = std::max(1.0, double(bitmaps + lowMesh + highMesh + trees));
    Log("Memory usage for this tile:\n");
    Log("\tBitmaps: %.02fM (%.02f%%)\n", Megabytes(bitmaps), 100.0 * double(bitmaps) / total);
    Log("\tLow res mesh: %.02fM (%.02f%%)\n", Megabytes(lowMesh), 100.0 * double(lowMesh) / total);
    Log("\tHigh res mesh: %.02fM (%.02f%%)\n", Megabytes(highMesh), 100.0 * double(highMesh) / total);
    Log("\tBalanced trees: %.02fM (%.02f%%)\n", Megabytes(trees), 100.0 * double(trees) / total);
    return true;
}

bool Mapper::ProcessPart(float uMin, float vMin, float uMax, float vMax, int depth)
{
    Log("\tLocating space\n");
    m_pRegionTree.reset();
    ReleaseWorkingMesh();
    Mesh &low = *m_pLowMesh;
    General::Store<unsigned int> faces("mapper facelist");
    if (!CollectRegionFaces(low, faces, uMin, vMin, uMax, vMax, m_aSelectedOnly.GetValue()))
        return false;
    const unsigned regionFaces = faces.GetItemCount();
    if (m_pProgress && depth == 0 && low.m_iFaceCount)
        m_pProgress->SetSurfaceRate(double(regionFaces) / double(low.m_iFaceCount));
    if (regionFaces) {
        m_pRegionTree = std::make_unique<BTree::Tree>();
        const float d = m_aSearchDistance.GetValue();
        if (!m_pRegionTree->Build(low, faces, d * 0.5f, -d * 0.5f))
            return SplitRegionAt(uMin, vMin, uMax, vMax, depth);
    }

    bool ok = true;
    if (!regionFaces) {
        Log("Empty tile, skipping\n");
        if (m_pProgress && depth == 0)
            m_pProgress->SetSkipped();
    } else {
        // The subdivided working mesh covers the region's faces and the rings around them
        // that the smoothing of the region's border needs.
        const bool subdivide = m_iSubdivisionSteps > 0;
        General::Store<unsigned int> working("mapper facelist2");
        if (subdivide && (!CollectRegionFaces(low, working, uMin, vMin, uMax, vMax, m_aSelectedOnly.GetValue()) ||
                          !GrowSupport(low, working)))
            return SplitRegionAt(uMin, vMin, uMax, vMax, depth);
        const uint64_t need =
            EstimateRegionMemory(subdivide ? working.GetItemCount() : regionFaces, m_iSubdivisionSteps);
        if (need >= AvailableMemory() / 2 && regionFaces > 1) {
            Log("Memory seems to be low, splitting region into smaller pieces\n");
            return SplitRegionAt(uMin, vMin, uMax, vMax, depth);
        }
        m_iLowMeshMemory = low.GetMemorySize();
        if (subdivide && !BuildWorkingMesh(working, uMin, vMin, uMax, vMax)) {
            Log("Memory seems to be low, splitting region into smaller pieces\n");
            return SplitRegionAt(uMin, vMin, uMax, vMax, depth);
        }
        Log("\tRecalculating tangent\n");
        CalculateFrames();
        Log("\tPreparing high resolution mesh\n");
        if (!m_aLoadMeshFromFile.GetValue().isEmpty() && !m_aHighMesh.GetValue()) {
            // The import keeps only the faces this part's rays can reach: each part reads
            // the file for its own region.
            ReleaseHighMeshes();
            const int result = ImportHighMesh();
            if (result < 0)
                return false;
            if (result == 0) {
                Log("Memory seems to be low, splitting region into smaller pieces\n");
                return SplitRegionAt(uMin, vMin, uMax, vMax, depth);
            }
        } else if (!m_aHighMeshes.HasItems() && !CollectHighMeshes()) {
            return SplitRegionAt(uMin, vMin, uMax, vMax, depth);
        }

        PrepareMatrices();
        m_fRegionUMin = uMin;
        m_fRegionVMin = vMin;
        m_fRegionUMax = uMax;
        m_fRegionVMax = vMax;
        for (Statistics &s : m_aThreadStatistics)
            s = Statistics{};
        Log("\tExtracting maps\n");
        m_bCancelled = false;
        // Entries left by an earlier part name triangles of that part's working copy; a
        // texel on the shared border is rasterised again from this one.
        if (subdivide)
            ClearRegionEntries();
        ok = RunShares(Thread::phaseRasterise, m_pWorkingMesh->m_iFaceCount) &&
             RunShares(Thread::phaseEvaluate, m_iMapHeight);
        for (const Statistics &s : m_aThreadStatistics) {
            m_cRegionStatistics.Add(s);
            m_iRunHits += s.m_iHits;
            m_iRunRays += s.m_iHits + s.m_iMisses;
            m_fRunLargest = std::max(m_fRunLargest, s.m_fLargest);
        }
        if (ok && subdivide && !m_aSelectedOnly.GetValue() && m_aEdgeBleeding.GetValue() > 0) {
            Log("\tEdge bleeding\n");
            for (int pass = 0; pass < m_aEdgeBleeding.GetValue(); ++pass)
                BleedEdges();
        }
        ReleaseWorkingMesh();
        if (!ok) {
            Log("Process tile failed\n");
            // A stop asked during the tile is the person's, and a reason given on the way
            // says more than the tile's.
            if (m_bStopRequested)
                m_sFailure = Tr("Map extraction was cancelled");
            else if (m_sFailure.isEmpty())
                m_sFailure = Tr("Process tile failed");
            return false;
        }
    }
    ++m_iRegionsDone;
    return true;
}

void Mapper::Statistics::Add(const Statistics &o)
{
    m_iPixels += o.m_iPixels;
    m_iSpheres += o.m_iSpheres;
    m_iFaces += o.m_iFaces;
    m_iFilled += o.m_iFilled;
    m_iHits += o.m_iHits;
    m_iMisses += o.m_iMisses;
    m_iWritten += o.m_iWritten;
    m_fLargest = std::max(m_fLargest, o.m_fLargest);
    if (o.m_bRange) {
        m_fMin = m_bRange ? std::min(m_fMin, o.m_fMin) : o.m_fMin;
        m_fMax = m_bRange ? std::max(m_fMax, o.m_fMax) : o.m_fMax;
        m_bRange = true;
    }
}

}  // namespace MapExtraction
