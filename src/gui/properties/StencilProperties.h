#pragma once
// The "Stencil" page: switches the controller's stencil on and off, chooses its image,
// places it over the view and edits the stencil settings the preferences keep (through
// PanelHost, which hands them to the stencil as well). Edits made while the stencil is off
// are kept and take effect when it is switched on; a transform reset needs it on.

#include "gui/dialogs/PropertyList.h"
#include "gui/properties/ImagePanelRows.h"

#include <QString>

class QCheckBox;
class QPushButton;
class QVBoxLayout;
class StencilImage;

namespace GUI {

class TextSlider;

class StencilProperties : public PropertyList {
    Q_OBJECT

public:
    explicit StencilProperties(PropertiesDialog *owner);

    void Refresh() override;
    // A press on "Store To" opens the window's tray menu while the stencil is on, and is
    // eaten either way.
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void OnInvert();
    void OnUseTile();
    void OnActive();
    void OnHideWhenSculpt();
    void OnVisibilityChanged();
    void OnFactorChanged();
    void OnOffsetChanged();
    void OnResetTransform();
    void OnFlipFlop();
    void OnChangeTrans();
    void OnImport();

private:
    // The settings from the boxes and sliders, written to the preferences and the stencil.
    void StoreSettings();
    // Applies the settings that need the image loaded again (invert, visibility) once the
    // slider is let go; only while the stencil is on.
    void ReloadWhenSettled(const TextSlider *moved);
    void Reload();
    void ShowPreview(const QString &file);

    bool m_bUpdating = false;
    QVBoxLayout *m_pLayout;
    ImageRows m_cRows;
    QPushButton *m_pStore;
    QCheckBox *m_pInvert;
    QCheckBox *m_pHide;
    QCheckBox *m_pFlipHorizontal;
    QCheckBox *m_pFlipVertical;
    QCheckBox *m_pTile;
    TextSlider *m_pVisibility;
    TextSlider *m_pMultiplier;
    TextSlider *m_pOffset;
    QPushButton *m_pReset;
    PlacementFields m_cFields;
    QString m_sShownFile;  // the file the preview was built for
};

}  // namespace GUI
