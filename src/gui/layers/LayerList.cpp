#include "gui/layers/LayerList.h"

#include "foundation/Diagnostics.h"
#include "foundation/images/Pictures.h"
#include "gui/layers/LayerCommands.h"
#include "gui/layers/LayerListHost.h"
#include "gui/layers/QTvLayerList.h"
#include "gui/properties/ObjectInfo.h"
#include "interaction/Interface.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/Object.h"
#include "operations/LayerOperation.h"
#include "scene/Scene.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <tuple>

using Operations::LayerOperation;

namespace GUI {

namespace {

Object *ActiveObject()
{
    Interface *controller = Interface::Get();
    return controller ? controller->m_pActiveObject : nullptr;
}

bool SceneHasObjects()
{
    Scene *scene = Scene::GetCurrent();
    return scene && scene->GetObjectCount() > 0;
}

}  // namespace

LayerList::LayerList(QWidget *parent, const char *name) : Dialog(parent, name)
{
    setObjectName(QStringLiteral("Layers"));
    Chain().Link(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setAlignment(Qt::AlignTop);

    auto *top = new QHBoxLayout;
    top->setSpacing(4);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSizeConstraint(QLayout::SetFixedSize);
    m_pMenuButton = new QToolButton(this);
    m_pMenuButton->setObjectName(QStringLiteral("Menu"));
    const QIcon menuIcon(QStringLiteral("Icons/menuTriangle.png"));
    m_pMenuButton->setIcon(menuIcon);
    // Without its picture the button still shows where the menu is.
    if (menuIcon.availableSizes().isEmpty())
        m_pMenuButton->setArrowType(Qt::DownArrow);
    m_pMenuButton->setAutoRaise(true);
    m_pMenuButton->setFixedSize(20, 20);
    m_pMenuButton->installEventFilter(this);
    top->addWidget(m_pMenuButton);
    m_pShow = new QCheckBox(tr("Show Mask"), this);
    m_pShow->setObjectName(QStringLiteral("ShowMask"));
    m_pShow->setChecked(LayerListHost::Get().ShowLayerMask());
    top->addWidget(m_pShow, 0, Qt::AlignLeft);
    TV_ASSERT(connect(m_pShow, &QCheckBox::toggled, this, &LayerList::OnShowToggled));
    m_pLockButton = new QPushButton(this);
    m_pLockButton->setObjectName(QStringLiteral("LockWindow"));
    m_pLockButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/lock.png")));
    m_pLockButton->setCheckable(true);
    m_pLockButton->setIconSize(QSize(11, 11));
    m_pLockButton->setFixedSize(16, 16);
    TV_ASSERT(connect(m_pLockButton, &QPushButton::toggled, this, &LayerList::OnSetLock));
    top->addWidget(m_pLockButton);
    top->addSpacing(4);
    layout->addLayout(top);

    auto *rows = new QHBoxLayout;
    rows->setSpacing(0);
    rows->setContentsMargins(0, 0, 0, 0);
    m_pTree = new QTvLayerList(this);
    ApplyPalette();
    rows->addWidget(m_pTree);
    layout->addLayout(rows);
    m_pInfo = new ObjectInfo(this, "objinfo", false);
    m_pInfo->setObjectName(QStringLiteral("objinfo"));
    layout->addWidget(m_pInfo);
    TV_ASSERT(connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, &LayerList::OnSelect));
    TV_ASSERT(connect(m_pTree, &QTvTreeWidget::itemReparented, this, &LayerList::OnReparent));
    TV_ASSERT(connect(m_pTree, &QTvTreeWidget::itemMoved, this, &LayerList::OnMove));

    UpdateLayers(false);
    if (qApp)
        TV_ASSERT(connect(qApp, &QCoreApplication::aboutToQuit, this, &LayerList::aboutToQuit));
    SetWhatsThis(this);
}

LayerList::~LayerList()
{
    Chain().Unlink(this);
    // The rows ask this window for their object: they go while it is still whole.
    m_bRebuilding = true;
    delete m_pTree;
}

DialogChain &LayerList::Chain()
{
    static DialogChain chain;
    return chain;
}

void LayerList::UpdateEverywhere(bool force)
{
    for (Dialog *window = Chain().First(); window; window = window->GetNext())
        static_cast<LayerList *>(window)->UpdateLayers(force);
}

void LayerList::ForgetObjectEverywhere(Object *object)
{
    for (Dialog *window = Chain().First(); window; window = window->GetNext())
        static_cast<LayerList *>(window)->ForgetObject(object);
}

void LayerList::ForgetObject(Object *object)
{
    if (!object || object != m_pObject)
        return;
    // The rows read the object's layers: they go at once, and the window follows the
    // active object again.
    m_pObject = nullptr;
    m_pInfo->SetObject(nullptr);
    OnSetLock(false);
    m_bRebuilding = true;
    m_pTree->clear();
    m_bRebuilding = false;
    m_aShown.clear();
    RequestRebuild();
}

void LayerList::Refresh()
{
    UpdateLayers(false);
    Dialog::Refresh();
}

std::vector<LayerList::Shown> LayerList::Arrangement() const
{
    std::vector<Shown> shown;
    if (m_pObject)
        for (const Layer3D *layer = m_pObject->GetFirstLayer(); layer; layer = layer->GetNextInTree())
            shown.push_back({layer, layer->m_pParent});
    return shown;
}

void LayerList::UpdateLayers(bool force)
{
    Object *before = m_pObject;
    if (!m_bLocked || !SceneHasObjects())
        m_pObject = ActiveObject();
    m_pInfo->SetObject(m_pObject);
    m_pInfo->setVisible(m_pObject != nullptr);
    if (!force && m_pObject == before && Arrangement() == m_aShown && !m_bRebuilding) {
        for (QTreeWidgetItemIterator it(m_pTree); *it; ++it)
            static_cast<QTvLayerListItem *>(*it)->ShowValues();
        ShowActiveLayer();
        return;
    }
    Rebuild();
}

void LayerList::ApplyPalette()
{
    // The active layer's row in the preferences' colour, on the window's own background.
    QPalette palette = QApplication::palette();
    const General::Color active = LayerListHost::Get().ActiveLayerColor();
    palette.setColor(QPalette::Active, QPalette::Highlight,
                     QColor(int(active.r * 255.0f), int(active.g * 255.0f), int(active.b * 255.0f), 255));
    palette.setColor(QPalette::Active, QPalette::Base, this->palette().color(QPalette::Window));
    palette.setColor(QPalette::Inactive, QPalette::Base, this->palette().color(QPalette::Window));
    m_pTree->setPalette(palette);
}

void LayerList::Rebuild()
{
    if (m_bRebuilding)
        return;
    ApplyPalette();
    m_bRebuilding = true;
    m_pTree->clear();
    if (m_pObject) {
        AddRows(nullptr, m_pObject->GetFirstLayer());
        QTvLayerListItem *base = QTvLayerListItem::Create(m_pTree, this, nullptr, nullptr);
        if (!m_pObject->GetActiveLayer())
            base->setSelected(true);
    }
    m_aShown = Arrangement();
    m_bRebuilding = false;
}

void LayerList::AddRows(QTreeWidgetItem *parent, Layer3D *first)
{
    // The list runs from the bottom-most layer; rows go from the top.
    std::vector<Layer3D *> layers;
    for (Layer3D *layer = first; layer; layer = layer->m_pNext)
        layers.push_back(layer);
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        QTvLayerListItem *row = QTvLayerListItem::Create(m_pTree, this, parent, *it);
        if (*it == m_pObject->GetActiveLayer())
            row->setSelected(true);
        if ((*it)->m_pFirstChild) {
            AddRows(row, (*it)->m_pFirstChild);
            row->setExpanded(true);
        }
    }
}

