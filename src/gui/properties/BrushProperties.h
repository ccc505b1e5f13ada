#pragma once
// The "Brush" and "Stamp" pages: the controller's current tool (size and strength in the
// user's length unit, falloff, direction, stroke and pressure settings), its stamp image
// and the stroke preferences. The panel keeps no tool: every read and write goes to the
// tool that is current at that moment, and widgets are found by their object names.
// Which groups and widgets show, and which are enabled, follows the tool's type and group.

#include "gui/dialogs/PropertyList.h"

#include <QString>

class Brush;
class QCheckBox;
class QLabel;
class QPushButton;

namespace GUI {

class TextSlider;

class BrushProperties : public PropertyList {
    Q_OBJECT

public:
    // Builds the widgets, adopts the owning window's node (a "Brush" node names a tool to
    // make current, a "Stamp" node a stamp file to load) and refreshes.
    explicit BrushProperties(PropertiesDialog *owner);

    void Refresh() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The preview is made from the stamp file only when the stamp changed since the last one.
    int GetPreviewReads() const { return m_iPreviewReads; }

public slots:
    void OnActive();
    void OnSizeReset();
    void OnStrengthReset();
    // Writes every check box and slider back, then refreshes.
    void Update();
    void OnFlood();
    void OnFloodFromCamera();
    void ResetFalloff();
    // A copy of the tool's falloff joins the falloff list.
    void KeepFalloff();
    void UpdateMirror(int index);
    void UpdateSelection(int index);
    void UpdateDir(int index);
    // Index 0 to 6 of soft, hard, smooth, move, select face, freeze and mask.
    void UpdateOperation(int index);
    void OnImport();
    void OnStore() {}
    // Searches every object with exactly two selected faces for its topological axis.
    void SetTopology();
    void MakeSymmetrical();
    void DeleteCP();
    void SetBrushSize(float value);
    void SetBrushStrength(float value);
    void BrushChangeStart();
    void BrushChangeEnd();

private:
    void BuildWidgets();
    void Adopt();
    template <class W>
    W *Find(const char *name) const
    {
        return findChild<W *>(QLatin1String(name));
    }
    void RefreshTool(Brush &tool);
    void RefreshStamp();
    void RefreshStates(const Brush &tool);
    void RefreshVisibility(const Brush &tool);

    bool m_bUpdating = false;
    TextSlider *m_pScaleJitter = nullptr;
    TextSlider *m_pRotateJitter = nullptr;
    TextSlider *m_pPositionJitter = nullptr;
    TextSlider *m_pStrengthJitter = nullptr;
    QPushButton *m_pStampStore = nullptr;
    QPushButton *m_pFalloffStore = nullptr;
    QLabel *m_pScaleJitterLabel = nullptr;
    QLabel *m_pRotateJitterLabel = nullptr;
    QLabel *m_pPositionJitterLabel = nullptr;
    QLabel *m_pStrengthJitterLabel = nullptr;
    QCheckBox *m_pFlipX = nullptr;
    QCheckBox *m_pFlipY = nullptr;
    QCheckBox *m_pStampDrag = nullptr;
    QCheckBox *m_pStretchStamp = nullptr;
    QCheckBox *m_pOrientToStroke = nullptr;
    QCheckBox *m_pInvert = nullptr;
    QCheckBox *m_pStampOff = nullptr;
    // What the stamp preview was made from: its file and the stamp's pixel serial.
    QString m_sPreviewFile;
    unsigned m_iPreviewSerial = 0;
    bool m_bPreviewMade = false;
    int m_iPreviewReads = 0;
};

}  // namespace GUI
