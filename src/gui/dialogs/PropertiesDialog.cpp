#include "gui/dialogs/PropertiesDialog.h"

#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/curves/NURBSCurve.h"
#include "foundation/images/Pictures.h"
#include "gui/common/ModalDialogs.h"
#include "gui/dialogs/PropertyList.h"
#include "gui/layouts/CollapsableContainer.h"
#include "gui/panels/PanelWindow.h"
#include "gui/panels/ScrollWrap.h"
#include "gui/panels/TabPanel.h"
#include "gui/properties/BrushProperties.h"
#include "gui/properties/CameraProperties.h"
#include "gui/properties/CurveProperties.h"
#include "gui/properties/ImagePlaneProperties.h"
#include "gui/properties/MaterialProperties.h"
#include "gui/properties/ObjectInfo.h"
#include "gui/properties/StencilProperties.h"
#include "gui/trays/MTray.h"
#include "gui/trays/TrayItem.h"
#include "interaction/Interface.h"
#include "mesh/object/Object.h"
#include "scene/Brush.h"
#include "scene/Scene.h"
#include "scene/SceneServices.h"
#include "scene/camera/Camera.h"
#include "scene/camera/Light.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace GUI {

DialogChain PropertiesDialog::s_chain;

General::AttributePointer<General::Node> &CurrentNode() { return General::PickedNode(); }

namespace {

const QStringList &PanelTypes()
{
    // The page types that have a panel of their own.
    static const QStringList types{QStringLiteral("Brush"),    QStringLiteral("Camera"),
                                   QStringLiteral("Material"), QStringLiteral("Light"),
                                   QStringLiteral("Stencil"),  QStringLiteral("ImagePlane"),
                                   QStringLiteral("Stamp"),    QStringLiteral("Geometry"),
                                   QStringLiteral("Curve")};
    return types;
}

bool IsAttributePageType(const QString &typeName)
{
    return typeName == QLatin1String("Displacement") || typeName == QLatin1String("Texture Baker");
}

// The brush and stamp pages show the controller's current tool and stamp: they need no
// node, and their panel titles the window with the tool's name.
bool ShowsCurrentTool(const QString &typeName)
{
    return typeName == QLatin1String("Brush") || typeName == QLatin1String("Stamp");
}

QString TitleOf(const QString &typeName, General::Node *node)
{
    if (!node)
        return QString();
    if (typeName == QLatin1String("Stencil"))
        return QStringLiteral("defaultSten");
    if (typeName == QLatin1String("ImagePlane"))
        return QStringLiteral("defaultPlane");
    // The light keeps its name apart from the node's.
    if (const auto *light = dynamic_cast<const Light *>(node); light && typeName == QLatin1String("Light"))
        return light->m_sLightName;
    if (PanelTypes().contains(typeName) || IsAttributePageType(typeName))
        return node->GetName();
    return QString();
}

}  // namespace