void LayerList::RequestRebuild()
{
    if (m_bRebuildPosted)
        return;
    m_bRebuildPosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bRebuildPosted = false;
            UpdateLayers(true);
        },
        Qt::QueuedConnection);
}

QTvLayerListItem *LayerList::FindRow(const Layer3D *layer) const
{
    for (QTreeWidgetItemIterator it(m_pTree); *it; ++it) {
        auto *row = static_cast<QTvLayerListItem *>(*it);
        if (row->GetLayer() == layer)
            return row;
    }
    return nullptr;
}

void LayerList::ShowActiveLayer()
{
    if (!m_pObject)
        return;
    QTvLayerListItem *row = FindRow(m_pObject->GetActiveLayer());
    if (!row || row->isSelected())
        return;
    m_bRebuilding = true;
    m_pTree->clearSelection();
    row->setSelected(true);
    m_bRebuilding = false;
}

Layer3D *LayerList::SelectedLayer(bool &any) const
{
    const QList<QTreeWidgetItem *> selected = m_pTree->selectedItems();
    any = !selected.isEmpty();
    return any ? static_cast<QTvLayerListItem *>(selected.first())->GetLayer() : nullptr;
}

// --- commands ------------------------------------------------------------------------------

void LayerList::aboutToQuit() { setEnabled(false); }

void LayerList::OnSetLock(bool on)
{
    m_bLocked = on;
    const QSignalBlocker quiet(m_pLockButton);
    m_pLockButton->setChecked(on);
}

void LayerList::OnSelect()
{
    if (m_bRebuilding || !m_pObject)
        return;
    bool any = false;
    Layer3D *layer = SelectedLayer(any);
    if (!any || layer == m_pObject->GetActiveLayer())
        return;
    LayerOperation select(m_pObject, LayerOperation::kSelect, layer, true);
    LayerCommands::Run(select, true);
}

void LayerList::OnAdd()
{
    bool any = false;
    Layer3D *selected = SelectedLayer(any);
    if (!m_pObject || !any)
        return;
    LayerCommands::AddLayer(*m_pObject, selected);
    UpdateLayers(false);
}

void LayerList::OnDelete()
{
    bool any = false;
    Layer3D *selected = SelectedLayer(any);
    if (!m_pObject || !selected)
        return;
    LayerCommands::DeleteLayer(*m_pObject, selected);
    UpdateLayers(false);
}

