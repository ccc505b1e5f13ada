#include "gui/trays/MTray.h"

#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "foundation/images/Pictures.h"
#include "gui/common/ImageChooser.h"
#include "gui/common/ModalDialogs.h"
#include "gui/common/Trays.h"
#include "gui/trays/TrayButton.h"
#include "gui/trays/TrayFile.h"
#include "gui/trays/TrayItem.h"
#include "gui/trays/TrayItemList.h"
#include "platform/WholeFiles.h"
#include "interaction/Interface.h"
#include "scene/Brush.h"

#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace GUI {

DialogChain MTray::s_chain;

namespace {

// The scroll area's height before the tray holds a button.
constexpr int kLeastScrollHeight = 42;

QString MenuText(const char *text) { return QCoreApplication::translate("GUI::MTray", text, "Menu Item"); }

void DuplicateNameMessage()
{
    General::Shell().SetStatusMessage(
        QCoreApplication::translate("GUI::MTray", "The tray already has an item with this name"), 0);
}

}  // namespace

MTray::MTray(QWidget *parent, const char *name) : MTray(parent, QString::fromUtf8(name ? name : "")) {}

MTray::MTray(QWidget *parent, const QString &name) : Dialog(parent, nullptr)
{
    setObjectName(name.isEmpty() ? QStringLiteral("unknown_tray") : name);
    CreateMenu();
    CreateWidgets();
    if (!parent)
        resize(width(), 50);
    UpdateActions();
    connect(m_pGrid, &TrayItemList::insertNewItem, this, &MTray::slotInsertNewItem);
    connect(m_pGrid, &TrayItemList::buttonTaken, this, &MTray::OnButtonTaken);
    Load();
    s_chain.Link(this);
}

MTray::~MTray()
{
    Save();
    s_chain.Unlink(this);
}

void MTray::CreateMenu()
{
    m_pMenu = new QMenu(this);
    QMenu *add = m_pMenu->addMenu(MenuText("&Add"));
    for (const QString &kind : General::TrayItemTypes()) {
        QAction *action = add->addAction(kind);
        action->setWhatsThis(kind);
    }
    m_pDelete = m_pMenu->addAction(MenuText("&Delete"), this, &MTray::slotDelete);
    m_pRename = m_pMenu->addAction(MenuText("&Rename"), this, &MTray::slotRename);
}

void MTray::CreateWidgets()
{
    m_pGrid = new TrayItemList(nullptr);
    m_pScroll = new QScrollArea(this);
    m_pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pScroll->setFocusPolicy(Qt::NoFocus);
    m_pScroll->setFrameShape(QFrame::NoFrame);
    m_pScroll->setFrameShadow(QFrame::Plain);
    m_pScroll->setWidgetResizable(true);
    m_pScroll->setWidget(m_pGrid);
    m_pScroll->setMinimumHeight(kLeastScrollHeight);
    // The grid follows the room the scroll area gives it, which changes after the tray's own
    // resize and, for a tab shown later, only when it is first shown.
    m_pScroll->viewport()->installEventFilter(this);

    m_pMenuButton = new QToolButton(this);
    m_pMenuButton->setObjectName(QStringLiteral("menu"));
    m_pMenuButton->setAutoRaise(true);
    m_pMenuButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/menuTriangle.png")));
    m_pMenuButton->setArrowType(Qt::DownArrow);
    m_pMenuButton->setFixedSize(20, 20);
    m_pMenuButton->installEventFilter(this);

    auto *column = new QVBoxLayout;
    column->setObjectName(QStringLiteral("vboxLayout"));
    column->setSpacing(6);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_pMenuButton);
    column->addItem(new QSpacerItem(20, 21, QSizePolicy::Minimum, QSizePolicy::Expanding));

    auto *row = new QHBoxLayout(this);
    row->setObjectName(QStringLiteral("hboxLayout"));
    row->setSpacing(6);
    row->setContentsMargins(4, 4, 4, 4);
    row->addLayout(column);
    row->addWidget(m_pScroll);
}

