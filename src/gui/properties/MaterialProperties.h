#pragma once
// The "Material" page: four colour swatches that ask for a colour, the Glossiness and
// Opacity sliders, the shader choice and "Assign To Selected". The material is the owning
// window's shown node; every edit writes it at once and shows it again in every window.

#include "gui/dialogs/PropertyList.h"

namespace Surface {
class Material;
}

namespace GUI {

class MaterialProperties : public PropertyList {
    Q_OBJECT

public:
    explicit MaterialProperties(PropertiesDialog *owner);

    void Refresh() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    Surface::Material *GetMaterial() const;

public slots:
    void Update();
    // Objects wholly selected take the material; without selected faces, the picked object.
    void OnAssign();
    void OnColorMapBrowse() {}
    void OnNormalMapBrowse() {}
    void OnColorMapUDim() {}
    void OnNormalMapUDim() {}
    void OnColorMapFirstTile() {}
    void OnNormalMapFirstTile() {}
    void OnNormalSpace(int index);
    void OnReloadColorMap() {}
    void OnDeleteColorMap() {}
    void OnReloadNormalMap() {}
    void OnDeleteNormalMap() {}
    void OnChangeTNBSettings() {}
    void OnShowColorMap() {}
    void OnShowNormalMap() {}
    void OnToggleUseVertexNormals() {}
    void OnToggleInvertTangent() {}
    void OnToggleInvertBinormal() {}
    void OnToggleUseTiles() {}

private:
    bool m_bUpdating = false;
};

}  // namespace GUI
