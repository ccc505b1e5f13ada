#pragma once
// Mesh files are imported through one small family: an importer is made for one file,
// asked once for its objects and destroyed. The objects it returns are new, chained in
// file order through m_pNextObject, and belong to the caller.

#include <QString>

#include <cstdint>

class Object;
namespace BTree {
class Space;
}

class Importer {
public:
    // `space`, when given, limits the import to what lies near it (not owned).
    explicit Importer(BTree::Space *space) : m_pSpace(space) {}
    virtual ~Importer() = default;
    Importer(const Importer &) = delete;
    Importer &operator=(const Importer &) = delete;

    // The first of the new objects, or null; GetError() then says why.
    virtual Object *DoImport() = 0;

    // The importer for the file's extension (".obj" or ".bio", in any case), or null.
    static Importer *Create(const QString &path, BTree::Space *space);

    // Objects of an empty scene are named "mesh", then "mesh1", "mesh2"...; the scene gives
    // how many objects it holds already, so that new names continue the count.
    void SetObjectNumberBase(int base) { m_iNumberBase = base; }
    // Why the import gave no objects; empty after a success.
    const QString &GetError() const { return m_sError; }
    // What a successful import left out of the file, for the user; empty when nothing.
    const QString &GetNotice() const { return m_sNotice; }
    // The faces of a file that holds faces but none near the space: the import then gave
    // nothing because of where the file's surface lies, not because the file is empty.
    uint64_t GetFacesOutsideSpace() const { return m_iFacesOutsideSpace; }

    // Deletes a chain of objects linked through m_pNextObject.
    static void DeleteChain(Object *first);

protected:
    // Records the reason (also in the log) and yields null for DoImport to return.
    Object *Fail(const QString &reason);
    QString MeshName(int index) const;

    BTree::Space *m_pSpace = nullptr;
    int m_iNumberBase = 0;
    QString m_sError;
    QString m_sNotice;
    uint64_t m_iFacesOutsideSpace = 0;
};
