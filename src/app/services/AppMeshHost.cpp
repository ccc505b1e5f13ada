#include "app/services/AppMeshHost.h"

#include "app/settings/Preferences.h"
#include "app/window/Tevrin.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layers/LayerList.h"

void AppMeshHost::ForgetObject(Object *object)
{
    InteractionMeshHost::ForgetObject(object);
    GUI::LayerList::ForgetObjectEverywhere(object);
}

void AppMeshHost::RefreshLayerList() { GUI::LayerList::UpdateEverywhere(false); }

bool AppMeshHost::ShowLayerWeights() const
{
    const Preferences *preferences = m_rWindow.GetPreferences();
    return preferences && preferences->LayerDisplay;
}

void AppMeshHost::RefreshObjectInfo()
{
    if (GUI::PropertiesDialog *first = GUI::PropertiesDialog::First())
        first->ShowNode(QStringLiteral("Geometry"), nullptr);
}

void AppMeshHost::ShowMaterialProperties()
{
    if (GUI::PropertiesDialog *first = GUI::PropertiesDialog::First())
        first->ShowNode(QStringLiteral("Material"), nullptr);
}
