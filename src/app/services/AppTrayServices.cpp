#include "app/services/AppTrayServices.h"

#include "app/settings/Preferences.h"
#include "gui/trays/MTray.h"

namespace {

QString *FolderOf(const QString &kind)
{
    Preferences *preferences = Preferences::Get();
    if (!preferences)
        return nullptr;
    if (kind == QLatin1String("Stamp"))
        return &preferences->StampFiles;
    if (kind == QLatin1String("Stencil"))
        return &preferences->StencilFiles;
    if (kind == QLatin1String("ImagePlane"))
        return &preferences->ImagePlaneFolder;
    return nullptr;
}

}  // namespace

void AppTrayServices::CheckTrayItemByName(const QString &typeName, const QString &itemName)
{
    GUI::CheckTrayItemByName(typeName, itemName);
}

QString AppTrayServices::GetImageFolder(const QString &kind) const
{
    const QString *folder = FolderOf(kind);
    return folder ? *folder : QString();
}

void AppTrayServices::SetImageFolder(const QString &kind, const QString &folder)
{
    if (QString *kept = FolderOf(kind))
        *kept = folder;
}
