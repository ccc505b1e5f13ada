#include "gui/panels/TabPanel.h"

#include "foundation/ShellServices.h"
#include "gui/common/DragRunner.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/DialogFactory.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/panels/Frame.h"
#include "gui/panels/PanelWindow.h"
#include "gui/panels/ScrollWrap.h"
#include "gui/panels/TabBar.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayFile.h"
#include "interaction/Interface.h"

#include <QContextMenuEvent>
#include <QDataStream>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QScrollArea>

namespace GUI {

namespace {

bool IsSceneView(const QWidget *widget) { return widget && widget->inherits("SceneView"); }

QString ClassNameOf(const QWidget *widget)
{
    const QString name = QString::fromLatin1(widget->metaObject()->className());
    return name.contains(QLatin1String("::")) ? name.section(QLatin1String("::"), 1) : name;
}

QString ReadLabel(const QDropEvent &event)
{
    QString label;
    QDataStream in(event.mimeData()->data(TabMimeType()));
    in >> label;
    return label;
}

}  // namespace

TabPanel::TabPanel(QWidget *parent, const char *name, Frame *frame) : QTabWidget(parent), m_pFrame(frame)
{
    setObjectName(QString::fromLatin1(name));
    m_pBar = new TabBar(this);
    setTabBar(m_pBar);
    setAcceptDrops(true);
    connect(m_pBar, &TabBar::receivedDropEvent, this, &TabPanel::receivedDropEvent);
}

QWidget *TabPanel::AddTab(QWidget *widget, const QString &title)
{
    QScrollArea *page = WrapInScrollArea(widget, palette().color(QPalette::Window));
    addTab(page, title);
    return page;
}

QWidget *TabPanel::AddDialog(const QString &className, const QString &title)
{
    QString name = title;
    if (className == QLatin1String(MTray::kClassName)) {
        if (MTray *existing = FindTray(title)) {
            // Two trays of one name would share one file.
            if (title != QLatin1String("Custom")) {
                existing->BringForward();
                return existing;
            }
            name = FreeTrayName(title);
        }
    }
    QWidget *window = DialogFactory::CreateByName(className, this, name.toUtf8().constData());
    if (!window)
        return nullptr;
    AddTab(window, name);
    setCurrentIndex(count() - 1);
    // A Properties page opened here shows the node of its type and keeps it.
    if (auto *properties = qobject_cast<PropertiesDialog *>(window)) {
        properties->BuildPanel(title, PropertiesDialog::PageNode(title));
        properties->OnSetLock(PropertiesDialog::kLockObject);
    }
    return window;
}

bool TabPanel::CurrentIsTray() const
{
    QWidget *page = currentWidget();
    return page && qobject_cast<MTray *>(HostedWindow(page));
}

// --- dragging pages ------------------------------------------------------------------

void TabPanel::mousePressEvent(QMouseEvent *event)
{
    const Interface *controller = Interface::Get();
    if (event->button() == Qt::MiddleButton && (!controller || controller->m_iCurrentKey == 0)) {
        const QPoint onBar = m_pBar->mapFrom(this, event->position().toPoint());
        int index = -1;
        for (int i = 0; i < count() && index < 0; ++i)
            if (m_pBar->tabRect(i).contains(onBar))
                index = i;
        if (QWidget *page = index >= 0 ? widget(index) : nullptr) {
            const QString label = tabText(index);
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << label;
            auto *data = new QMimeData;
            data->setData(TabMimeType(), bytes);
            QDrag drag(page);
            drag.setMimeData(data);
            drag.setHotSpot(event->position().toPoint() - rect().topLeft());
            removeTab(index);
            const Qt::DropAction result = RunDrag(drag, Qt::MoveAction, Qt::MoveAction);
            if (result == Qt::MoveAction || result == Qt::CopyAction) {
                if (index == currentIndex() && index > 0)
                    setCurrentIndex(index - 1);
            } else if (indexOf(page) < 0) {
                insertTab(index, page, label);
            }
        }
    }
    QWidget::mousePressEvent(event);
}

bool TabPanel::TakesPage(const QDropEvent &event) const
{
    if (!CarriesTab(event))
        return false;
    auto *page = qobject_cast<QWidget *>(DragSource(event));
    return page != this && !page->isAncestorOf(this);
}

void TabPanel::dragEnterEvent(QDragEnterEvent *event)
{
    if (TakesPage(*event))
        event->acceptProposedAction();
    else
        QTabWidget::dragEnterEvent(event);
}

void TabPanel::dragMoveEvent(QDragMoveEvent *event)
{
    if (TakesPage(*event))
        event->acceptProposedAction();
    else
        QTabWidget::dragMoveEvent(event);
}

void TabPanel::receivedDropEvent(int index, QDropEvent *event)
{
    if (!TakesPage(*event)) {
        event->ignore();
        return;
    }
    auto *page = qobject_cast<QWidget *>(DragSource(*event));
    // The page that was current stays current.
    QWidget *current = currentWidget();
    insertTab(index, page, ReadLabel(*event));
    if (current)
        setCurrentWidget(current);
    event->acceptProposedAction();
}

void TabPanel::dropEvent(QDropEvent *event)
{
    if (!TakesPage(*event)) {
        QTabWidget::dropEvent(event);
        return;
    }
    addTab(qobject_cast<QWidget *>(DragSource(*event)), ReadLabel(*event));
    event->acceptProposedAction();
}

// --- the context menu ------------------------------------------------------------------

QMenu *TabPanel::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    if (m_bTabCommands && currentWidget()) {
        menu->addAction(tr("Close Tab"), this, &TabPanel::CloseTab);
        menu->addAction(tr("Rename Tab"), this, &TabPanel::RenameTab)->setEnabled(CurrentIsTray());
        menu->addAction(tr("Chip Off Tab"), this, &TabPanel::ChipOffTab);
    }
    QMenu *newTab = menu->addMenu(tr("New Tab"));
    const auto addEntry = [this](QMenu *into, const QString &text, const QString &className) {
        QAction *action = into->addAction(text);
        action->setWhatsThis(className);
        connect(action, &QAction::triggered, this, [this, text, className] { AddDialog(className, text); });
    };
    for (int i = 0; i < DialogFactory::GetCount(); ++i) {
        const QString title = DialogFactory::GetTitle(i);
        if (title != QLatin1String("Tray") && title != QLatin1String("Properties") &&
            title != QLatin1String("Node View"))
            addEntry(newTab, tr(title.toUtf8().constData()), DialogFactory::GetClassName(i));
    }
    QMenu *properties = newTab->addMenu(tr("Properties"));
    for (const char *page : {"Brush", "Camera", "Geometry", "Light", "Material", "Stencil", "ImagePlane"})
        addEntry(properties, QString::fromLatin1(page), QStringLiteral("PropertiesDialog"));
    QMenu *trays = newTab->addMenu(tr("Trays"));
    for (const QString &tray : TrayNames())
        addEntry(trays, tray, QLatin1String(MTray::kClassName));
    trays->addSeparator();
    addEntry(trays, QStringLiteral("Custom"), QLatin1String(MTray::kClassName));
    return menu;
}

