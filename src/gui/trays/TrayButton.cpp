#include "gui/trays/TrayButton.h"

#include "foundation/images/Pictures.h"
#include "gui/common/DragRunner.h"
#include "gui/trays/TrayItem.h"

#include <QApplication>
#include <QDataStream>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

namespace GUI {

QTrayItem::QTrayItem(std::unique_ptr<TrayItem> item, QWidget *parent) : QToolButton(parent), m_pItem(std::move(item))
{
    QFont font = QApplication::font();
    font.setStretch(82);
    setFont(font);
    setAutoRaise(true);
    setIcon(General::Pictures::Icon(m_pItem->GetIcon()));
    setCheckable(true);
    setMinimumSize(40, 40);
    setMaximumSize(40, 40);
    if (QWidget *overlay = m_pItem->CreateIconWidget(this))
        overlay->show();
    ShowItem();
}

QTrayItem::~QTrayItem() = default;

void QTrayItem::ShowItem()
{
    const QString label = m_pItem->GetLabel();
    if (label.isEmpty()) {
        setToolButtonStyle(Qt::ToolButtonIconOnly);
        setIconSize(QSize(40, 40));
        setText(QString());
    } else {
        // A picture with its name under it, both in the 40 x 40 button: a smaller type keeps
        // names such as "Translate" whole.
        setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        setIconSize(QSize(22, 22));
        QFont small = font();
        small.setPixelSize(10);
        setFont(small);
        setText(label);
    }
    const QString extra = m_pItem->GetExtra();
    setToolTip(extra.isEmpty() ? m_pItem->GetName() : extra);
    setObjectName(m_pItem->GetName());
}

QByteArray QTrayItem::Payload() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << objectName() << text() << m_pItem->GetType() << m_pItem->GetIcon() << isChecked();
    return bytes;
}

void QTrayItem::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::MiddleButton) {
        QToolButton::mousePressEvent(event);
        return;
    }
    auto *data = new QMimeData;
    data->setData(TrayItemMimeType(), Payload());
    // The drop moves this button itself; the drag owns the data.
    QDrag drag(this);
    drag.setMimeData(data);
    drag.setHotSpot(event->position().toPoint());
    drag.setPixmap(grab());
    RunDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

}  // namespace GUI
