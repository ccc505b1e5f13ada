#include "scene/readers/BioImporter.h"

#include "foundation/Diagnostics.h"
#include "foundation/Progress.h"
#include "mesh/object/Object.h"
#include "scene/LevelFileBin.h"
#include "scene/readers/ImportedFaces.h"

#include <QFile>

#include <new>

namespace {

// The progress display of one group, ended however the group ends.
struct GroupProgress {
    explicit GroupProgress(uint64_t total) { General::Progress().Start(QStringLiteral("loading object..."), total, 100); }
    ~GroupProgress() { General::Progress().End(); }
};

}  // namespace

BioImporter::BioImporter(const QString &path, BTree::Space *space)
    : Importer(space), m_sPath(path), m_pFile(std::make_unique<LevelFileBin>(path, false, 1, space))
{
}

BioImporter::~BioImporter() = default;

bool BioImporter::ReadGroup(Object &object, int type, int faceCount, int vertexCount, int tcCount)
{
    const GroupProgress progress(uint64_t(faceCount) + uint64_t(vertexCount) + uint64_t(tcCount));
    General::ProgressMeter &meter = General::Progress();
    auto corrupt = [this]() {
        m_sError = QStringLiteral("The file %1 is damaged or incomplete.").arg(m_sPath);
        return false;
    };

    Vertex *vertices = object.m_pVertices.GetBuffer();
    for (int i = 0; i < vertexCount; ++i) {
        Vertex v{};
        if (!m_pFile->ReadVertex(&v.m_vPosition.x) || !v.m_vPosition.IsFinite())
            return corrupt();
        vertices[i] = v;
        meter.Advance();
    }
    TC *tcs = object.m_pTCs.GetBuffer();
    for (int i = 0; i < tcCount; ++i) {
        if (!m_pFile->ReadTexCoord(&tcs[i].u))
            return corrupt();
        meter.Advance();
    }

    General::Store<int> indices("bioimport doimport indices"), tci("bioimport doimport tci");
    const unsigned vertexTotal = object.m_iVertexCount, tcTotal = object.m_iTCCount;
    // File indices count from 1 over the whole file; the object's from 0 over its own group.
    auto vertex = [&](int index, uint32_t &local) {
        const int64_t value = int64_t(index) - 1 - m_iVertexOffset;
        local = uint32_t(value);
        return value >= 0 && value < int64_t(vertexTotal);
    };
    auto texture = [&](const General::Store<int> &list, unsigned corner) -> int32_t {
        if (corner >= list.GetItemCount() || list[corner] == -1)
            return -1;
        const int64_t value = int64_t(list[corner]) - 1 - m_iTCOffset;
        return value >= 0 && value < int64_t(tcTotal) ? int32_t(value) : -2;
    };

    unsigned polygons = 0;
    for (int face = 0; face < faceCount;) {
        if (!m_pFile->ReadFace(indices, tcCount ? &tci : nullptr))
            return corrupt();
        const unsigned corners = indices.GetItemCount();
        uint32_t local[4];
        if (type == Mesh::typeQuadric) {
            int32_t tcs4[4];
            for (unsigned c = 0; c < 4; ++c) {
                tcs4[c] = texture(tci, c);
                if (corners != 4 || !vertex(indices[c], local[c]) || tcs4[c] == -2)
                    return corrupt();
            }
            object.m_pQuads.GetBuffer()[face++] = ImportedFaces::MakeQuad(local, tcs4);
        } else {
            // The group's face count counts triangles: a polygon must fit in what is left.
            if (corners < 3 || uint64_t(face) + corners - 2 > uint64_t(faceCount))
                return corrupt();
            uint32_t first, previous, current;
            int32_t tcFirst = texture(tci, 0), tcPrevious = texture(tci, 1);
            if (!vertex(indices[0], first) || !vertex(indices[1], previous) || tcFirst == -2 || tcPrevious == -2)
                return corrupt();
            for (unsigned c = 2; c < corners; ++c) {
                const int32_t tc = texture(tci, c);
                if (!vertex(indices[c], current) || tc == -2)
                    return corrupt();
                object.m_pTriangles.GetBuffer()[face++] =
                    ImportedFaces::MakeFanTriangle(c - 2, {first, previous, current}, {tcFirst, tcPrevious, tc});
                previous = current;
                tcPrevious = tc;
            }
        }
        ++polygons;
        meter.Advance(1);
    }
    object.m_iPolygonCount = polygons;
    return true;
}

Object *BioImporter::DoImport()
{
    if (!m_pFile->IsOpen())
        return Fail(m_pFile->GetOpenError().isEmpty() ? QStringLiteral("The file %1 cannot be opened.").arg(m_sPath)
                                                       : m_pFile->GetOpenError());
    Object *first = nullptr, *previous = nullptr;
    const int groups = m_pFile->GetObjectCount();
    for (int g = 0; g < groups; ++g) {
        QString name;
        int level = 0, type = 0, faceCount = 0, vertexCount = 0, tcCount = 0;
        if (!m_pFile->ReadObject(name, level, type, faceCount, vertexCount, tcCount)) {
            DeleteChain(first);
            return Fail(QStringLiteral("The file %1 is damaged or incomplete.").arg(m_sPath));
        }
        Object *object = nullptr;
        try {
            object = new Object(unsigned(faceCount), unsigned(vertexCount), 0, unsigned(tcCount),
                                type == Mesh::typeQuadric);
        } catch (const std::bad_alloc &) {
            DeleteChain(first);
            return Fail(QStringLiteral("Not enough memory to import this file."));
        }
        object->SetObjectName(name);
        (previous ? previous->m_pNextObject : first) = object;
        previous = object;
        if (!ReadGroup(*object, type, faceCount, vertexCount, tcCount)) {
            DeleteChain(first);
            return Fail(m_sError);
        }
        m_iVertexOffset += vertexCount;
        m_iTCOffset += tcCount;
    }
    if (!first)
        return Fail(QStringLiteral("The file %1 holds no meshes.").arg(m_sPath));
    return first;
}