void LayerList::OnDuplicate()
{
    bool any = false;
    Layer3D *selected = SelectedLayer(any);
    if (!m_pObject || !selected)
        return;
    LayerCommands::DuplicateLayer(*m_pObject, selected);
    UpdateLayers(false);
}

void LayerList::OnMerge()
{
    if (!m_pObject)
        return;
    LayerCommands::MergeVisible(*m_pObject);
    UpdateLayers(false);
}

void LayerList::OnFlatten()
{
    if (!m_pObject)
        return;
    LayerCommands::Flatten(*m_pObject);
    UpdateLayers(false);
}

void LayerList::OnSetSymTarget()
{
    if (!m_pObject)
        return;
    LayerCommands::SetSymmetryTarget(*m_pObject);
    UpdateLayers(true);
}

void LayerList::OnShowToggled()
{
    LayerListHost::Get().SetShowLayerMask(m_pShow->isChecked());
    LayerCommands::ShowLayerWeights();
}

void LayerList::OnMirror(int axis) { LayerCommands::Mirror(m_pObject, axis); }

void LayerList::OnFlip(int axis) { LayerCommands::Flip(m_pObject, axis); }

void LayerList::OnReparent(QTreeWidgetItem *item, QTreeWidgetItem *newParent, int index)
{
    auto *row = dynamic_cast<QTvLayerListItem *>(item);
    auto *parentRow = dynamic_cast<QTvLayerListItem *>(newParent);
    // The base row neither moves nor takes sub-layers: the tree shows the layers as they are.
    if (m_pObject && row && parentRow && row->GetLayer() && parentRow->GetLayer())
        LayerCommands::MoveLayer(*m_pObject, row->GetLayer(), parentRow->GetLayer(), index);
    UpdateLayers(true);
}

void LayerList::OnMove(QTreeWidgetItem *item, int index)
{
    auto *row = dynamic_cast<QTvLayerListItem *>(item);
    if (m_pObject && row && row->GetLayer())
        LayerCommands::MoveLayer(*m_pObject, row->GetLayer(), nullptr, index);
    UpdateLayers(true);
}

QMenu *LayerList::BuildMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    const bool enabled = m_pObject != nullptr;
    const auto add = [&](QMenu *to, const char *text, int id, const char *help) {
        QAction *action = to->addAction(tr(text));
        action->setData(id);
        action->setEnabled(enabled);
        // Help id "Layers.X" is the page of entry X of this window ("Layers").
        action->setWhatsThis(GetWhatsThisText(QString::fromLatin1(help).section(QLatin1Char('.'), 1)));
        return action;
    };
    add(menu, "New Layer", kNewLayer, "Layers.NewLayer");
    add(menu, "Delete Layer", kDeleteLayer, "Layers.DeleteLayer");
    add(menu, "Duplicate Layer", kDuplicateLayer, "Layers.DuplicateLayer");
    menu->addSeparator();
    add(menu, "Merge Visible", kMergeVisible, "Layers.MergeVisible");
    add(menu, "Flatten", kFlatten, "Layers.Flatten");
    add(menu, "Set Symmetry Target", kSetSymmetryTarget, "Layers.SetSymmetryTarget");
    menu->addSeparator();
    for (const auto &[title, command, help] : {std::tuple{"Mirror", int(kMirror), "Layers.Mirror"},
                                               std::tuple{"Flip", int(kFlip), "Layers.Flip"}}) {
        QMenu *sub = menu->addMenu(tr(title));
        sub->setEnabled(enabled);
        int axis = 0;
        for (const char *name : {"X", "Y", "Z", "Tangent"})
            add(sub, name, command + 256 * axis++, help);
    }
    return menu;
}

void LayerList::RunMenuCommand(int id)
{
    if (!m_pObject || id < 0)
        return;
    const int axis = id / 256;
    switch (id % 256) {
    case kNewLayer:
        OnAdd();
        break;
    case kDeleteLayer:
        OnDelete();
        break;
    case kDuplicateLayer:
        OnDuplicate();
        break;
    case kMergeVisible:
        OnMerge();
        break;
    case kFlatten:
        OnFlatten();
        break;
    case kSetSymmetryTarget:
        OnSetSymTarget();
        break;
    case kMirror:
        OnMirror(axis);
        break;
    case kFlip:
        OnFlip(axis);
        break;
    default:
        break;
    }
}

bool LayerList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pMenuButton && event->type() == QEvent::MouseButtonPress) {
        QMenu *menu = BuildMenu(this);
        const QAction *chosen = menu->exec(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        const int id = chosen && chosen->data().isValid() ? chosen->data().toInt() : -1;
        delete menu;
        RunMenuCommand(id);
        return true;
    }
    return Dialog::eventFilter(watched, event);
}

void LayerList::changeEvent(QEvent *event)
{
    Dialog::changeEvent(event);
    if (event->type() != QEvent::EnabledChange || !isEnabled())
        return;
    // What waited while the window was shut: the latest transparency, and the true values.
    for (QTreeWidgetItemIterator it(m_pTree); *it; ++it) {
        auto *row = static_cast<QTvLayerListItem *>(*it);
        row->ApplyPending();
        row->ShowValues();
    }
}

}  // namespace GUI
