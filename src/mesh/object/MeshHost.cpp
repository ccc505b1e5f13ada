#include "mesh/object/MeshHost.h"

QString *MeshHost::TextureFolder()
{
    static QString folder = QStringLiteral("textures/");
    return &folder;
}

