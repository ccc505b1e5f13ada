#include "app/services/AppViewCommandHost.h"

#include "app/settings/Preferences.h"

void AppViewCommandHost::SetMirror(int mode, const General::Vector &normal)
{
    Preferences *preferences = Preferences::Get();
    if (!preferences)
        return;
    // The plane is the first mirror pair; the local-axes flag stays as the brush panel set it.
    General::Store<General::Vector> &normals = preferences->MirrorNormals;
    General::Store<General::Vector> &offsets = preferences->MirrorOffsets;
    if (normals.GetItemCount() == 0 && normals.Add(normal) < 0)
        return;
    if (offsets.GetItemCount() == 0 && offsets.Add(General::Vector(0, 0, 0)) < 0)
        return;
    normals[0] = normal;
    preferences->MirrorCount = mode;
}

float AppViewCommandHost::DollyAmount() const
{
    return Preferences::Get() ? Preferences::Get()->DollyAmount : ViewCommandHost::DollyAmount();
}

int AppViewCommandHost::NavigationControl() const
{
    return Preferences::Get() ? Preferences::Get()->Control : ViewCommandHost::NavigationControl();
}

float AppViewCommandHost::RollArea() const
{
    return Preferences::Get() ? Preferences::Get()->RollArea : ViewCommandHost::RollArea();
}

bool AppViewCommandHost::LocalFocus() const
{
    return Preferences::Get() ? Preferences::Get()->LocalFocus : ViewCommandHost::LocalFocus();
}

QString AppViewCommandHost::TempFolder() const
{
    const Preferences *preferences = Preferences::Get();
    return preferences && !preferences->TempFiles.isEmpty() ? preferences->TempFiles : ViewCommandHost::TempFolder();
}
