// Loads arbitrary bytes as a level chain, as a scene would, then works on it: every level
// brings back the faces of its swap files, and the top level is subdivided once more with
// its Catmull-Clark positions.
#include "FuzzFile.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/core/MeshSwitches.h"
#include "mesh/levels/SubdivLevel.h"

#include <QTemporaryDir>

namespace {
// Small levels only: the point is odd data, not large data.
constexpr unsigned kMaxFaces = 20000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzShell shell;
    General::InstallShell(&shell);
    MeshSwitches::s_bVerbose = false;
    FuzzFile file(data, size);
    try {
        Stream stream(file.Path(), false);
        if (!stream.IsOpen())
            return 0;
        stream.SetLevelChain(true);
        SubdivLevel base;
        if (!base.Serialize(stream) || stream.HasError())
            return 0;
        for (SubdivLevel *level = &base; level; level = level->m_pNext)
            if (level->m_iTotalFaceCount > kMaxFaces * 4 || level->m_iFaceCount > kMaxFaces)
                return 0;
        for (SubdivLevel *level = &base; level; level = level->m_pNext) {
            General::Store<unsigned int> all("fuzz restore");
            level->RestoreFaces(all, false, true, nullptr, true);
        }
        SubdivLevel *top = base.GetHighestLevel();
        if (!top->m_iFaceCount || top->m_iFaceCount > kMaxFaces / 4)
            return 0;
        SubdivLevel *next = top->GetNextLevel(true);
        if (!next)
            return 0;
        General::Store<unsigned int> faces("fuzz faces");
        for (unsigned f = 0; f < top->m_iFaceCount; ++f)
            faces.Add(f);
        next->m_iNewVertexCount = next->m_iVertexCount;
        if (next->Subdivide(faces))
            next->UpdateCC(false);
    } catch (const General::Error &) {
    }
    return 0;
}