// --- items -------------------------------------------------------------------------------

TrayItem *MTray::AddItem(std::unique_ptr<TrayItem> item)
{
    if (!item)
        return nullptr;
    if (m_pGrid->FindByName(item->GetName())) {
        DuplicateNameMessage();
        return nullptr;
    }
    TrayItem *added = item.get();
    m_pGrid->InsertItem(std::move(item), m_pGrid->Count());
    FitGrid();
    added->OnAdded();
    UpdateActions();
    return added;
}

TrayItem *MTray::InsertItem(std::unique_ptr<TrayItem> item, int index)
{
    if (!item)
        return nullptr;
    TrayItem *added = item.get();
    m_pGrid->InsertItem(std::move(item), index);
    FitGrid();
    UpdateActions();
    return added;
}

std::vector<TrayItem *> MTray::GetItems() const { return m_pGrid->GetItems(); }

QTrayItem *MTray::GetCurrentButton() const
{
    return m_pCurrent && m_pGrid->IndexOf(m_pCurrent) >= 0 ? m_pCurrent.data() : nullptr;
}

void MTray::OnButtonTaken(QTrayItem *button)
{
    disconnect(button, nullptr, this, nullptr);
    if (m_pCurrent == button)
        m_pCurrent = nullptr;
    UpdateActions();
}

void MTray::UpdateActions()
{
    const bool current = GetCurrentButton() != nullptr;
    m_pDelete->setEnabled(current);
    m_pRename->setEnabled(current);
}

void MTray::FitGrid()
{
    const int width = m_pScroll->viewport()->width();
    m_pGrid->Fit(width > 0 ? width : m_pGrid->width());
    // A dock kept at its smallest shows two whole rows, never a row cut in half.
    m_pScroll->setMinimumHeight(std::max(kLeastScrollHeight, m_pGrid->RowsHeight(2)));
    // A dock's tab page scrolls the tray as a whole and would hide that least height.
    QWidget *viewport = parentWidget();
    auto *page = qobject_cast<QScrollArea *>(viewport ? viewport->parentWidget() : nullptr);
    if (page && page->widget() == this)
        page->setMinimumHeight(minimumSizeHint().height() + 2 * page->frameWidth());
}

void MTray::resizeEvent(QResizeEvent *event)
{
    Dialog::resizeEvent(event);
    FitGrid();
}

void MTray::Refresh()
{
    Dialog::Refresh();
    for (QTrayItem *button : m_pGrid->Buttons())
        button->update();
}

// --- selection ---------------------------------------------------------------------------

void MTray::slotInsertNewItem(QTrayItem *button)
{
    connect(button, &QTrayItem::toggled, this, &MTray::slotTrayItemToggled, Qt::UniqueConnection);
}

void MTray::slotTrayItemToggled(bool on)
{
    auto *button = qobject_cast<QTrayItem *>(sender());
    if (!button || m_pGrid->IndexOf(button) < 0)
        return;
    if (button != GetCurrentButton()) {
        if (on) {
            m_pCurrent = button;
            for (QTrayItem *other : m_pGrid->Buttons())
                if (other != button && other->isChecked()) {
                    other->setChecked(false);
                    other->setDown(false);
                }
            button->GetItem()->Activate();
        }
        UpdateActions();
        return;
    }
    // The current button stays checked; checking it again applies its item again.
    if (on)
        button->GetItem()->Activate();
    else
        button->setChecked(true);
}

void MTray::Select(int position)
{
    QTrayItem *target = m_pGrid->ButtonAt(position - 1);
    const QSignalBlocker blocker(m_pGrid);
    for (QTrayItem *button : m_pGrid->Buttons()) {
        if (button != target) {
            button->setDown(false);
            continue;
        }
        if (button->isDown())
            continue;
        button->setDown(true);
        button->setChecked(true);
        m_iPrevious = m_iPosition;
        m_iPosition = position;
        m_bReturn = false;
    }
}