void TabPanel::contextMenuEvent(QContextMenuEvent *event)
{
    // The page commands act on the current page: a right-click on a tab makes that tab
    // current first, so the menu never closes or floats a page other than the clicked one.
    const int clicked = m_pBar->tabAt(m_pBar->mapFrom(this, event->pos()));
    if (clicked >= 0)
        setCurrentIndex(clicked);
    QMenu *menu = CreateContextMenu(this);
    menu->exec(event->globalPos());
    delete menu;
}

void TabPanel::CloseTab()
{
    QWidget *page = currentWidget();
    if (!m_bTabCommands || !page)
        return;
    if (IsSceneView(page)) {
        General::Shell().CriticalMessage(tr("Cannot close the active scene view!"));
        return;
    }
    removeTab(currentIndex());
    page->hide();
    delete page;
}

void TabPanel::RenameTab()
{
    // Only tray pages take a name: other windows (the 3D view among them) are found by theirs.
    QWidget *page = currentWidget();
    auto *tray = page ? qobject_cast<MTray *>(HostedWindow(page)) : nullptr;
    if (!m_bTabCommands || !tray)
        return;
    QString name = tabText(currentIndex());
    if (!Modals().GetText(this, QString::fromLatin1(General::ProgramTitle()), tr("Enter new name:"), name) ||
        name.isEmpty())
        return;
    // The name names the tray's file and comes back from the Trays menu whole.
    const MTray *other = FindTray(name);
    if (!IsValidTrayName(name) || (other && other != tray)) {
        General::Shell().SetStatusMessage(tr("A tray cannot take this name"), 2);
        return;
    }
    tray->SetTrayName(name);
    setTabText(currentIndex(), name);
}

void TabPanel::ChipOffTab()
{
    QWidget *page = currentWidget();
    if (!m_bTabCommands || !page || IsSceneView(page))
        return;
    QWidget *window = HostedWindow(page);
    if (!window || IsSceneView(window) || ClassNameOf(window) == QLatin1String("SceneView"))
        return;
    const QString label = tabText(currentIndex());
    removeTab(currentIndex());
    // The window floats on its own; its page goes.
    if (auto *area = qobject_cast<QScrollArea *>(page))
        area->takeWidget();
    window->setParent(this->window(), kFloatingPanelFlags);
    window->setWindowTitle(label);
    window->show();
    if (page != window) {
        page->hide();
        delete page;
    }
}

void TabPanel::NewTab()
{
    addTab(new QWidget, tr("New"));
    setCurrentIndex(count() - 1);
}

void TabPanel::ChipOffFrame()
{
    if (m_pFrame)
        m_pFrame->setFloating(true);
}

void TabPanel::CloseFrame()
{
    if (m_pFrame)
        m_pFrame->hide();
}

}  // namespace GUI
