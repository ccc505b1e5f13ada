#pragma once
// Running an importer in the tests and looking at what it made.
#include "mesh/object/Object.h"
#include "scene/readers/Importer.h"
#include "scene/readers/ObjImporter.h"
#include "support/TempDir.h"

#include <QFile>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace importing {

struct ChainDeleter {
    void operator()(Object *first) const { Importer::DeleteChain(first); }
};
using Chain = std::unique_ptr<Object, ChainDeleter>;

struct Result {
    Chain first;
    QString error;
    std::vector<ObjImporter::GroupFaces> groups;

    std::vector<Object *> Objects() const
    {
        std::vector<Object *> objects;
        for (Object *o = first.get(); o; o = o->m_pNextObject)
            objects.push_back(o);
        return objects;
    }
};

// `threads` and `blockSize` set how an OBJ file is parsed (0 threads: the default).
inline Result ImportFile(const QString &path, BTree::Space *space = nullptr, int numberBase = 0, unsigned threads = 0,
                         unsigned blockSize = ObjImporter::kBlockSize)
{
    Result result;
    std::unique_ptr<Importer> importer(Importer::Create(path, space));
    if (!importer) {
        result.error = QStringLiteral("no importer");
        return result;
    }
    importer->SetObjectNumberBase(numberBase);
    if (auto *obj = dynamic_cast<ObjImporter *>(importer.get()))
        obj->SetThreads(threads, blockSize);
    result.first.reset(importer->DoImport());
    result.error = importer->GetError();
    if (auto *obj = dynamic_cast<ObjImporter *>(importer.get()))
        for (const auto &g : obj->GetGroups()) {
            result.groups.emplace_back();
            result.groups.back().name = g.name;
            result.groups.back().object = g.object;
            for (unsigned f : g.faces)
                result.groups.back().faces.Add(f);
        }
    return result;
}

inline Result ImportText(const QByteArray &text, const char *name = "mesh.obj", BTree::Space *space = nullptr)
{
    TempDir dir;
    const QString path = dir.File(name);
    TempDir::Write(path, text);
    return ImportFile(path, space);
}

inline QString Fixture(const char *name) { return QStringLiteral(TEVRIN_TEST_DATA "/obj/") + QLatin1String(name); }

// The corners of face f as vertex indices (flag bits dropped).
inline std::vector<unsigned> Corners(const Mesh &mesh, unsigned face)
{
    std::vector<unsigned> corners;
    for (unsigned c = 0; c < mesh.Corners(); ++c)
        corners.push_back(mesh.FaceVertexIndex(face, c));
    return corners;
}

inline std::vector<int> TCIndices(const Mesh &mesh, unsigned face)
{
    std::vector<int> tcs;
    for (unsigned c = 0; c < mesh.Corners(); ++c)
        tcs.push_back(mesh.m_eType == Mesh::typeQuadric ? mesh.m_pQuads[face].m_iTCI[c]
                                                        : mesh.m_pTriangles[face].m_iTCI[c]);
    return tcs;
}

inline std::array<float, 3> Position(const Mesh &mesh, unsigned vertex)
{
    const General::Vector &p = mesh.m_pVertices[vertex].m_vPosition;
    return {p.x, p.y, p.z};
}

}  // namespace importing
