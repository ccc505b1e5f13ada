// The scene's import and export of mesh files: which reader or writer, the file names, the
// unit scale, and what the scene does with new objects (framing, tool size, groups).
#include "scene/Scene.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"
#include "scene/LevelFileBin.h"
#include "scene/LevelFileText.h"
#include "scene/SceneServices.h"
#include "scene/SelectionSet.h"
#include "scene/Transformation.h"
#include "scene/camera/Camera.h"
#include "scene/readers/BioImporter.h"
#include "scene/readers/ObjImporter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

void Status(const char *text) { General::Shell().SetStatusMessage(QString::fromLatin1(text), 0); }

// A part of a file name taken from the scene (an object's name, which an OBJ group or the
// person may have made "../x" or "a/b"): its path separators and leading dots become
// underscores, so that the file stays in the folder the person chose.
QString FileNamePart(QString part)
{
    part.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    for (qsizetype i = 0; i < part.size() && part[i] == QLatin1Char('.'); ++i)
        part[i] = QLatin1Char('_');
    return part;
}

}  // namespace

float Scene::LinearUnitScale()
{
    switch (SceneHost().GetLinearUnit()) {
    case 0: return 10.0f;
    case 1: return 1.0f;
    case 2: return 0.01f;
    case 3: return 0.3937007784843445f;
    default: return 1.0f;
    }
}

Object *Scene::Import(const QString &file, bool addToScene, bool bio, bool prepare)
{
    const QByteArray path = QFile::encodeName(file);
    Log("Importing file %s\n", path.constData());
    Status("importing...");

    Object *first = nullptr;
    QString error, notice;
    std::vector<ObjImporter::GroupFaces> groups;
    {
        std::unique_ptr<Importer> importer;
        try {
            if (bio)
                importer = std::make_unique<BioImporter>(file, nullptr);
            else
                importer = std::make_unique<ObjImporter>(path.constData(), nullptr);
        } catch (const std::bad_alloc &) {
        }
        if (importer) {
            // New objects are numbered after those that stay in the scene.
            importer->SetObjectNumberBase(addToScene ? GetObjectCount() : 0);
            first = importer->DoImport();
            error = importer->GetError();
            notice = importer->GetNotice();
            if (auto *obj = dynamic_cast<ObjImporter *>(importer.get()))
                groups = obj->TakeGroups();
        }
    }
    if (!first) {
        // The status line says so behind the box, which leads with why the file gave
        // nothing when the importer could say.
        General::Shell().SetStatusMessage(QStringLiteral("import failed."), 2);
        General::Shell().CriticalMessage(
            error.isEmpty() ? QStringLiteral("Not enough memory to import this file or file not exist") : error);
        return nullptr;
    }
    // Only now that the file is read may the scene it replaces go.
    if (!addToScene) {
        Clear(true);
        // Clearing made the material list anew and took the material the new objects were
        // given: they take the new default one, as objects made after the clear would.
        for (Object *object = first; object; object = object->m_pNextObject)
            object->m_aMaterial.SetValue(Surface::Materials().First(), true);
    }

    if (!prepare) {
        for (Object *object = first; object && !bio; object = object->m_pNextObject)
            ApplyImportUnits(object);
    } else {
        AABB box;
        for (Object *object = first; object; object = object->m_pNextObject) {
            if (!bio)
                ApplyImportUnits(object);
            object->CalculateAdjacency();
            object->CalculateNormals(false);
            box.Extend(object->GetAABB(true));
            object->CalculateTCBounds();
            if (auto *transformation = dynamic_cast<Transformation *>(object->GetTransformation()))
                transformation->UpdateWorldMatrix();
        }
        BuildOctrees(first);
        const bool hadObjects = m_pObjects != nullptr;
        AddObject(first);
        // The file's named groups become selection sets of their faces.
        for (const ObjImporter::GroupFaces &group : groups) {
            SelectionSet *set = CreateSelectionSet(group.name, false);
            SelectionSet::Entry *entry = set->AddLevel(group.object);
            for (unsigned face : group.faces)
                entry->faces.Add(face);
        }
        const General::Vector size = box.m_vMax - box.m_vMin;
        const float largest = std::max({size.x, size.y, size.z});
        SceneServices &host = SceneHost();
        if (m_pActiveCamera && ((!hadObjects && host.GetFrameFirstImport()) || host.GetFrameEveryImport()))
            m_pActiveCamera->FocusOn((box.m_vMin + box.m_vMax) * 0.5f, largest);
        if (!hadObjects)
            if (Brush *tool = host.GetCurrentTool()) {
                const float before = tool->GetSize();
                const float after = std::min(tool->m_fSizeMaximum, largest * host.GetImportSizeFactor());
                tool->SetSize(after);
                // The soft, scratch and bulge brushes push by their strength as a world
                // length: it scales with the size, on every tool the new size reached, so
                // a default stroke stays in proportion to the mesh. A spaced dab's push and a
                // smear's drag already follow the size, and are left as they are.
                if (before > 0.0f && !tool->m_bWindowSpace)
                    for (const std::unique_ptr<Brush> &each : Brush::Tools()) {
                        const bool sized = each.get() == tool || (tool->m_bSharedSize && each->m_bSharedSize);
                        const int type = each->m_iType;
                        const bool pushes = (type == 1 || type == 7 || type == 17) && !each->m_bSpacedDab &&
                                            each->m_iDirection != 3;
                        if (sized && !each->m_bWindowSpace && pushes)
                            each->SetStrength(std::min(each->m_fStrengthMaximum, each->GetStrength() * after / before));
                    }
            }
        host.ImportFinished();
        m_iObjectCount = GetObjectCount();
        host.ClearHistory();
    }
    if (addToScene)
        m_bModified = true;
    if (notice.isEmpty())
        Status("done.");
    else
        General::Shell().SetStatusMessage(notice, 1);
    return first;
}