PropertiesDialog::PropertiesDialog(QWidget *parent, const char *name, bool header) : Dialog(parent, name)
{
    s_chain.Link(this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_pLayout = new QVBoxLayout(this);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pLayout->setSizeConstraint(QLayout::SetNoConstraint);
    if (header) {
        auto *row = new QHBoxLayout;
        row->setSpacing(2);
        row->setContentsMargins(2, 2, 2, 2);
        m_pLayout->addLayout(row);
        m_pMenuButton = new QToolButton(this);
        m_pMenuButton->setObjectName(QStringLiteral("menu"));
        m_pMenuButton->setIcon(General::Pictures::Icon(QStringLiteral("Icons/menuTriangle.png")));
        m_pMenuButton->setCheckable(false);
        m_pMenuButton->setAutoRaise(true);
        m_pMenuButton->setFixedSize(20, 20);
        m_pMenuButton->installEventFilter(this);
        row->addWidget(m_pMenuButton, 0, Qt::AlignLeft);
        row->addWidget(new QLabel(tr("Lock Window To:"), this), 2, Qt::AlignRight);
        m_pLockCombo = new QComboBox(this);
        m_pLockCombo->setObjectName(QStringLiteral("lock"));
        m_pLockCombo->addItems({tr("None"), tr("Type"), tr("Object")});
        m_pLockCombo->setFixedWidth(60);
        m_pLockCombo->installEventFilter(this);
        TV_CHECK(connect(m_pLockCombo, &QComboBox::activated, this, &PropertiesDialog::OnSetLock));
        row->addWidget(m_pLockCombo, 2);
    }
    m_pPages = new QWidget(this);
    m_pPageLayout = new QVBoxLayout(m_pPages);
    m_pPageLayout->setContentsMargins(0, 0, 0, 0);
    m_pPages->installEventFilter(this);
    PlacePages();
    m_pPanel = new PropertyList(this);
    AddPage(m_pPanel);
    try {
        CurrentNode().Connect(&m_aNode);
    } catch (const General::Error &error) {
        error.Show(QString());
    }
}

PropertiesDialog::~PropertiesDialog() { s_chain.Unlink(this); }

void PropertiesDialog::Register()
{
    DialogFactory::Register(std::make_unique<Factory>(), QLatin1String(kClassName), tr("Properties"));
}

void PropertiesDialog::ReleaseNodeEverywhere(General::Node *node)
{
    if (!node)
        return;
    if (CurrentNode().GetPointer() == node)
        CurrentNode().SetValue(nullptr, true);
    for (auto *window = First(); window; window = static_cast<PropertiesDialog *>(window->GetNext())) {
        if (window->m_aNode.GetPointer() == node)
            window->m_aNode.SetValue(nullptr, true);
        if (window->m_pNode == node)
            window->ReleaseNode();
    }
}

General::Node *PropertiesDialog::PageNode(const QString &page)
{
    const Scene *scene = Scene::GetCurrent();
    Interface *controller = Interface::Get();
    Object *selected = controller && !controller->m_lSelection.isEmpty() ? controller->m_lSelection.first() : nullptr;
    if (page == QLatin1String("Camera"))
        return scene ? scene->m_pActiveCamera : nullptr;
    if (page == QLatin1String("Light"))
        return scene ? scene->m_pCurrentLight : nullptr;
    if (page == QLatin1String("Geometry"))
        return selected;
    if (page == QLatin1String("Material"))
        return selected ? selected->GetMaterial() : nullptr;
    // The image plane is part of its camera: the page shows the active camera's.
    if (page == QLatin1String("ImagePlane"))
        return scene ? scene->m_pActiveCamera : nullptr;
    if (page == QLatin1String("Stencil") && controller)
        return &controller->m_cStencilNode;
    return nullptr;
}

void PropertiesDialog::ShowNode(const QString &typeName, General::Node *node)
{
    if (m_pPanel && m_sTypeName == typeName && (!node || node == m_pNode)) {
        m_pPanel->Refresh();
        // The node's name may have changed with it (an object's level count).
        if (m_pNode && !ShowsCurrentTool(typeName))
            SetTitle(TitleOf(typeName, m_pNode));
    } else
        BuildPanel(typeName, node);
    if (auto *next = static_cast<PropertiesDialog *>(GetNext()))
        next->ShowNode(typeName, node);
}

PropertyList *PropertiesDialog::MakePanel(const QString &typeName)
{
    if (typeName == QLatin1String("Curve"))
        return new CurveProperties(this);
    if (typeName == QLatin1String("Camera"))
        return new CameraProperties(this);
    if (typeName == QLatin1String("Light"))
        return new LightProperties(this);
    if (typeName == QLatin1String("Material"))
        return new MaterialProperties(this);
    if (typeName == QLatin1String("Geometry"))
        return new MeshProperties(this);
    if (ShowsCurrentTool(typeName))
        return new BrushProperties(this);
    if (typeName == QLatin1String("Stencil"))
        return new StencilProperties(this);
    if (typeName == QLatin1String("ImagePlane"))
        return new ImagePlaneProperties(this);
    // The bare panel stands for each other type's own until that panel is built.
    return PanelTypes().contains(typeName) ? new PropertyList(this) : nullptr;
}

void PropertiesDialog::DeletePage()
{
    for (QWidget *page : {static_cast<QWidget *>(std::exchange(m_pPanel, nullptr)),
                          static_cast<QWidget *>(std::exchange(m_pAttributePage, nullptr))})
        if (page) {
            page->hide();
            delete page;
        }
}

void PropertiesDialog::BuildPanel(const QString &typeName, General::Node *node)
{
    if (isHidden())
        return;
    const int lock = GetLockMode();
    if (lock == kLockObject || (lock == kLockType && typeName != m_sTypeName))
        return;
    if (!node && !ShowsCurrentTool(typeName)) {
        if (!m_pNode)
            ShowHint(typeName);
        return;
    }
    delete std::exchange(m_pHint, nullptr);
    if ((m_pPanel || m_pAttributePage) && typeName != m_sTypeName)
        ReleaseNode();
    m_sTypeName = typeName;
    m_pNode = node;
    if (m_pPanel)
        m_pPanel->Refresh();
    const QString title = TitleOf(typeName, node);
    if (IsAttributePageType(typeName)) {
        if (m_pAttributePage) {
            m_pAttributePage->hide();
            delete m_pAttributePage;
        }
        m_pAttributePage = new CollapsableContainer(this, true);
        m_pAttributePage->AddNode(node);
    } else if (!m_pPanel) {
        m_pPanel = MakePanel(typeName);
    }
    // Shown now rather than when the layout gets round to it, so the window can size itself at once.
    for (QWidget *page : {static_cast<QWidget *>(m_pPanel), static_cast<QWidget *>(m_pAttributePage)})
        if (page) {
            AddPage(page);
            page->show();
        }
    if (!ShowsCurrentTool(typeName))
        SetTitle(title);
}

void PropertiesDialog::ShowHint(const QString &typeName)
{
    if (!m_pHint) {
        m_pHint = new QLabel(m_pPages);
        m_pHint->setObjectName(QStringLiteral("hint"));
        m_pHint->setContentsMargins(8, 8, 8, 8);
        AddPage(m_pHint);
        m_pHint->show();
    }
    const QString kind = typeName.toLower();
    const bool ofObject = typeName == QLatin1String("Geometry") || typeName == QLatin1String("Material");
    m_pHint->setText(ofObject ? tr("Select an object to see its %1 here.").arg(kind)
                              : tr("There is no %1 to show.").arg(kind));
}

void PropertiesDialog::ShowAttributes(General::Node *node)
{
    if (!ShowOwnAttributes(node))
        return;
    if (auto *next = static_cast<PropertiesDialog *>(GetNext()))
        next->ShowAttributes(node);
}

bool PropertiesDialog::ShowOwnAttributes(General::Node *node)
{
    if (!node)
        return false;
    const int lock = GetLockMode();
    if (lock == kLockObject ||
        (lock == kLockType && QLatin1String(node->GetTypeInfo()->GetName()) != m_sTypeName))
        return false;
    if (m_pPanel || m_pAttributePage)
        ReleaseNode();
    delete std::exchange(m_pHint, nullptr);
    m_sTypeName = QLatin1String(node->GetTypeInfo()->GetName());
    m_pNode = node;
    m_pAttributePage = new CollapsableContainer(this, true);
    m_pAttributePage->AddNode(node);
    AddPage(m_pAttributePage);
    SetTitle(node->GetName());
    return true;
}

void PropertiesDialog::ReleaseNode()
{
    m_pNode = nullptr;
    SetTitle(QString());
    DeletePage();
}

int PropertiesDialog::GetLockMode() const { return m_pLockCombo ? m_pLockCombo->currentIndex() : kLockNone; }

QString PropertiesDialog::TabIconPath() const
{
    if (GetLockMode() != kLockNone)
        return QStringLiteral("Icons/lock.png");
    if (m_sTypeName == QLatin1String("Brush")) {
        const Interface *controller = Interface::Get();
        if (controller && controller->m_pCurrentTool)
            return controller->m_pCurrentTool->IconPath();
    }
    // Node kinds without a picture of their own share the plain node's.
    const QString own = QStringLiteral("Icons/object_%1.png").arg(m_sTypeName);
    return General::Pictures::Resolve(own).isEmpty() ? QStringLiteral("Icons/object_node.png") : own;
}

void PropertiesDialog::SetTitle(const QString &name)
{
    m_sName = name;
    const QString caption = tr("Properties: %1").arg(name);
    // The tab panel may hold the window through a scroll area or a plain page: walk up to it.
    TabPanel *panel = nullptr;
    for (QWidget *up = parentWidget(); up && !panel; up = up->parentWidget())
        panel = qobject_cast<TabPanel *>(up);
    if (!panel) {
        setWindowTitle(caption);
        return;
    }
    for (int i = 0; i < panel->count(); ++i) {
        QWidget *page = panel->widget(i);
        if (page != this && !page->isAncestorOf(this))
            continue;
        panel->setTabIcon(i, General::Pictures::Icon(TabIconPath()));
        panel->setTabText(i, caption);
        return;
    }
}

void PropertiesDialog::OnSetLock(int mode)
{
    if (m_pLockCombo && m_pLockCombo->currentIndex() != mode)
        m_pLockCombo->setCurrentIndex(mode);
    SetTitle(m_sName);
}

void PropertiesDialog::AttributeChanged(General::Attribute *attribute, int event)
{
    // Every window hears the picked node through its own connection; a window just opened
    // (its connection hands it the last pick) must not change the pages of the others.
    if (attribute == &m_aNode && event == General::Attribute::kValueChanged)
        ShowOwnAttributes(m_aNode.GetPointer());
}

bool PropertiesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pMenuButton && event->type() == QEvent::MouseButtonPress) {
        ShowMenu(static_cast<QMouseEvent *>(event)->globalPosition().toPoint(), m_sTypeName, m_pNode, false);
        return true;
    }
    // A group unfolded or a page changed: a window fits itself once the layout has settled.
    if (watched == m_pPages && event->type() == QEvent::LayoutRequest && m_pScroll && !m_bFitPending) {
        m_bFitPending = true;
        QMetaObject::invokeMethod(this, [this] { FitToPages(); }, Qt::QueuedConnection);
    }
    return Dialog::eventFilter(watched, event);
}

