#include "mesh/buffers/BufferEntryPoints.h"

namespace {
BufferEntryPoints &Installed()
{
    static BufferEntryPoints entryPoints;
    return entryPoints;
}
}  // namespace

const BufferEntryPoints &BufferEntryPoints::Get() { return Installed(); }

void BufferEntryPoints::Install(const BufferEntryPoints &entryPoints) { Installed() = entryPoints; }
