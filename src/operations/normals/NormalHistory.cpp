#include "operations/normals/NormalHistory.h"

#include "foundation/Stream.h"
#include "mesh/core/Mesh.h"

#include <cstring>

namespace Operations {

namespace {

void Note(General::Store<NormalRecord> &records, std::vector<bool> &noted, unsigned index, const int16_t *normal)
{
    if (index >= noted.size())
        noted.resize(size_t(index) + 1 + noted.size() / 2, false);
    if (noted[index])
        return;
    NormalRecord record{int32_t(index), {normal[0], normal[1], normal[2]}, 0};
    // A record that cannot be held leaves that normal to the recomputation.
    if (records.Add(record) >= 0)
        noted[index] = true;
}

bool ReadRecords(Stream &stream, General::Store<NormalRecord> &records, unsigned bound)
{
    if (!stream.ReadArray(records))
        return false;
    for (const NormalRecord &record : records)
        if (record.m_iIndex < 0 || unsigned(record.m_iIndex) >= bound)
            return false;
    return true;
}

}  // namespace

void NormalHistory::NoteVertex(unsigned vertex, const int16_t *normal)
{
    Note(m_aVertices, m_aVertexNoted, vertex, normal);
}

void NormalHistory::NoteFace(unsigned face, const int16_t *normal) { Note(m_aFaces, m_aFaceNoted, face, normal); }

void NormalHistory::Exchange(Mesh &mesh, bool read)
{
    auto vertexNormal = [&](const NormalRecord &record) -> int16_t * {
        return unsigned(record.m_iIndex) < mesh.m_iVertexCount ? mesh.m_pVertices[unsigned(record.m_iIndex)].m_aNormal
                                                               : nullptr;
    };
    auto faceNormal = [&](const NormalRecord &record) -> int16_t * {
        if (unsigned(record.m_iIndex) >= mesh.m_iFaceCount)
            return nullptr;
        return mesh.WithFaces([&](auto &faces) { return faces[unsigned(record.m_iIndex)].m_aNormal; });
    };
    auto pass = [&](General::Store<NormalRecord> &held, General::Store<NormalRecord> &current, auto &&normalOf) {
        if (read) {
            current.SetItemCount(0, true);
            for (const NormalRecord &record : held) {
                NormalRecord now = record;
                if (const int16_t *normal = normalOf(record))
                    std::memcpy(now.m_aNormal, normal, sizeof now.m_aNormal);
                current.Add(now);
            }
            return;
        }
        // What could not be read is not written: the mesh keeps its recomputed normal there.
        const bool whole = current.GetItemCount() == held.GetItemCount();
        for (const NormalRecord &record : held)
            if (int16_t *normal = whole ? normalOf(record) : nullptr)
                std::memcpy(normal, record.m_aNormal, sizeof record.m_aNormal);
        if (whole) {
            General::Store<NormalRecord> before(current.GetID());
            before.Take(current);
            current.Take(held);
            held.Take(before);
        }
    };
    pass(m_aVertices, m_aReadVertices, vertexNormal);
    pass(m_aFaces, m_aReadFaces, faceNormal);
}

bool NormalHistory::Write(Stream &stream) const
{
    return stream.WriteArray(m_aVertices) && stream.WriteArray(m_aFaces);
}

bool NormalHistory::Read(Stream &stream, const Mesh &mesh)
{
    return ReadRecords(stream, m_aVertices, mesh.m_iVertexCount) && ReadRecords(stream, m_aFaces, mesh.m_iFaceCount);
}

}  // namespace Operations
