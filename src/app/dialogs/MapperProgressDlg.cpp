#include "app/dialogs/MapperProgressDlg.h"

#include "interaction/Interface.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>

namespace GUI {

namespace {

QProgressBar *Bar(QWidget *parent, int x, int y)
{
    auto *bar = new QProgressBar(parent);
    bar->setRange(0, 100);
    bar->setFixedSize(130, 15);
    bar->setTextVisible(false);
    bar->move(x, y);
    return bar;
}

}  // namespace

MapperProgressDlg::MapperProgressDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MapperProgressDlg"));
    setWindowTitle(tr("Map extraction results"));
    setFixedSize(815, 325);
    m_pTable = new QTableWidget(0, 6, this);
    m_pTable->setFixedSize(813, 298);
    m_pTable->move(0, 0);
    m_pTable->setHorizontalHeaderLabels(
        {tr("Tile ID"), tr("Region"), tr("Time"), tr("Normal map"), tr("Displacement map"), tr("Surface rate")});
    const int widths[] = {40, 100, 40, 270, 270, 70};
    for (int column = 0; column < 6; ++column)
        m_pTable->setColumnWidth(column, widths[column]);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pCancel = new QPushButton(tr("Cancel"), this);
    m_pCancel->move(720, 300);
    (new QLabel(tr("Total:"), this))->move(10, 305);
    m_pTotalBar = Bar(this, 60, 305);
    (new QLabel(tr("Tile:"), this))->move(200, 305);
    m_pTileBar = Bar(this, 250, 305);
    connect(m_pCancel, &QPushButton::clicked, this, &MapperProgressDlg::OnCancel);
    show();
}

void MapperProgressDlg::BeginRun()
{
    m_iRow = -1;
    m_pTable->setRowCount(0);
    m_pTileBar->setValue(0);
    m_pTotalBar->setValue(0);
    m_pCancel->setEnabled(true);
    show();
    raise();
}

void MapperProgressDlg::NewRow(double progress, unsigned total)
{
    ++m_iRow;
    m_pTable->setRowCount(m_iRow + 1);
    m_pTable->setRowHeight(m_iRow, 20);
    if (!(progress >= 0.0))
        progress = 0.0;
    m_pTileBar->setValue(int((progress - std::floor(progress)) * 100.0));
    m_pTotalBar->setValue(total ? std::min(100, int(progress * 100.0 / double(total))) : 0);
}

void MapperProgressDlg::SetCell(int column, const QString &text, Qt::Alignment alignment)
{
    // A cell before the first row has nowhere to go.
    if (m_iRow < 0)
        return;
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    m_pTable->setItem(m_iRow, column, item);
}

void MapperProgressDlg::SetTileId(int id)
{
    SetCell(0, QString::number(id));
    if (m_iRow >= 0)
        m_pTable->scrollToItem(m_pTable->item(m_iRow, 0));
}

void MapperProgressDlg::SetRegion(float uMin, float vMin, float uMax, float vMax)
{
    SetCell(1, QString::asprintf("%.02f:%.02f-%.02f:%.02f", double(uMin), double(vMin), double(uMax), double(vMax)));
}

void MapperProgressDlg::SetTime(unsigned milliseconds)
{
    SetCell(2, QString::asprintf("%.1fs", double(milliseconds) * 0.001));
}

void MapperProgressDlg::SetSplit() { SetCell(2, tr("Splitted")); }

void MapperProgressDlg::SetSkipped() { SetCell(2, tr("Skipped")); }

void MapperProgressDlg::SetNormalMapName(const QString &path) { SetCell(3, path, Qt::AlignJustify | Qt::AlignVCenter); }

void MapperProgressDlg::SetDisplacementMapName(const QString &path)
{
    SetCell(4, path, Qt::AlignJustify | Qt::AlignVCenter);
}

void MapperProgressDlg::SetSurfaceRate(double rate) { SetCell(5, QString::asprintf("%d%%", int(rate * 100.0))); }

void MapperProgressDlg::Finish()
{
    m_pTileBar->setValue(100);
    m_pTotalBar->setValue(100);
    m_pCancel->setEnabled(false);
}

void MapperProgressDlg::OnCancel()
{
    if (Interface *controller = Interface::Get())
        controller->m_bCancel = true;
    emit cancelRequested();
}

}  // namespace GUI
