#pragma once
// The "ImagePlane" page: the picture a camera shows behind the scene. The window's node is
// the camera; the page switches its plane on and off, chooses the picture, sets visibility
// and depth, and places it. Edits made while the plane is off are kept and show when it is
// switched on; a transform reset needs it on. The preview is made again only for another file.

#include "gui/dialogs/PropertyList.h"
#include "gui/properties/ImagePanelRows.h"

#include <QString>

class Camera;
class ImagePlane;
class QPushButton;
class QVBoxLayout;

namespace GUI {

class TextSlider;

class ImagePlaneProperties : public PropertyList {
    Q_OBJECT

public:
    explicit ImagePlaneProperties(PropertiesDialog *owner);

    void Refresh() override;
    // The camera the window shows; null when it shows none.
    Camera *GetCamera() const;

public slots:
    void OnActive();
    void OnVisibilityChanged();
    void OnDepthChanged();
    void OnResetTransform();
    void OnChangeTrans();
    void OnImport();

private:
    // The picture again at the slider's visibility, once the slider is let go; only while
    // the plane is on.
    void ReloadWhenSettled(bool released);

    bool m_bUpdating = false;
    QVBoxLayout *m_pLayout;
    ImageRows m_cRows;
    TextSlider *m_pVisibility;
    TextSlider *m_pDepth;
    QPushButton *m_pReset;
    PlacementFields m_cFields;
    QString m_sShownFile;  // the file the preview was built for
};

}  // namespace GUI
