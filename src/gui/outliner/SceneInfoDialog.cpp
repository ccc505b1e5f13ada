#include "gui/outliner/SceneInfoDialog.h"

#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/images/Pictures.h"
#include "gui/common/PanelServices.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/outliner/OutlinerItem.h"
#include "gui/panels/PanelWindow.h"
#include "gui/properties/ObjectFigures.h"
#include "interaction/Interface.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"
#include "scene/SelectionSet.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace GUI {

DialogChain SceneInfoDialog::s_chain;

namespace {

constexpr int kColumns = 7;
const QColor kActiveRow(213, 223, 228);

enum IconKind { kCameraIcon, kImagePlaneIcon, kLightIcon, kGeometryIcon, kLayerIcon, kMaterialIcon, kStencilIcon,
                kSetIcon, kCurveIcon, kNoIcon };

// Made once: a rebuild puts one on every row.
const QIcon &Icon(IconKind kind)
{
    // In the order of IconKind.
    static const QList<QIcon> icons = [] {
        QList<QIcon> made;
        for (const char *name :
             {"camera", "imageplane", "light", "geometry", "layer", "material", "stencil", "set", "curve"})
            made.append(General::Pictures::Icon(QStringLiteral("Icons/object_%1.png").arg(QLatin1String(name))));
        return made;
    }();
    return icons[kind];
}

QString Mib(double mib) { return QString::number(mib, 'f', 2); }

QStringList Columns(const LevelFigures &figures, const QString &last = QString())
{
    return {QString::number(figures.polygons), QString::number(figures.inRam), QString::number(figures.hidden),
            QString::number(figures.vertices), Mib(figures.mib), last};
}

void SetBackground(QTreeWidgetItem *row, const QColor &colour)
{
    for (int column = 0; column < kColumns; ++column)
        row->setBackground(column, colour);
}

template <class T>
T *Kind(General::Node *node)
{
    return node && General::TypeInfo::IsKindOf(node->GetTypeInfo(), &T::s_typeInfo) ? static_cast<T *>(node) : nullptr;
}

// Lights share the transformation's class record, curves the node's.
Light *LightOf(General::Node *node) { return dynamic_cast<Light *>(node); }
General::NURBSCurve *CurveOf(General::Node *node) { return dynamic_cast<General::NURBSCurve *>(node); }

// The vertex entries a layer keeps over every level of its object.
uint64_t LayerEntries(Object &object, const Layer3D &layer)
{
    uint64_t entries = 0;
    for (SubdivLevel *level = object.GetBaseLevel(); level; level = level->GetNextLevel(false))
        if (const LayerLevel *data = layer.GetLevel(level))
            entries += data->m_iVertexCount;
    return entries;
}

}  // namespace

