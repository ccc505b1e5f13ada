#pragma once
// "Map extraction results": one row per tile of a run with its region, time, map files and
// surface rate, a bar for the current tile and one for the run, and "Cancel", which asks
// the run to stop. The run fills it through MapExtraction::MapProgress.

#include "mapping/MapProgress.h"

#include <QDialog>

class QProgressBar;
class QPushButton;
class QTableWidget;

namespace GUI {

class MapperProgressDlg : public QDialog, public MapExtraction::MapProgress {
    Q_OBJECT

public:
    explicit MapperProgressDlg(QWidget *parent);

    // Empties the rows and bars for the next run of the same baking window, and shows
    // the window again.
    void BeginRun();

    void NewRow(double progress, unsigned total) override;
    void SetTileId(int id) override;
    void SetRegion(float uMin, float vMin, float uMax, float vMax) override;
    void SetTime(unsigned milliseconds) override;
    void SetSplit() override;
    void SetSkipped() override;
    void SetNormalMapName(const QString &path) override;
    void SetDisplacementMapName(const QString &path) override;
    void SetSurfaceRate(double rate) override;
    void Finish() override;

    QTableWidget *GetTable() const { return m_pTable; }
    QProgressBar *GetTileBar() const { return m_pTileBar; }
    QProgressBar *GetTotalBar() const { return m_pTotalBar; }
    QPushButton *GetCancel() const { return m_pCancel; }

signals:
    void cancelRequested();

public slots:
    void OnCancel();

private:
    void SetCell(int column, const QString &text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

    int m_iRow = -1;
    QTableWidget *m_pTable;
    QPushButton *m_pCancel;
    QProgressBar *m_pTileBar;
    QProgressBar *m_pTotalBar;
};

}  // namespace GUI