bool PropertiesDialog::event(QEvent *event)
{
    const bool done = Dialog::event(event);
    // Floated from a tab, docked into one, or made a window by its flags.
    if (event->type() == QEvent::ParentChange)
        PlacePages();
    return done;
}

void PropertiesDialog::MakeFloating() { PlacePages(); }

void PropertiesDialog::AddPage(QWidget *page) { m_pPageLayout->addWidget(page); }

void PropertiesDialog::PlacePages()
{
    if (isWindow() == (m_pScroll != nullptr))
        return;
    if (isWindow()) {
        m_pScroll = WrapInScrollArea(nullptr, palette().color(QPalette::Window));
        m_pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_pScroll->setWidget(m_pPages);
        m_pLayout->addWidget(m_pScroll);
    } else {
        m_pScroll->takeWidget();
        m_pLayout->addWidget(m_pPages);
        delete std::exchange(m_pScroll, nullptr);
        m_pPages->show();
    }
}

void PropertiesDialog::FitToPages()
{
    m_bFitPending = false;
    if (!m_pScroll || !isVisible())
        return;
    const QSize page = m_pPages->sizeHint();
    // What the window holds beside the page: its header and the scroll area's frame.
    const int around = height() - m_pScroll->viewport()->height();
    const int whole = around + page.height();
    int wanted = whole;
    QRect placed = geometry();
    if (const QScreen *where = screen()) {
        // The frame stays on the screen: the window moves up before it stops growing.
        const QRect free = where->availableGeometry();
        const int frameTop = geometry().top() - frameGeometry().top();
        const int frameBottom = frameGeometry().bottom() - geometry().bottom();
        wanted = std::min(wanted, std::max(free.height() - frameTop - frameBottom, minimumSizeHint().height()));
        const int lowest = free.bottom() - frameBottom - wanted + 1;
        if (placed.top() > lowest)
            placed.moveTop(std::max(lowest, free.top() + frameTop));
    }
    const int scrollBar = wanted < whole ? m_pScroll->verticalScrollBar()->sizeHint().width() : 0;
    placed.setHeight(wanted);
    placed.setWidth(std::max(width(), page.width() + scrollBar));
    if (placed != geometry())
        setGeometry(placed);
}