SceneInfoDialog::SceneInfoDialog(QWidget *parent, const char *name) : Dialog(parent, name)
{
    s_chain.Link(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setAlignment(Qt::AlignTop);
    m_pMenuButton = new QToolButton(this);
    m_pMenuButton->setObjectName(QStringLiteral("menu"));
    m_pMenuButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/menuTriangle.png")));
    m_pMenuButton->setAutoRaise(true);
    m_pMenuButton->installEventFilter(this);
    m_pMenuButton->setFixedSize(20, 20);
    layout->addWidget(m_pMenuButton, 0, Qt::AlignLeft);
    m_pTree = new QTreeWidget(this);
    m_pTree->setObjectName(QStringLiteral("tree"));
    layout->addWidget(m_pTree);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTree->installEventFilter(this);
    m_pTree->viewport()->installEventFilter(this);
    m_pTree->setRootIsDecorated(true);
    m_pTree->setColumnCount(kColumns);
    m_pTree->setIndentation(6);
    // One label per column.
    m_pTree->setHeaderLabels({tr("Name"), tr("Polygons"), tr("In RAM"), tr("Hidden"), tr("Vertices"), tr("Mem"),
                              QString()});
    Build();
    m_bRedrawPending = false;
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(100);
    m_pTimer->setSingleShot(true);
    TV_CHECK(connect(m_pTimer, &QTimer::timeout, this, &SceneInfoDialog::OnTimer));
    TV_CHECK(connect(m_pTree, &QTreeWidget::itemSelectionChanged, this, &SceneInfoDialog::OnSelect));
    // A click on a row that is selected already (an object of the selection list) applies it
    // too; a click that changes nothing records nothing, so the second call is harmless.
    TV_CHECK(connect(m_pTree, &QTreeWidget::itemClicked, this, &SceneInfoDialog::OnSelect));
    try {
        CurrentNode().Connect(&m_aNode);
    } catch (const General::Error &error) {
        error.Show(QString());
    }
}

SceneInfoDialog::~SceneInfoDialog()
{
    s_chain.Unlink(this);
    // The rows go before the selection signal could reach a half-destroyed window.
    m_pTree->blockSignals(true);
}

void SceneInfoDialog::Register()
{
    DialogFactory::Register(std::make_unique<Factory>(), QLatin1String(kClassName), tr("Object List"));
}

void SceneInfoDialog::MakeFloating()
{
    QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
    setParent(main, kFloatingPanelFlags);
    move(100, 100);
    show();
}

void SceneInfoDialog::Refresh()
{
    if (m_bSelecting)
        m_bRefreshDeferred = true;  // rebuilt once the selection is applied
    else
        Build();
    Dialog::Refresh();
}

void SceneInfoDialog::Build()
{
    Scene *scene = Scene::GetCurrent();
    if (!scene)
        return;
    m_bRebuilding = true;
    QSet<QString> wasSelected;
    for (QTreeWidgetItem *row : m_pTree->selectedItems())
        wasSelected.insert(static_cast<OutlinerItem *>(row)->GetKey());
    const QColor base = PanelHost().GetObjectListColor().ToQColor();
    QPalette palette = m_pTree->palette();
    palette.setColor(QPalette::Highlight, QColor(131, 163, 175));
    palette.setColor(QPalette::Active, QPalette::Base, base);
    palette.setColor(QPalette::Inactive, QPalette::Base, base);
    m_pTree->setPalette(palette);
    m_pHighlighted = nullptr;
    m_pTree->clear();

    // The rows hang from a root that joins the tree last, so the view takes them in one go.
    auto *root = new OutlinerItem(nullptr, static_cast<QTreeWidgetItem *>(nullptr), tr("Scene"), QString());
    // Neither selectable nor editable; still enabled, since a disabled row disables its children.
    root->setFlags(Qt::ItemIsEnabled);
    for (int column = 0; column < 6; ++column)
        root->setForeground(column, QColor(128, 128, 128));
    std::vector<QTreeWidgetItem *> toSelect;
    const auto add = [&](General::Node *node, QTreeWidgetItem *parent, const QString &name, const QString &type,
                         IconKind icon, const QStringList &columns = {}) {
        auto *row = new OutlinerItem(node, parent, name, type, columns);
        if (icon != kNoIcon)
            row->setIcon(0, Icon(icon));
        if (!wasSelected.isEmpty() && wasSelected.contains(row->GetKey()))
            toSelect.push_back(row);
        return row;
    };

    if (m_bShow[kCameras])
        for (Camera *camera = scene->m_pCameras; camera; camera = camera->m_pNext.get()) {
            OutlinerItem *row = add(camera, root, camera->GetName(), QStringLiteral("Camera"), kCameraIcon);
            // The image plane is part of its camera: the row stands for the camera.
            add(camera, row, QStringLiteral("imagePlane"), QStringLiteral("ImagePlane"), kImagePlaneIcon);
        }
    if (m_bShow[kLights])
        for (Light *light = scene->m_pLights; light; light = light->m_pNext.get())
            add(light, root, light->m_sLightName, QStringLiteral("Light"), kLightIcon);

    LevelFigures totals;
    Interface *controller = Interface::Get();
    if (m_bShow[kGeometry])
        for (Object *object = scene->m_pObjects; object; object = object->m_pNextObject) {
            const QString lock = object->m_bLocked ? QStringLiteral("L") : QString();
            const QString name = object->General::Node::GetName();
            OutlinerItem *row = nullptr;
            if (!object->m_pNext && !object->GetFirstLayer()) {
                const LevelFigures figures = LevelFiguresOf(*object);
                totals += figures;
                row = add(object, root, name, QStringLiteral("Geometry"), kGeometryIcon, Columns(figures, lock));
            } else {
                row = add(object, root, name, QStringLiteral("Geometry"), kGeometryIcon);
                row->setText(6, lock);
                OutlinerItem *transform =
                    add(object->GetTransformation(), row, QStringLiteral("Transformation"),
                        QStringLiteral("Transformation"), kGeometryIcon);
                transform->SetObject(object);
                LevelFigures sum;
                for (SubdivLevel *level = object->GetBaseLevel(); level; level = level->GetNextLevel(false)) {
                    const LevelFigures figures = LevelFiguresOf(*level);
                    sum += figures;
                    OutlinerItem *levelRow =
                        add(level, row, QStringLiteral("level_%1").arg(level->GetLevelIndex()),
                            QStringLiteral("GeometryLevel"), kGeometryIcon, Columns(figures));
                    levelRow->SetObject(object);
                }
                totals += sum;
                const QStringList sums = Columns(sum);
                for (int column = 0; column < 5; ++column)
                    row->setText(column + 1, sums[column]);
                for (Layer3D *layer = object->GetFirstLayer(); layer; layer = layer->GetNextInTree()) {
                    const uint64_t entries = LayerEntries(*object, *layer);
                    OutlinerItem *layerRow =
                        add(object, row, layer->GetName(), QStringLiteral("Layer"), kLayerIcon,
                            {QString(), QString(), QString::number(entries), Mib(double(entries) * 20.0 / 1048576.0)});
                    layerRow->SetObject(object);
                    layerRow->SetLayer(layer);
                }
            }
            if (controller && controller->m_pActiveObject == object) {
                SetBackground(row, kActiveRow);
                m_pHighlighted = row;
            }
            if (controller && controller->m_lSelection.contains(object))
                toSelect.push_back(row);
        }
    if (m_bShow[kMaterials]) {
        const Surface::MaterialList &materials = Surface::Materials();
        for (int i = 0; i < materials.Count(); ++i)
            add(materials.At(i), root, materials.At(i)->GetName(), QStringLiteral("Material"), kMaterialIcon);
    }
    if (m_bShow[kStencils] && controller && controller->m_cStencil.m_bState)
        add(&controller->m_cStencilNode, root, QStringLiteral("defaultSten"),
            QStringLiteral("Stencil"), kStencilIcon);

    const General::TypeInfo *displacement = General::TypeInfo::Find(QStringLiteral("DisplaceOperation"));
    const General::TypeInfo *mapper = General::TypeInfo::Find(QStringLiteral("Mapper"));
    for (General::Node *node = General::Node::GetHead(); node && (displacement || mapper); node = node->GetNext()) {
        if (displacement && General::TypeInfo::IsKindOf(node->GetTypeInfo(), displacement))
            add(node, root, node->GetName(), QStringLiteral("Displacement"), kSetIcon);
        else if (mapper && General::TypeInfo::IsKindOf(node->GetTypeInfo(), mapper))
            add(node, root, node->GetName(), QStringLiteral("Texture Baker"), kSetIcon);
    }
    for (SelectionSet *set = scene->m_pSelectionSets; set; set = set->m_pNext)
        add(set, root, set->m_sSetName, QStringLiteral("SelectionSet"), kSetIcon);
    for (General::NURBSCurve *curve = scene->m_pCurves; curve; curve = curve->GetNext())
        add(curve, root, curve->GetName(), QStringLiteral("Curve"), kCurveIcon);

    const QStringList sums = Columns(totals);
    for (int column = 0; column < 5; ++column)
        root->setText(column + 1, sums[column]);
    m_pTree->addTopLevelItem(root);
    root->setExpanded(true);
    for (QTreeWidgetItem *row : toSelect)
        row->setSelected(true);
    m_bRebuilding = false;
}

OutlinerItem *SceneInfoDialog::DecidingRow(const QList<QTreeWidgetItem *> &rows) const
{
    if (rows.isEmpty())
        return nullptr;
    QTreeWidgetItem *current = m_pTree->currentItem();
    return static_cast<OutlinerItem *>(current && current->isSelected() ? current : rows.last());
}

void SceneInfoDialog::ShowInProperties(OutlinerItem *row)
{
    General::Node *node = row->GetNode();
    if (!node)
        return;
    QString type = row->GetType();
    // A finer level is not shown; level 0 is the object itself.
    if (type == QLatin1String("GeometryLevel")) {
        if (node != row->GetObject())
            return;
        type = QStringLiteral("Geometry");
    }
    m_aNode.SetValue(node);
    CurrentNode().SetValue(node);
    PropertiesDialog *first = PropertiesDialog::First();
    if (!first)
        return;
    if (type == QLatin1String("Material") || type == QLatin1String("Transformation") ||
        type == QLatin1String("Camera"))
        first->ShowAttributes(node);
    else
        first->ShowNode(type, node);
}

void SceneInfoDialog::OnSelect()
{
    if (m_bRebuilding || m_bSelecting)
        return;
    m_bSelecting = true;
    const QList<QTreeWidgetItem *> rows = m_pTree->selectedItems();
    Scene *scene = Scene::GetCurrent();
    Interface *controller = Interface::Get();

    // What the face selection is to become: only geometry, level and set rows touch it.
    bool touchesFaces = false;
    std::vector<SubdivLevel *> levels;
    std::vector<SelectionSet *> sets;
    std::vector<Object *> objects;
    for (QTreeWidgetItem *item : rows) {
        auto *row = static_cast<OutlinerItem *>(item);
        const QString &type = row->GetType();
        if (type == QLatin1String("Geometry") || type == QLatin1String("GeometryLevel")) {
            Object *object = row->GetObject();
            auto *level = Kind<SubdivLevel>(row->GetNode());
            if (!object || !level)
                continue;
            touchesFaces = true;
            if (type == QLatin1String("Geometry"))
                for (SubdivLevel *l = object->GetBaseLevel(); l; l = l->GetNextLevel(false))
                    levels.push_back(l);
            else
                levels.push_back(level);
            if (std::find(objects.begin(), objects.end(), object) == objects.end())
                objects.push_back(object);
        } else if (type == QLatin1String("SelectionSet")) {
            if (auto *set = Kind<SelectionSet>(row->GetNode())) {
                touchesFaces = true;
                sets.push_back(set);
            }
        }
    }

    if (OutlinerItem *deciding = DecidingRow(rows)) {
        if (m_pHighlighted && m_pHighlighted != deciding) {
            SetBackground(m_pHighlighted, PanelHost().GetObjectListColor().ToQColor());
            m_pHighlighted = nullptr;
        }
        ShowInProperties(deciding);
    }

    if (touchesFaces && scene) {
        if (controller && scene->HasSelectedFaces())
            controller->SelectObject(nullptr, false);
        scene->SelectOnly(levels, sets);
        for (Object *object : objects)
            if (controller && !controller->m_lSelection.contains(object))
                controller->SelectObject(object, true);
        Interface::Redraw();
    }

    // Curve rows start editing their curve when the view edits curves; other rows end it.
    if (!rows.isEmpty()) {
        General::NURBSCurve *edited = PanelHost().GetEditedCurve();
        for (QTreeWidgetItem *item : rows) {
            auto *row = static_cast<OutlinerItem *>(item);
            auto *curve = row->GetType() == QLatin1String("Curve") ? CurveOf(row->GetNode()) : nullptr;
            if (curve && PanelHost().IsCurveEditingOn() && curve != edited) {
                PanelHost().EditCurve(curve);
                edited = curve;
            } else if (!curve && edited) {
                PanelHost().EditCurve(nullptr);
                edited = nullptr;
            }
        }
        InteractionHost().RepaintView();
    }

    if (OutlinerItem *last = DecidingRow(rows); last && scene && last->GetType() == QLatin1String("Light"))
        if (Light *light = LightOf(last->GetNode()))
            scene->m_pCurrentLight = light;

    m_bSelecting = false;
    if (std::exchange(m_bRefreshDeferred, false))
        Build();
}

void SceneInfoDialog::SetRedrawPending()
{
    m_bRedrawPending = true;
    if (!m_pTimer->isActive())
        m_pTimer->start();
}

void SceneInfoDialog::OnTimer()
{
    if (!m_bRedrawPending)
        return;
    Scene *scene = Scene::GetCurrent();
    if (scene && scene->m_pActiveCamera)
        scene->m_pActiveCamera->ResetViewRegion(false);
    InteractionHost().RepaintView();
    if (Interface *controller = Interface::Get())
        controller->UpdateBrushCursor(0);
    m_bRedrawPending = false;
}

bool SceneInfoDialog::OpenRowMenu(const QPoint &globalPos)
{
    const QList<QTreeWidgetItem *> rows = m_pTree->selectedItems();
    if (rows.isEmpty())
        return false;
    auto *row = static_cast<OutlinerItem *>(rows.first());
    General::Node *node = row->GetNode();
    if (!node)
        return false;
    const QString &type = row->GetType();
    if (type == QLatin1String("Camera") && Kind<Camera>(node))
        Interface::CameraContextMenu(Kind<Camera>(node), globalPos);
    else if (type == QLatin1String("Light") && LightOf(node))
        Interface::LightContextMenu(LightOf(node), globalPos);
    else if (type == QLatin1String("Material") && Kind<Surface::Material>(node))
        Interface::MaterialContextMenu(Kind<Surface::Material>(node), globalPos);
    else if (type == QLatin1String("Stencil"))
        Interface::StencilContextMenu(node, globalPos);
    else if (type == QLatin1String("ImagePlane"))
        Interface::ImagePlaneContextMenu(node, globalPos);
    else if (type == QLatin1String("SelectionSet") && Kind<SelectionSet>(node))
        Interface::SelectionSetContextMenu(Kind<SelectionSet>(node), globalPos);
    else if (type == QLatin1String("Layer") && row->GetLayer())
        Interface::LayerContextMenu(node, globalPos);
    else if (type.left(8) == QLatin1String("Geometry") && Kind<Mesh>(node))
        Interface::ObjectContextMenu(Kind<Mesh>(node), globalPos);
    else if (type == QLatin1String("Curve") && CurveOf(node))
        Interface::CurveContextMenu(CurveOf(node), globalPos);
    else
        return false;
    return true;
}

void SceneInfoDialog::ApplyFilter(const QString &choice)
{
    static const char *const kKinds[kShowCount] = {"Camera", "Light", "Geometry", "Material", "Stencil"};
    if (choice == QLatin1String("All"))
        std::fill(std::begin(m_bShow), std::end(m_bShow), true);
    else if (choice == QLatin1String("None"))
        std::fill(std::begin(m_bShow), std::end(m_bShow), false);
    else
        for (int kind = 0; kind < kShowCount; ++kind)
            if (choice == QLatin1String(kKinds[kind]))
                m_bShow[kind] = !m_bShow[kind];
    Build();
}

bool SceneInfoDialog::eventFilter(QObject *watched, QEvent *event)
{
    const bool fromTree = watched == m_pTree || watched == m_pTree->viewport();
    switch (event->type()) {
    case QEvent::ContextMenu:
        if (!fromTree)
            break;
        OpenRowMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (!fromTree)
            break;
        // Hotkeys work while the list has the focus; the tree still sees the key.
        if (Interface *controller = Interface::Get()) {
            const auto &key = *static_cast<QKeyEvent *>(event);
            if (event->type() == QEvent::KeyPress)
                controller->OnKeyPress(key);
            else
                controller->OnKeyRelease(key);
        }
        return false;
    case QEvent::MouseButtonPress:
        if (watched != m_pMenuButton)
            break;
        {
            QMenu menu(this);
            menu.addAction(tr("All"))->setData(QStringLiteral("All"));
            menu.addAction(tr("None"))->setData(QStringLiteral("None"));
            menu.addSeparator();
            static const std::pair<const char *, Show> kEntries[] = {{"Camera", kCameras},
                                                                     {"Geometry", kGeometry},
                                                                     {"Light", kLights},
                                                                     {"Material", kMaterials},
                                                                     {"Stencil", kStencils}};
            for (const auto &[text, kind] : kEntries) {
                QAction *action = menu.addAction(tr(text));
                action->setData(QLatin1String(text));
                action->setCheckable(true);
                action->setChecked(m_bShow[kind]);
            }
            if (QAction *chosen = menu.exec(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()))
                ApplyFilter(chosen->data().toString());
        }
        return true;
    default:
        break;
    }
    return Dialog::eventFilter(watched, event);
}

}  // namespace GUI
