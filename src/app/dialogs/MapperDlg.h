#pragma once
// The "Texture Baking" window: one control per map-extraction setting, copied into a
// settings node by Fill. Start runs an extraction with an engine of its own, showing the
// progress window; the job button writes a render-farm job for the same settings. A run
// refuses to start without a high surface, and the window stays until its run has ended.

#include "app/dialogs/MapperProgressDlg.h"
#include "gui/dialogs/Dialog.h"

#include <QPointer>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class SubdivLevel;

namespace MapExtraction {
class Info;
class Mapper;
}  // namespace MapExtraction

namespace GUI {

class CollapsableContainer;
class FileSelector;
class TextSlider;

class MapperDlg : public Dialog {
    Q_OBJECT

public:
    // Where the high-mesh box's items come from (item data role Qt::UserRole).
    enum HighSource { kHighObject = 1, kHighSelectionSet, kHighFile };

    explicit MapperDlg(QWidget *parent);
    ~MapperDlg() override;

    // Copies every control into the settings, each through its attribute's setter.
    void Fill(MapExtraction::Info &info);
    // The worker count field: at least 1.
    int WorkerCount() const;
    // The level named by a low-mesh box item: "<object> (level: <n>)" and the level's node id.
    static SubdivLevel *GetSubdivLevel(const QString &text, int levelId);
    // Lists the scene's levels, objects and selection sets in the mesh boxes again.
    void Refresh() override;
    bool IsRunning() const { return m_pRunning != nullptr; }
    // The results window of this window's runs, one for all of them; null before the first.
    MapperProgressDlg *GetResults() const { return m_pResults; }

    CollapsableContainer *m_pPropertyArea;
    QPushButton *m_pStart;
    QPushButton *m_pCancel;
    QComboBox *m_pLowMesh;
    QComboBox *m_pLowSubdivision;
    QCheckBox *m_pSelectedOnly;
    QComboBox *m_pHighMesh;
    QPushButton *m_pBrowseHigh;
    FileSelector *m_pOutputFolder;
    QCheckBox *m_pNormalMap;
    QLineEdit *m_pNormalMask;
    QCheckBox *m_pDisplacementMap;
    QLineEdit *m_pDisplacementMask;
    QCheckBox *m_pSkipEmpty;
    QLineEdit *m_pTilesPerRow;
    QLineEdit *m_pFirstTile;
    QLineEdit *m_pWidth;
    QLineEdit *m_pHeight;
    QLineEdit *m_pEdgeBleeding;
    QComboBox *m_pNormalFormat;
    QComboBox *m_pNormalSpace;
    QComboBox *m_pDisplacementType;
    QCheckBox *m_pSmoothUVs;
    QCheckBox *m_pFillWholeMaps;
    TextSlider *m_pRange;
    QComboBox *m_pRayCenter;
    QCheckBox *m_pBothSides;
    QCheckBox *m_pSmoothNormals;
    QComboBox *m_pHighSubdivision;
    QLineEdit *m_pWorkers;
    QPushButton *m_pSaveJob;

public slots:
    void BrowseForHighMesh();
    void StartMapping();
    // Closes the window; during a run it asks the run to stop and closes once it has.
    void CancelMapping();
    void SaveSpiderJob();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildControls();
    void Remember() const;
    void Recall();
    void ShowOutcome(bool warning, const QString &title, const QString &text);

    // The results window for a run: the one of the last run, shown again and emptied.
    MapperProgressDlg *Results();

    MapExtraction::Mapper *m_pRunning = nullptr;
    bool m_bCloseAfterRun = false;
    QPointer<MapperProgressDlg> m_pResults;
};

}  // namespace GUI