QString PropertiesDialog::HelpPage(const QString &widgetName) const
{
    return QStringLiteral("%1/%2.%3.html").arg(HelpFolder(), m_sTypeName, widgetName);
}

void PropertiesDialog::ShowMenu(const QPoint &globalPos, const QString &typeName, General::Node *node,
                                bool traysOnly)
{
    QMenu menu(this);
    menu.addSeparator();
    QMenu *trays = nullptr;
    if (typeName == QLatin1String("Brush") && !traysOnly)
        trays = menu.addMenu(tr("Store To"));
    else if (traysOnly)
        trays = &menu;
    if (trays)
        for (MTray *tray = MTray::First(); tray; tray = static_cast<MTray *>(tray->GetNext())) {
            QAction *action = trays->addAction(tray->objectName());
            action->setWhatsThis(tray->objectName());
        }
    if (typeName == m_sTypeName && !traysOnly) {
        menu.addSeparator();
        menu.addAction(tr("Duplicate Window"))->setWhatsThis(QStringLiteral("Duplicate"));
    }
    QAction *chosen = Modals().ExecMenu(menu, globalPos);
    if (chosen)
        RunMenuChoice(chosen->whatsThis(), typeName, node);
}

void PropertiesDialog::RunMenuChoice(const QString &choice, const QString &typeName, General::Node *node)
{
    if (choice.isEmpty())
        return;
    if (choice == QLatin1String("Duplicate")) {
        Duplicate();
        return;
    }
    MTray *target = nullptr;
    for (MTray *tray = MTray::First(); tray; tray = static_cast<MTray *>(tray->GetNext()))
        if (tray->objectName() == choice)
            target = tray;
    if (!target)
        return;
    // A stamp or stencil goes into the tray as its image file.
    auto addImage = [target](const QString &kind, const QString &file) {
        if (std::unique_ptr<TrayItem> item = CreateTrayItem(kind, file, file, QFileInfo(file).baseName()))
            target->AddItem(std::move(item));
    };
    if (typeName == QLatin1String("Stamp") && node) {
        addImage(typeName, node->GetName());
        return;
    }
    if (typeName == QLatin1String("Stencil")) {
        const Interface *controller = Interface::Get();
        addImage(typeName, controller ? controller->m_cStencil.m_cPlacement.m_sFileName : QString());
        return;
    }
    const auto *curve = dynamic_cast<const General::NURBSCurve *>(node);
    if (typeName == QLatin1String("Falloff") && curve) {
        // The tray item shows the copy, kept at the end of the falloff list.
        auto copy = std::make_unique<General::NURBSCurve>(2);
        *copy = *curve;
        Brush::Falloffs().push_back(std::move(copy));
        if (std::unique_ptr<TrayItem> item = CreateTrayItem(QStringLiteral("Falloff"), QString(), QString(), QString()))
            target->AddItem(std::move(item));
        return;
    }
    if (typeName != QLatin1String("Brush"))
        return;
    QString name;
    // A cancelled name adds nothing.
    if (!Modals().GetText(this, tr("Tool Name"), tr("Name : "), name))
        return;
    const Brush *tool = SceneHost().GetCurrentTool();
    if (std::unique_ptr<TrayItem> item =
            CreateTrayItem(QStringLiteral("Tool"), name, tool ? tool->IconPath() : QString(), QString()))
        target->AddItem(std::move(item));
}

PropertiesDialog *PropertiesDialog::Duplicate()
{
    auto *copy = new PropertiesDialog(nullptr, nullptr, true);
    copy->setModal(false);
    copy->setAttribute(Qt::WA_DeleteOnClose);
    copy->setWindowFlags(kFloatingPanelFlags);
    copy->show();
    copy->BuildPanel(m_sTypeName, m_pNode);
    copy->OnSetLock(kLockObject);
    copy->resize(width(), height());
    return copy;
}

}  // namespace GUI
