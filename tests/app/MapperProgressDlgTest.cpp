// The progress window of a bake: its rows, bars and cells, and its cancel request.
#include "app/dialogs/MapperProgressDlg.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using GUI::MapperProgressDlg;

namespace {

QString Cell(const MapperProgressDlg &dialog, int row, int column)
{
    const QTableWidgetItem *item = dialog.GetTable()->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace

TEST(MapperProgressDlg, RowsBarsAndCellsShowTheRun)
{
    MapperProgressDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Map extraction results"));
    EXPECT_EQ(dialog.size(), QSize(815, 325));
    EXPECT_EQ(dialog.GetTable()->columnCount(), 6);
    EXPECT_EQ(dialog.GetTable()->rowCount(), 0);

    dialog.NewRow(0.0, 4);
    EXPECT_EQ(dialog.GetTable()->rowCount(), 1);
    dialog.SetTileId(1001);
    dialog.SetRegion(0.0f, 0.0f, 0.5f, 1.0f);
    dialog.SetTime(1234);
    dialog.SetNormalMapName(QStringLiteral("/maps/n_1001.tif"));
    dialog.SetDisplacementMapName(QStringLiteral("/maps/d_1001.tif"));
    dialog.SetSurfaceRate(0.999);
    EXPECT_EQ(Cell(dialog, 0, 0), QStringLiteral("1001"));
    EXPECT_EQ(Cell(dialog, 0, 1), QStringLiteral("0.00:0.00-0.50:1.00"));
    EXPECT_EQ(Cell(dialog, 0, 2), QStringLiteral("1.2s"));
    EXPECT_EQ(Cell(dialog, 0, 3), QStringLiteral("/maps/n_1001.tif"));
    EXPECT_EQ(Cell(dialog, 0, 4), QStringLiteral("/maps/d_1001.tif"));
    EXPECT_EQ(Cell(dialog, 0, 5), QStringLiteral("99%"));

    dialog.NewRow(2.25, 4);
    EXPECT_EQ(dialog.GetTable()->rowCount(), 2);
    EXPECT_EQ(dialog.GetTileBar()->value(), 25);
    EXPECT_EQ(dialog.GetTotalBar()->value(), 56);
    dialog.SetSplit();
    EXPECT_EQ(Cell(dialog, 1, 2), QStringLiteral("Splitted"));
    dialog.SetSkipped();
    EXPECT_EQ(Cell(dialog, 1, 2), QStringLiteral("Skipped"));
    EXPECT_EQ(Cell(dialog, 0, 2), QStringLiteral("1.2s"));

    dialog.Finish();
    EXPECT_EQ(dialog.GetTileBar()->value(), 100);
    EXPECT_EQ(dialog.GetTotalBar()->value(), 100);
    EXPECT_FALSE(dialog.GetCancel()->isEnabled());
}

TEST(MapperProgressDlg, CellsBeforeTheFirstRowGoNowhereAndCancelAsksToStop)
{
    MapperProgressDlg dialog(nullptr);
    dialog.SetTileId(3);
    dialog.SetTime(10);
    EXPECT_EQ(dialog.GetTable()->rowCount(), 0);
    QSignalSpy spy(&dialog, &MapperProgressDlg::cancelRequested);
    QTest::mouseClick(dialog.GetCancel(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
}
