#include "gui/attributes/AttributeSign.h"

#include "foundation/Diagnostics.h"
#include "foundation/EventGate.h"
#include "foundation/Globals.h"
#include "foundation/images/Pictures.h"
#include "gui/attributes/AttributeWidget.h"
#include "gui/common/DragRunner.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <unordered_map>

namespace GUI {

namespace {

std::unordered_map<quint64, AttributeSign *> &LiveSigns()
{
    static std::unordered_map<quint64, AttributeSign *> signs;
    return signs;
}

quint64 s_iNextId = 1;

const QLatin1String kDragPrefix("tevrin-attribute-sign:");

bool RowAlive(const AttributeSign *sign) { return sign && sign->GetRow() && sign->GetRow()->IsNodeAlive(); }

}  // namespace

void FireConnectionGate()
{
    General::EventGate &gate = General::ConnectionGate();
    try {
        gate.SetValue(gate.GetValue() + 1);
    } catch (const General::Error &error) {
        error.Show(QString());
    }
}

AttributeSign::AttributeSign(AttributeWidget *row) : QLabel(row), m_pRow(row), m_iId(s_iNextId++)
{
    setAcceptDrops(true);
    setFixedWidth(16);
    LiveSigns()[m_iId] = this;
}

AttributeSign::~AttributeSign() { LiveSigns().erase(m_iId); }

QString AttributeSign::DragText() const { return kDragPrefix + QString::number(m_iId); }

AttributeSign *AttributeSign::FromDragText(const QString &text)
{
    if (!text.startsWith(kDragPrefix))
        return nullptr;
    bool ok = false;
    const quint64 id = text.mid(kDragPrefix.size()).toULongLong(&ok);
    if (!ok)
        return nullptr;
    const auto found = LiveSigns().find(id);
    return found == LiveSigns().end() ? nullptr : found->second;
}

void AttributeSign::Refresh()
{
    if (!RowAlive(this))
        return;
    const General::Attribute *attribute = m_pRow->GetAttribute();
    int targets = 0;
    for (unsigned i = 0; i < attribute->GetTargetCount(); ++i)
        if (attribute->GetTarget(i)->GetType() != General::Attribute::kTypeWatch)
            ++targets;
    const General::Attribute *source = attribute->GetSource();
    const bool hasSource = source && source->GetName() != QLatin1String("THIS");
    const char *path = hasSource && targets ? "Icons/nodeio.png"
                       : hasSource         ? "Icons/nodeinput.png"
                       : targets           ? "Icons/nodeoutput.png"
                                           : "Icons/nodeempty.png";
    setFixedWidth(16);
    setToolTip(QCoreApplication::translate("GUI::AttributeSign",
                                           "This icon represents the connection of the attribute.\n"
                                           "left click - drag&drop to another attribute to make a connection.\n"
                                           "right click - bring up a custom menu to manage connections.\n"
                                           "Current connections: source - %1, target(s) - %2")
                   .arg(hasSource ? QStringLiteral("yes") : QStringLiteral("no"))
                   .arg(targets));
    setPixmap(General::Pictures::Pixmap(QString::fromLatin1(path)));
}

void AttributeSign::RemoveSource()
{
    if (RowAlive(this))
        m_pRow->GetAttribute()->Disconnect();
}

void AttributeSign::RemoveAllTargets()
{
    if (!RowAlive(this))
        return;
    General::Attribute *attribute = m_pRow->GetAttribute();
    // Watches (the rows that show the attribute) stay connected.
    for (;;) {
        General::Attribute *target = nullptr;
        for (unsigned i = 0; i < attribute->GetTargetCount() && !target; ++i)
            if (attribute->GetTarget(i)->GetType() != General::Attribute::kTypeWatch)
                target = attribute->GetTarget(i);
        if (!target)
            break;
        target->Disconnect();
    }
}

bool AttributeSign::DropFrom(AttributeSign *dragged)
{
    if (!RowAlive(dragged) || !RowAlive(this))
        return true;
    General::Attribute *source = dragged->m_pRow->GetAttribute();
    General::Attribute *target = m_pRow->GetAttribute();
    if (source == target)
        return false;
    try {
        source->Connect(target);
    } catch (const General::Error &error) {
        error.Show(QCoreApplication::translate("GUI::AttributeSign", "Cannot connect attributes: "));
    }
    FireConnectionGate();
    return true;
}

void AttributeSign::mousePressEvent(QMouseEvent *event)
{
    if (!RowAlive(this))
        return;
    if (event->button() == Qt::LeftButton) {
        auto *data = new QMimeData;
        data->setText(DragText());
        QDrag drag(this);
        drag.setMimeData(data);
        RunDrag(drag, Qt::CopyAction, Qt::CopyAction);
    } else if (event->button() == Qt::RightButton) {
        QMenu menu(this);
        QAction *source = menu.addAction(tr("Remove Source"));
        QAction *targets = menu.addAction(tr("Remove All Targets"));
        QAction *chosen = menu.exec(event->globalPosition().toPoint());
        // The menu may have outlived the row's node.
        if (chosen == source)
            RemoveSource();
        else if (chosen == targets)
            RemoveAllTargets();
        FireConnectionGate();
    }
}

void AttributeSign::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void AttributeSign::dragMoveEvent(QDragMoveEvent *event)
{
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void AttributeSign::dropEvent(QDropEvent *event)
{
    AttributeSign *dragged = FromDragText(event->mimeData()->text());
    if (dragged && !DropFrom(dragged))
        return;
    event->acceptProposedAction();
}

}  // namespace GUI
