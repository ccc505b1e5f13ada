#include "gui/trays/TrayItemList.h"

#include "foundation/ShellServices.h"
#include "gui/common/DragRunner.h"
#include "gui/layouts/FlowBoxLayout.h"
#include "gui/trays/TrayButton.h"
#include "gui/trays/TrayItem.h"

#include <QDataStream>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QStyle>

#include <algorithm>
#include <cstdlib>

namespace GUI {

TrayItemList::TrayItemList(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(true);
    m_pLayout = new FlowBoxLayout(this, 0, style()->layoutSpacing(QSizePolicy::ToolButton, QSizePolicy::ToolButton,
                                                                   Qt::Horizontal));
}

std::vector<TrayItem *> TrayItemList::GetItems() const
{
    std::vector<TrayItem *> items;
    items.reserve(size_t(m_lButtons.size()));
    for (QTrayItem *button : m_lButtons)
        items.push_back(button->GetItem());
    return items;
}

QTrayItem *TrayItemList::FindByName(const QString &name, const QTrayItem *except) const
{
    if (name.isEmpty())
        return nullptr;
    for (QTrayItem *button : m_lButtons)
        if (button != except && button->GetItem()->GetName() == name)
            return button;
    return nullptr;
}

QTrayItem *TrayItemList::InsertItem(std::unique_ptr<TrayItem> item, int index)
{
    auto *button = new QTrayItem(std::move(item), nullptr);
    InsertButton(button, index);
    return button;
}

void TrayItemList::InsertButton(QTrayItem *button, int index)
{
    index = std::clamp(index, 0, Count());
    button->setParent(this);
    m_lButtons.insert(index, button);
    m_pLayout->insertItem(index, new QWidgetItem(button));
    button->show();
    m_pLayout->invalidate();
    emit insertNewItem(button);
}

void TrayItemList::TakeButton(QTrayItem *button)
{
    if (!m_lButtons.removeOne(button))
        return;
    m_pLayout->removeWidget(button);
    emit buttonTaken(button);
    // Wherever it goes, it is no tray's checked button.
    const QSignalBlocker blocker(button);
    button->setChecked(false);
    button->setDown(false);
    button->hide();
    button->setParent(nullptr);
}

void TrayItemList::DeleteButton(QTrayItem *button)
{
    TakeButton(button);
    delete button;
}

int TrayItemList::DropIndex(const QPoint &point) const
{
    QList<QTrayItem *> shown;
    for (QTrayItem *button : m_lButtons)
        if (!button->isHidden())
            shown << button;
    if (shown.isEmpty())
        return Count();
    if (point.x() < shown.first()->x())
        return 0;
    for (QTrayItem *button : shown)
        if (button->geometry().contains(point))
            return IndexOf(button) + (point.x() >= button->x() + button->width() / 2 ? 1 : 0);
    const int halfSpacing = m_pLayout->spacing() / 2;
    for (QTrayItem *button : shown) {
        const bool inRow = button->y() - halfSpacing < point.y() &&
                           point.y() <= button->y() + button->height() + halfSpacing;
        if (inRow && std::abs(point.x() - button->x() - button->width()) < button->width() / 2)
            return IndexOf(button) + 1;
    }
    return Count();
}

void TrayItemList::Fit(int width)
{
    if (width <= 0)
        return;
    setFixedWidth(width);
    setFixedHeight(m_pLayout->heightForWidth(width));
}

int TrayItemList::RowsHeight(int rows) const
{
    // The layout's own item sizes, as the rows are laid out with them.
    int row = 0;
    for (int i = 0; i < m_pLayout->count(); ++i)
        row = std::max(row, m_pLayout->itemAt(i)->sizeHint().height());
    return row > 0 ? rows * row + (rows - 1) * m_pLayout->spacing() : 0;
}

bool TrayItemList::Accepts(const QDropEvent *event) const
{
    return event->mimeData()->hasFormat(TrayItemMimeType()) && qobject_cast<QWidget *>(DragSource(*event));
}

void TrayItemList::dragEnterEvent(QDragEnterEvent *event)
{
    if (Accepts(event))
        event->acceptProposedAction();
    else
        QWidget::dragEnterEvent(event);
}

void TrayItemList::dragMoveEvent(QDragMoveEvent *event)
{
    if (Accepts(event))
        event->acceptProposedAction();
    else
        QWidget::dragMoveEvent(event);
}

void TrayItemList::dropEvent(QDropEvent *event)
{
    if (!Accepts(event)) {
        event->ignore();
        return;
    }
    QString name, label, type, icon;
    bool checked = false;
    QDataStream in(event->mimeData()->data(TrayItemMimeType()));
    in >> name >> label >> type >> icon >> checked;
    const QPoint at = event->position().toPoint();
    int index = DropIndex(at);
    auto *button = qobject_cast<QTrayItem *>(DragSource(*event));
    // The dragged button moves itself, item and all; other sources give a new item.
    const QString itemName = button ? button->GetItem()->GetName() : name;
    if (FindByName(itemName, button)) {
        General::Shell().SetStatusMessage(tr("The tray already has an item with this name"), 0);
        event->ignore();
        return;
    }
    if (button) {
        const int from = IndexOf(button);
        if (from >= 0 && from < index)
            --index;
        if (auto *grid = qobject_cast<TrayItemList *>(button->parentWidget()))
            grid->TakeButton(button);
        InsertButton(button, index);
    } else {
        std::unique_ptr<TrayItem> item = CreateTrayItem(type, name, icon, label);
        if (!item) {
            event->ignore();
            return;
        }
        InsertItem(std::move(item), index);
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TrayItemList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int height = m_pLayout->heightForWidth(width());
    if (height != this->height())
        setFixedHeight(height);
}

void TrayItemList::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    setFixedHeight(m_pLayout->heightForWidth(width()));
}

}  // namespace GUI