bool Scene::ExportLevels(const QString &file, bool perLevelFiles, bool regenerate, bool texCoords,
                         const std::vector<SubdivLevel *> &levels)
{
    Log("Exporting levels to file %s\n", QFile::encodeName(file).constData());
    const QFileInfo info(file);
    const bool text = info.suffix().toLower() == QLatin1String("obj");
    auto open = [text](const QString &name, int count) -> std::unique_ptr<LevelFile> {
        if (text)
            return std::make_unique<LevelFileText>(name, true);
        return std::make_unique<LevelFileBin>(name, true, count);
    };
    std::unique_ptr<LevelFile> shared;
    if (!perLevelFiles) {
        shared = open(file, int(levels.size()));
        if (!shared->IsOpen())
            return false;
    }
    Status("exporting...");
    const float scale = LinearUnitScale();  // files are written in the linear unit
    int32_t vertexOffset = 0, tcOffset = 0;
    bool ok = true;
    for (SubdivLevel *level : levels) {
        std::unique_ptr<LevelFile> own;
        if (perLevelFiles) {
            const QString name = QStringLiteral("%1/%2_%3_%4.%5")
                                     .arg(info.absolutePath(), info.baseName(), FileNamePart(level->GetObjectName()))
                                     .arg(level->GetLevelIndex())
                                     .arg(info.completeSuffix());
            own = open(name, 1);
            if (!own->IsOpen())
                return false;
            vertexOffset = tcOffset = 0;
        }
        LevelFile *target = perLevelFiles ? own.get() : shared.get();
        ok = level->ExportLevel(target, &vertexOffset, &tcOffset, regenerate, texCoords, scale) && !target->HasError();
        if (!ok)
            break;
    }
    shared.reset();
    Status("done.");
    return ok;
}

bool Scene::ExportFaces(const QString &file, bool selectedOnly)
{
    const QByteArray path = QFile::encodeName(file);
    Log("Exporting faces to file %s\n", path.constData());
    std::FILE *out = std::fopen(path.constData(), "w");
    if (!out)
        return false;
    Status("exporting...");
    const float scale = LinearUnitScale();  // files are written in the linear unit
    auto takesPart = [selectedOnly](const SubdivLevel *level) { return !selectedOnly || level->m_iSelectedFaces > 0; };
    uint64_t total = 0;
    for (Object *object = m_pObjects; object; object = object->m_pNextObject)
        for (SubdivLevel *level = object; level; level = level->m_pNext)
            if (takesPart(level))
                total += uint64_t(level->m_iFaceCount) + level->m_iVertexCount + level->m_iTCCount;
    unsigned vertexBase = 0, tcBase = 0, progress = 0;
    bool ok = true;
    for (Object *object = m_pObjects; object && ok; object = object->m_pNextObject)
        for (SubdivLevel *level = object; level && ok; level = level->m_pNext)
            if (takesPart(level))
                ok = level->ExportFacesOBJ(out, vertexBase, tcBase, progress, unsigned(std::min<uint64_t>(total, ~0u)),
                                           selectedOnly, true, scale);
    ok = std::fclose(out) == 0 && ok;
    Status("done.");
    return ok;
}
