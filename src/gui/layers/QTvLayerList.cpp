#include "gui/layers/QTvLayerList.h"

#include "foundation/images/Pictures.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layers/LayerCommands.h"
#include "gui/layers/LayerList.h"
#include "gui/layers/QLayerListDelegate.h"
#include "interaction/Interface.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/Object.h"
#include "operations/LayerOperation.h"
#include "scene/Scene.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDropEvent>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QScrollBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

using Operations::LayerOperation;

namespace GUI {

// --- the tree ----------------------------------------------------------------------------

QTvLayerList::QTvLayerList(QWidget *parent) : QTvTreeWidget(parent), m_pDelegate(new QLayerListDelegate(this))
{
    setDropIndicatorShown(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFocusPolicy(Qt::NoFocus);
    setRootIsDecorated(true);
    setIndentation(6);
    header()->setSectionsMovable(false);
    setHeaderLabels({tr("Name"), tr("Transparency"), QString(), QString(), tr("Lvl")});
    setItemsExpandable(true);
    setItemDelegate(m_pDelegate);
    TV_ASSERT(connect(m_pDelegate, &QAbstractItemDelegate::commitData, this, &QTvLayerList::slotEditingFinished));
    TV_ASSERT(connect(m_pDelegate, &QLayerListDelegate::sliderDragged, this, [this](bool pressed) {
        m_bSliderDrag = pressed;
        m_bDragActionStarted = false;
    }));
    // Visible button, lock button, level, name, transparency.
    header()->moveSection(header()->visualIndex(kVisible), 0);
    header()->moveSection(header()->visualIndex(kLocked), 1);
    header()->moveSection(header()->visualIndex(kLevel), 2);
    for (int column : {kVisible, kLocked, kLevel})
        header()->resizeSection(column, QLayerListDelegate::kRowHeight);
    header()->resizeSection(kName, kNameWidth);
    header()->resizeSection(kTransparency, kTransparencyWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize QTvLayerList::sizeHint() const
{
    const int columns = 3 * QLayerListDelegate::kRowHeight + kNameWidth + kTransparencyWidth + indentation();
    return QSize(columns + 2 * frameWidth() + verticalScrollBar()->sizeHint().width(),
                 QTvTreeWidget::sizeHint().height());
}

bool QTvLayerList::TakeTransparencyActionStart()
{
    if (!m_bSliderDrag)
        return true;
    const bool first = !m_bDragActionStarted;
    m_bDragActionStarted = true;
    return first;
}

void QTvLayerList::OpenEditors(QTreeWidgetItem *item)
{
    if (!item)
        return;
    for (int column : {kTransparency, kVisible, kLocked, kLevel})
        openPersistentEditor(item, column);
    for (int i = 0; i < item->childCount(); ++i)
        OpenEditors(item->child(i));
}

void QTvLayerList::slotEditingFinished(QWidget *editor)
{
    if (!qobject_cast<QLineEdit *>(editor) || !currentItem())
        return;
    closePersistentEditor(currentItem(), kName);
    setFocusPolicy(Qt::NoFocus);
}

void QTvLayerList::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || index.column() != kName)
        return;
    if (auto *item = dynamic_cast<QTvLayerListItem *>(itemFromIndex(index))) {
        setFocusPolicy(Qt::StrongFocus);
        openPersistentEditor(item, kName);
    }
}

void QTvLayerList::dropEvent(QDropEvent *event)
{
    // The listeners may have rebuilt the rows: the dragged row is looked up again by its id.
    const QByteArray data = event->mimeData() ? event->mimeData()->data(QLatin1String(kMimeType)) : QByteArray();
    QTvTreeWidget::dropEvent(event);
    QDataStream stream(data);
    quint64 id = 0;
    stream >> id;
    OpenEditors(ItemOfRowId(id));
    event->acceptProposedAction();
    viewport()->update();
}

void QTvLayerList::drawRow(QPainter *painter, const QStyleOptionViewItem &options, const QModelIndex &index) const
{
    QTvTreeWidget::drawRow(painter, options, index);
    painter->save();
    painter->setPen(QPen(Qt::lightGray, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    const int y = options.rect.bottom();
    painter->drawLine(0, y, viewport()->width(), y);
    painter->restore();
}

// --- one row -----------------------------------------------------------------------------

QTvLayerListItem::QTvLayerListItem(LayerList *owner, Layer3D *layer)
    : QTreeWidgetItem(0), m_pLayer(layer), m_pOwner(owner)
{
}

QTvLayerListItem *QTvLayerListItem::Create(QTvLayerList *list, LayerList *owner, QTreeWidgetItem *parent,
                                           Layer3D *layer)
{
    auto *item = new QTvLayerListItem(owner, layer);
    if (parent)
        parent->addChild(item);
    else
        list->addTopLevelItem(item);
    for (int column : {QTvLayerList::kTransparency, QTvLayerList::kVisible, QTvLayerList::kLocked,
                       QTvLayerList::kLevel})
        list->openPersistentEditor(item, column);
    return item;
}

QTvLayerListItem::~QTvLayerListItem() = default;

Object *QTvLayerListItem::GetObject() const { return m_pOwner ? m_pOwner->GetObject() : nullptr; }

QVariant QTvLayerListItem::data(int column, int role) const
{
    // The symmetry target's name carries a star.
    if (column == QTvLayerList::kName && (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
        Object *object = GetObject();
        if (!m_pLayer || !object || object->m_pSecondLayer != m_pLayer)
            return QVariant();
        if (role == Qt::ToolTipRole)
            return QCoreApplication::translate("GUI::LayerList", "Mirror and flip write into this layer");
        return General::Pictures::Icon(QStringLiteral("Icons/star.png"));
    }
    if (role != Qt::DisplayRole || column > QTvLayerList::kLevel)
        return QTreeWidgetItem::data(column, role);
    Object *object = GetObject();
    // A row may outlive its layer until the tree is rebuilt: it then shows nothing.
    if (!object || (m_pLayer && object->GetLayerIndex(m_pLayer) < 0))
        return QVariant();
    if (m_pLayer) {
        switch (column) {
        case QTvLayerList::kName:
            return m_pLayer->GetName();
        case QTvLayerList::kTransparency:
            return double(m_pLayer->GetStrength()) * 100.0;
        case QTvLayerList::kVisible:
            return m_pLayer->IsVisible();
        case QTvLayerList::kLocked:
            return m_pLayer->IsLocked();
        default:
            return m_pLayer->GetLevelIndex() < 0 ? QStringLiteral("-")
                                                 : QStringLiteral("%1").arg(m_pLayer->GetLevelIndex());
        }
    }
    switch (column) {
    case QTvLayerList::kName:
        return object->General::Node::GetName();
    case QTvLayerList::kTransparency: {
        Surface::Material *material = object->GetMaterial();
        return material ? double(material->m_aTransparency.GetValue()) * 100.0 : 0.0;
    }
    case QTvLayerList::kVisible:
        return object->m_bVisible;
    case QTvLayerList::kLocked:
        return object->m_bLocked;
    default:
        return QStringLiteral("-");
    }
}

void QTvLayerListItem::setData(int column, int role, const QVariant &value)
{
    // Other roles (the drag id among them) are the plain item's.
    if ((role != Qt::EditRole && role != Qt::DisplayRole) || column > QTvLayerList::kLocked) {
        QTreeWidgetItem::setData(column, role, value);
        return;
    }
    Object *object = GetObject();
    if (!object || !m_pOwner || (m_pLayer && object->GetLayerIndex(m_pLayer) < 0))
        return;
    switch (column) {
    case QTvLayerList::kName: {
        const QString name = value.toString();
        if (m_pLayer) {
            if (name == m_pLayer->GetName())
                return;
            LayerOperation rename(object, LayerOperation::kRename, m_pLayer, name);
            LayerCommands::Run(rename, true);
            return;
        }
        if (name == object->General::Node::GetName() || name.isEmpty())
            return;
        object->SetObjectName(name);
        if (PropertiesDialog *properties = PropertiesDialog::First())
            properties->ShowNode(QStringLiteral("Geometry"), object);
        InteractionHost().RefreshObjectList();
        return;
    }
    case QTvLayerList::kTransparency:
        SetTransparency(float(value.toDouble() / 100.0));
        return;
    case QTvLayerList::kVisible: {
        const bool visible = value.toBool();
        if (m_bBusy || !m_pOwner->isEnabled())
            return;
        if (m_pLayer ? m_pLayer->IsVisible() == visible : object->m_bVisible == visible)
            return;
        m_bBusy = true;
        m_pOwner->setEnabled(false);
        bool refused = false;
        if (m_pLayer) {
            LayerOperation show(object, LayerOperation::kVisibility, m_pLayer, visible);
            LayerCommands::Run(show, true);
            refused = m_pLayer->IsVisible() != visible;
        } else {
            object->m_bVisible = visible;
            if (Scene *scene = Scene::GetCurrent())
                scene->HideFaces(!visible, object);
            Interface::Redraw();
        }
        m_bBusy = false;
        m_pOwner->setEnabled(true);
        if (refused)
            m_pOwner->RequestRebuild();
        return;
    }
    case QTvLayerList::kLocked: {
        const bool locked = value.toBool();
        if (m_pLayer) {
            m_pLayer->SetLocked(locked);
            return;
        }
        object->m_bLocked = locked;
        if (PropertiesDialog *properties = PropertiesDialog::First())
            properties->ShowNode(QStringLiteral("Geometry"), object);
        Interface::Redraw();
        return;
    }
    default:
        return;
    }
}

void QTvLayerListItem::ApplyPending()
{
    if (m_fPendingTransparency == kNonePending || m_bBusy || !m_pOwner->isEnabled())
        return;
    const float value = m_fPendingTransparency;
    m_fPendingTransparency = kNonePending;
    SetTransparency(value);
}

bool QTvLayerListItem::ApplyTransparency(float value)
{
    Object *object = GetObject();
    if (m_pLayer) {
        if (m_pLayer->GetStrength() == value)
            return true;
        auto *tree = static_cast<QTvLayerList *>(treeWidget());
        const bool first = !tree || tree->TakeTransparencyActionStart();
        LayerOperation change(object, LayerOperation::kTransparency, m_pLayer, value);
        LayerCommands::Run(change, first);
        return m_pLayer->GetStrength() == value;
    }
    Surface::Material *material = object->GetMaterial();
    if (!material)
        return false;
    material->m_aTransparency.SetValue(value);
    Interface::Redraw();
    return material->m_aTransparency.GetValue() == value;
}

void QTvLayerListItem::SetTransparency(float value)
{
    // Steps that arrive while one runs, or while the window is shut, wait as one pending
    // value: the latest replaces any older one and is applied next.
    if (m_bBusy || !m_pOwner->isEnabled()) {
        m_fPendingTransparency = value;
        return;
    }
    // A value waiting from before is older than this one.
    m_fPendingTransparency = kNonePending;
    for (;;) {
        m_bBusy = true;
        const bool applied = ApplyTransparency(value);
        m_bBusy = false;
        if (!applied) {
            m_fPendingTransparency = kNonePending;
            m_pOwner->RequestRebuild();
            return;
        }
        if (m_fPendingTransparency == kNonePending || !m_pOwner->isEnabled())
            return;
        value = m_fPendingTransparency;
        m_fPendingTransparency = kNonePending;
    }
}

}  // namespace GUI