void MTray::Restore()
{
    if (!m_bReturn)
        return;
    m_bReturn = false;
    Select(m_iPrevious);
}

// --- the menu ----------------------------------------------------------------------------

bool MTray::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pScroll->viewport() && event->type() == QEvent::Resize) {
        FitGrid();
        return false;
    }
    if (watched == m_pMenuButton && event->type() == QEvent::MouseButtonPress) {
        m_pMenuButton->animateClick();
        const QAction *chosen = m_pMenu->exec(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        if (chosen && !chosen->whatsThis().isEmpty())
            slotAdd(chosen->whatsThis());
        return true;
    }
    return Dialog::eventFilter(watched, event);
}

void MTray::slotAdd(const QString &kind)
{
    if (kind == QLatin1String("Stamp") || kind == QLatin1String("Stencil")) {
        const QStringList files = Modals().GetOpenFileNames(
            window(), tr("Choose an image file"), TrayServices::Get().GetImageFolder(kind), ImageFileFilter());
        for (const QString &file : files) {
            const QFileInfo info(file);
            TrayServices::Get().SetImageFolder(kind, info.absolutePath());
            AddItem(CreateTrayItem(kind, file, file, info.baseName()));
        }
        return;
    }
    if (kind == QLatin1String("Falloff")) {
        Interface *controller = Interface::Get();
        auto curve = std::make_unique<General::NURBSCurve>(3);
        if (controller && controller->m_pCurrentTool)
            *curve = controller->m_pCurrentTool->m_falloff;
        Brush::Falloffs().push_back(std::move(curve));
        AddItem(CreateTrayItem(kind, QString(), QString(), QString()));
        return;
    }
    QString name;
    if (!Modals().GetText(this, QCoreApplication::translate("GUI::MTray", "%1 Name", "Window Caption").arg(kind),
                          QCoreApplication::translate("GUI::MTray", "Name : ", "Label"), name))
        return;
    AddItem(CreateTrayItem(kind, name, QString(), name));
}

void MTray::slotDelete()
{
    QTrayItem *button = GetCurrentButton();
    if (!button)
        return;
    button->GetItem()->OnRemoved();
    m_pGrid->DeleteButton(button);
    m_pCurrent = nullptr;
    FitGrid();
    UpdateActions();
}

void MTray::slotRename()
{
    QTrayItem *button = GetCurrentButton();
    if (!button)
        return;
    QString name = button->GetItem()->GetName();
    if (!Modals().GetText(this, QCoreApplication::translate("GUI::MTray", "Item Name", "Window Caption"),
                          QCoreApplication::translate("GUI::MTray", "Name : ", "Label"), name))
        return;
    // Two items of one name would lose one at the next load.
    if (m_pGrid->FindByName(name, button)) {
        DuplicateNameMessage();
        return;
    }
    button->GetItem()->Rename(name);
    button->GetItem()->OnRenamed();
    button->ShowItem();
}

// --- the file ----------------------------------------------------------------------------

QString MTray::FilePath() const
{
    return IsValidTrayName(objectName()) ? TrayFilePath(General::TraysFolder(), objectName()) : QString();
}

bool MTray::Save() const
{
    const QString path = FilePath();
    if (path.isEmpty() || General::TraysFolder().isEmpty() || m_bFileRefused)
        return false;
    std::vector<TrayLine> lines;
    for (const TrayItem *item : GetItems())
        if (item->GetType() != QLatin1String("Camera Bookmark"))
            lines.push_back(TrayLine{item->GetType(), item->GetName(), item->GetIcon(), item->GetLabel()});
    QString error;
    if (WriteTrayFile(path, lines, &error))
        return true;
    Log("%s\n", error.toUtf8().constData());
    return false;
}

