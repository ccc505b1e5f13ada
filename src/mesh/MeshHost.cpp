#include "mesh/MeshHost.h"

QString *MeshHost::TextureFolder()
{
    static QString folder = QStringLiteral("textures/");
    return &folder;
}

namespace {
MeshHost s_quiet;
MeshHost *s_pHost = &s_quiet;
}  // namespace

MeshHost &MeshHost::Get() { return *s_pHost; }
void MeshHost::Install(MeshHost *host) { s_pHost = host ? host : &s_quiet; }
