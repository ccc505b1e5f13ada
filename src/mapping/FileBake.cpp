#include "mapping/FileBake.h"

#include "foundation/Diagnostics.h"
#include "mapping/Mapper.h"
#include "mesh/object/Object.h"
#include "scene/readers/Importer.h"

#include <QCoreApplication>

#include <memory>

namespace MapExtraction {

namespace {

struct ChainOwner {
    ~ChainOwner() { Importer::DeleteChain(first); }
    Object *first = nullptr;
};

// Identifiers as runs of consecutive numbers: "1001-1003, 1011".
QString TileList(const QList<int> &identifiers)
{
    QStringList parts;
    for (qsizetype i = 0; i < identifiers.size();) {
        qsizetype j = i;
        while (j + 1 < identifiers.size() && identifiers[j + 1] == identifiers[j] + 1)
            ++j;
        parts.append(j == i ? QString::number(identifiers[i])
                            : QStringLiteral("%1-%2").arg(identifiers[i]).arg(identifiers[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// A run held to tiles the low mesh does not have would write nothing and succeed: the
// reason it cannot do what was asked, or empty.
QString MissingTiles(Mapper &mapper)
{
    if (!mapper.BakesSomeTilesOnly())
        return QString();
    mapper.CheckLowResMesh();
    const QList<int> tiles = mapper.MeshTileIdentifiers();
    for (int tile : tiles)
        if (tile >= mapper.m_iFirstTile && tile <= mapper.m_iLastTile)
            return QString();
    const QString asked = mapper.m_iFirstTile == mapper.m_iLastTile
                              ? QString::number(mapper.m_iFirstTile)
                              : QStringLiteral("%1-%2").arg(mapper.m_iFirstTile).arg(mapper.m_iLastTile);
    return QCoreApplication::translate("MapExtraction::Mapper", "The low mesh has no tile %1; its tiles are %2")
        .arg(asked, TileList(tiles));
}

}  // namespace

bool BakeFromFiles(Mapper &mapper, const QString &lowFile, const QString &highFile, QString *error,
                   bool defaultSearchDistance)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    std::unique_ptr<Importer> importer(Importer::Create(lowFile, nullptr));
    if (!importer)
        return fail(QCoreApplication::translate("MapExtraction::Mapper", "No importer for %1").arg(lowFile));
    ChainOwner low;
    low.first = importer->DoImport();
    if (!low.first)
        return fail(importer->GetError());
    SubdivLevel *level = low.first->GetHighestLevel();
    level->CalculateAdjacency();
    level->CalculateNormals(false);

    // Announced, the choice brings its dependants with it, the search distance among them.
    mapper.m_aLowMesh.SetValue(level, !defaultSearchDistance);
    mapper.m_aHighMesh.SetValue(nullptr, true);
    mapper.m_aLoadMeshFromFile.SetValue(highFile, true);
    bool ok = false;
    try {
        const QString missing = MissingTiles(mapper);
        if (!missing.isEmpty())
            fail(missing);
        else if (!(ok = mapper.Start()))
            fail(mapper.m_sFailure.isEmpty()
                     ? QCoreApplication::translate("MapExtraction::Mapper", "Map extraction failed")
                 : mapper.m_bHighOutOfReach
                     ? QCoreApplication::translate("MapExtraction::Mapper", "%1 (-range DISTANCE)").arg(mapper.m_sFailure)
                     : mapper.m_sFailure);
    } catch (const General::Error &e) {
        fail(e.GetMessage());
    }
    // The low mesh goes with this call.
    mapper.m_aLowMesh.SetValue(nullptr, true);
    return ok;
}

}  // namespace MapExtraction
