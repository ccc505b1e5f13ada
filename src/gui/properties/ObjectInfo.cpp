#include "gui/properties/ObjectInfo.h"

#include "foundation/OperationBuffer.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/properties/ObjectFigures.h"
#include "gui/properties/PanelRows.h"
#include "interaction/Interface.h"
#include "mesh/object/Object.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace GUI {

namespace {

Object *AsObject(General::Node *node)
{
    return node && General::TypeInfo::IsKindOf(node->GetTypeInfo(), &Object::s_typeInfo) ? static_cast<Object *>(node)
                                                                                       : nullptr;
}

}  // namespace

ObjectInfo::ObjectInfo(QWidget *parent, const char *, bool framed) : PropertyList(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setAlignment(Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    if (framed) {
        setFrameShadow(QFrame::Raised);
        setFrameShape(QFrame::WinPanel);
    } else {
        setFrameShape(QFrame::NoFrame);
    }
    layout->addSpacing(4);
    auto *grid = new QGridLayout;
    grid->setSpacing(6);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addLayout(grid);
    struct Cell {
        const char *name;
        const char *caption;
        const char *initial;
        int row, column;
        bool alignLeft;
    };
    static constexpr Cell kCells[] = {{"ActiveLevel", "Active Level", "0", 0, 0, true},
                                      {"HighestLevel", "Highest Level", "-", 1, 0, false},
                                      {"FaceCount", "Face Count", "-", 0, 2, true},
                                      {"MemoryUsage", "Memory Used", "-", 1, 2, true}};
    for (const Cell &cell : kCells) {
        auto *caption = new QLabel(tr(cell.caption), this);
        caption->setObjectName(QLatin1String(cell.name) + QStringLiteral("_label"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, cell.row, cell.column, Qt::AlignRight);
        auto *value = new QLabel(QLatin1String(cell.initial), this);
        value->setObjectName(QLatin1String(cell.name));
        if (cell.alignLeft)
            value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(value, cell.row, cell.column + 1);
    }
    layout->addSpacing(4);
    auto *second = new QGridLayout;
    second->setSpacing(6);
    second->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(second);
    SetObject(nullptr);
}

QLabel *ObjectInfo::Value(const char *name) const { return findChild<QLabel *>(QLatin1String(name)); }

void ObjectInfo::SetObject(Object *object)
{
    m_bUpdating = true;
    m_pObject = object;
    Value("ActiveLevel")->setEnabled(object != nullptr);
    Value("ActiveLevel_label")->setEnabled(object != nullptr);
    if (!object) {
        Value("FaceCount")->setText(QStringLiteral("-"));
        Value("MemoryUsage")->setText(QStringLiteral("-"));
        Value("HighestLevel")->setText(QStringLiteral("0"));
        Value("ActiveLevel")->setText(QStringLiteral("0"));
    } else {
        const ObjectFigures figures = ObjectFiguresOf(*object);
        Value("FaceCount")->setText(QStringLiteral("%1").arg(figures.visibleFaces));
        Value("MemoryUsage")->setText(QStringLiteral("%1").arg(figures.mib, 0, 'f', 2));
        Value("HighestLevel")->setText(QStringLiteral("%1").arg(figures.highestLevel));
        Value("ActiveLevel")->setText(QStringLiteral("%1").arg(figures.activeLevel));
    }
    m_bUpdating = false;
}

void ObjectInfo::Update()
{
    if (m_bUpdating)
        return;
    if (m_pObject) {
        InteractionHost().RefreshLayers();
        if (PropertiesDialog *first = PropertiesDialog::First())
            first->ShowNode(QStringLiteral("Geometry"), m_pObject);
    }
    Interface::Redraw();
}

void ObjectInfo::OnSetActiveLevel()
{
    bool ok = false;
    const int level = Value("ActiveLevel")->text().toInt(&ok);
    if (!ok || !m_pObject)
        return;
    m_pObject->ChangeLevel(level, false);
    // Records of another level's faces cannot be replayed on this one.
    if (OperationBuffer *undo = Interface::UndoStack())
        undo->Rewind();
    if (OperationBuffer *redo = Interface::RedoStack())
        redo->Rewind();
    Interface::Redraw();
    InteractionHost().RefreshLayers();
    SceneInfoDialog::RefreshAll();
}

MeshProperties::MeshProperties(PropertiesDialog *owner) : PropertyList(owner)
{
    QVBoxLayout *layout = MakePanelLayout(this);
    AddGroup(this, layout, QString());
    m_pInfo = new ObjectInfo(this, "ObjectInfo", false);
    layout->addWidget(m_pInfo, 0);
    m_pInfo->SetObject(AsObject(GetShownNode()));
}

void MeshProperties::Refresh()
{
    m_bUpdating = true;
    m_pInfo->SetObject(AsObject(GetShownNode()));
    m_bUpdating = false;
}

void MeshProperties::OnChangeTrans() { Interface::Redraw(); }

}  // namespace GUI
