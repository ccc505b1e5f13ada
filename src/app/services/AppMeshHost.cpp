#include "app/services/AppMeshHost.h"

#include "gui/dialogs/PropertiesDialog.h"

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
