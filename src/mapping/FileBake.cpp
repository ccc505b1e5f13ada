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
        ok = mapper.Start();
        if (!ok)
            fail(mapper.m_sFailure.isEmpty() ? QCoreApplication::translate("MapExtraction::Mapper",
                                                                           "Map extraction failed")
                                             : mapper.m_sFailure);
    } catch (const General::Error &e) {
        fail(e.GetMessage());
    }
    // The low mesh goes with this call.
    mapper.m_aLowMesh.SetValue(nullptr, true);
    return ok;
}

}  // namespace MapExtraction
