#include "gui/properties/MaterialProperties.h"

#include "foundation/Diagnostics.h"
#include "gui/dialogs/PropertiesDialog.h"
#include "gui/editors/TextSlider.h"
#include "gui/layouts/CollapsableFrame.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/properties/PanelRows.h"
#include "interaction/Interface.h"
#include "mesh/core/PickInfo.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "scene/Scene.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace GUI {

namespace {

constexpr const char *kSwatches[] = {"Ambient", "Diffuse", "Specular", "Emissive"};

General::AttributeInstance<General::Color> &ColorOf(Surface::Material &material, const QString &name)
{
    if (name == QLatin1String("Ambient"))
        return material.m_aAmbient;
    if (name == QLatin1String("Specular"))
        return material.m_aSpecular;
    if (name == QLatin1String("Emissive"))
        return material.m_aEmissive;
    return material.m_aDiffuse;
}

void ShowMaterialEverywhere()
{
    if (PropertiesDialog *first = PropertiesDialog::First())
        first->ShowNode(QStringLiteral("Material"), nullptr);
}

}  // namespace

MaterialProperties::MaterialProperties(PropertiesDialog *owner) : PropertyList(owner)
{
    QVBoxLayout *layout = MakePanelLayout(this);
    CollapsableFrame *frame = AddGroup(this, layout, QString());
    auto *shader = new QComboBox(frame);
    shader->setObjectName(QStringLiteral("Shader"));
    shader->addItem(tr("Phong"));
    shader->setFixedWidth(110);
    shader->installEventFilter(this);
    AddCaptionRow(frame, tr("Shader"), shader);
    for (const char *name : kSwatches)
        AddCaptionRow(frame, tr(name), MakeColorSwatch(frame, QLatin1String(name), this));
    auto *glossiness = new TextSlider(2, frame, "Glossiness");
    glossiness->SetRange(0.0f, 128.0f);
    AddCaptionRow(frame, tr("Glossiness"), glossiness);
    auto *opacity = new TextSlider(2, frame, "Opacity");
    opacity->SetRange(0.0f, 100.0f);
    AddCaptionRow(frame, tr("Opacity"), opacity);
    auto *spacer = new QLabel(frame);
    spacer->setMinimumWidth(52);
    spacer->setAlignment(Qt::AlignRight);
    auto *assign = new QPushButton(tr("Assign To Selected"), frame);
    assign->setObjectName(QStringLiteral("Assign"));
    assign->setFixedWidth(120);
    assign->setDefault(false);
    assign->setAutoDefault(false);
    frame->AddRow(spacer, assign);
    TV_CHECK(connect(assign, &QPushButton::clicked, this, &MaterialProperties::OnAssign));
    Refresh();
    // Connected after the first fill, so opening the panel writes nothing.
    TV_CHECK(connect(glossiness, &TextSlider::valueChanged, this, &MaterialProperties::Update));
    TV_CHECK(connect(opacity, &TextSlider::valueChanged, this, &MaterialProperties::Update));
    if (owner)
        owner->SetWhatsThis(this);
}

Surface::Material *MaterialProperties::GetMaterial() const
{
    General::Node *node = GetShownNode();
    return node && General::TypeInfo::IsKindOf(node->GetTypeInfo(), &Surface::Material::s_typeInfo)
               ? static_cast<Surface::Material *>(node)
               : nullptr;
}

void MaterialProperties::Refresh()
{
    Surface::Material *material = GetMaterial();
    if (!material)
        return;
    m_bUpdating = true;
    findChild<TextSlider *>(QStringLiteral("Glossiness"))->setValue(material->m_aGlossiness.GetValue());
    findChild<TextSlider *>(QStringLiteral("Opacity"))->setValue(material->m_aTransparency.GetValue() * 100.0f);
    for (const char *name : kSwatches)
        PaintSwatch(findChild<QFrame *>(QLatin1String(name)), ColorOf(*material, QLatin1String(name)).GetValue());
    m_bUpdating = false;
}

void MaterialProperties::Update()
{
    Surface::Material *material = GetMaterial();
    if (m_bUpdating || !material)
        return;
    // Both are read first: a change of the material shows it again in this very panel.
    const float glossiness = findChild<TextSlider *>(QStringLiteral("Glossiness"))->GetValue();
    const float opacity = findChild<TextSlider *>(QStringLiteral("Opacity"))->GetValue();
    material->m_aGlossiness.SetValue(glossiness);
    material->SetTransparency(opacity / 100.0f);
    ShowMaterialEverywhere();
    Interface::Redraw();
}

void MaterialProperties::OnAssign()
{
    Surface::Material *material = GetMaterial();
    Scene *scene = Scene::GetCurrent();
    if (!material || !scene)
        return;
    if (scene->HasSelectedFaces()) {
        for (Object *object = scene->m_pObjects; object; object = object->m_pNextObject)
            if (object->IsAllSelected())
                object->m_aMaterial.SetValue(material);
    } else if (Interface *controller = Interface::Get()) {
        if (const PickInfo *pick = controller->m_cPicker.GetFirstPick())
            if (Object *object = pick->m_pMesh ? pick->m_pMesh->GetObject() : nullptr)
                object->m_aMaterial.SetValue(material);
    }
    SceneInfoDialog::RefreshAll();
    Interface::Redraw();
}

void MaterialProperties::OnNormalSpace(int index)
{
    if (index != -1)
        Interface::Redraw();
}

bool MaterialProperties::eventFilter(QObject *watched, QEvent *event)
{
    auto *swatch = qobject_cast<QFrame *>(watched);
    if (event->type() != QEvent::MouseButtonRelease || !swatch || qobject_cast<QComboBox *>(watched))
        return false;
    Surface::Material *material = GetMaterial();
    General::Color picked;
    if (!material || !AskSwatchColor(swatch, this, picked))
        return true;
    if (swatch->objectName() == QLatin1String("Diffuse"))
        material->SetDiffuse(picked);
    else
        ColorOf(*material, swatch->objectName()).SetValue(picked);
    ShowMaterialEverywhere();
    Interface::Redraw();
    return true;
}

}  // namespace GUI