void MTray::Load()
{
    const QString path = FilePath();
    if (path.isEmpty() || General::TraysFolder().isEmpty())
        return;
    QString error;
    bool notTray = false;
    const std::vector<TrayLine> lines = ReadTrayFile(path, &error, &notTray, General::TrayItemTypes());
    // A file that is not tray text is kept aside and this tray's items written at exit; one
    // that could not be read at all is left where it is, and not written.
    const QString kept = notTray ? KeepAside(path) : QString();
    m_bFileRefused = !error.isEmpty() && kept.isEmpty();
    if (!error.isEmpty()) {
        if (!kept.isEmpty())
            error += QCoreApplication::translate("MTray", " It was moved to %1.").arg(kept);
        Log("%s\n", error.toUtf8().constData());
        General::Shell().ShowMessage(General::ShellServices::kWarning, QString::fromLatin1(General::ProgramTitle()),
                                     error);
    }
    for (const TrayLine &line : lines)
        AddItem(CreateTrayItem(line.type, line.name, line.icon, line.label));
}

void MTray::SetTrayName(const QString &name)
{
    const QString old = FilePath();
    setObjectName(name);
    // The old file would come back at the next start as a tray of the old name.
    if (Save() && !old.isEmpty() && old != FilePath())
        QFile::remove(old);
}

void MTray::BringForward()
{
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(ancestor)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i) == this || tabs->widget(i)->isAncestorOf(this))
                    tabs->setCurrentIndex(i);
        } else if (auto *dock = qobject_cast<QDockWidget *>(ancestor)) {
            dock->show();
            dock->raise();
        }
    }
    if (isWindow()) {
        show();
        raise();
    }
}

// --- the chain ---------------------------------------------------------------------------

namespace {

template <class Visit>
void ForEachTray(Visit visit)
{
    for (Dialog *tray = MTray::First(); tray; tray = tray->GetNext())
        visit(*static_cast<MTray *>(tray));
}

bool SameName(const QString &a, const QString &b) { return QString::localeAwareCompare(a, b) == 0; }

}  // namespace

MTray *FindTray(const QString &name)
{
    MTray *found = nullptr;
    ForEachTray([&](MTray &tray) {
        if (!found && SameName(tray.objectName(), name))
            found = &tray;
    });
    return found;
}

std::vector<MTray *> AllTrays()
{
    std::vector<MTray *> trays;
    ForEachTray([&](MTray &tray) { trays.insert(trays.begin(), &tray); });
    return trays;
}

QStringList TrayNames()
{
    QStringList names;
    for (const MTray *tray : AllTrays())
        names << tray->objectName();
    return names;
}

QString FreeTrayName(const QString &base)
{
    QString name = base;
    for (int n = 2; FindTray(name); ++n)
        name = QStringLiteral("%1 %2").arg(base).arg(n);
    return name;
}

void RepaintTrayItems(const QString &type)
{
    ForEachTray([&](MTray &tray) {
        for (QTrayItem *button : tray.GetGrid()->Buttons())
            if (type.isEmpty() || button->GetItem()->GetType() == type)
                button->repaint();
    });
}

void CheckTrayItemByName(const QString &type, const QString &name)
{
    ForEachTray([&](MTray &tray) {
        const QSignalBlocker blocker(tray.GetGrid());
        for (QTrayItem *button : tray.GetGrid()->Buttons()) {
            const TrayItem *item = button->GetItem();
            if (SameName(item->GetType(), type) && SameName(item->GetName(), name)) {
                if (!button->isDown()) {
                    button->setDown(true);
                    button->setChecked(true);
                }
            } else {
                button->setDown(false);
            }
        }
    });
}

void SelectTrayItem(const QString &name, int position)
{
    if (MTray *tray = FindTray(name))
        tray->Select(position);
}

void MarkTraySelectionTemporary(const QString &name)
{
    ForEachTray([&](MTray &tray) {
        if (SameName(tray.objectName(), name))
            tray.MarkTemporary();
    });
}

void RestoreTraySelection(const QString &name)
{
    ForEachTray([&](MTray &tray) {
        if (SameName(tray.objectName(), name))
            tray.Restore();
    });
}

}  // namespace GUI
