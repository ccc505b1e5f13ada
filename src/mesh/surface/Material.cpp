#include "mesh/surface/Material.h"

#include "foundation/Diagnostics.h"
#include "foundation/ShellServices.h"
#include "foundation/Stream.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "mesh/surface/Texture.h"

#include <memory>

namespace Surface {

constinit General::TypeInfo Material::s_typeInfo{&General::Node::s_typeInfo, "Material",
                                                 &General::CreateNodes<Material>};

namespace {

QString NameOf(int index)
{
    if (index == 0)
        return QStringLiteral("defaultMat");
    return index > 0 ? QStringLiteral("material%1").arg(index) : QString();
}

}  // namespace

Material::Material(int index)
    : General::Node(NameOf(index)),
      m_aDiffuse(QStringLiteral("Diffuse")),
      m_aSpecular(QStringLiteral("Specular")),
      m_aAmbient(QStringLiteral("Ambient")),
      m_aEmissive(QStringLiteral("Emissive")),
      m_aTransparency(QStringLiteral("Transparency"), 0.0f, 1.0f, 1.0f),
      m_aGlossiness(QStringLiteral("Glossiness"), 0.0f, 100.0f, 1.0f),
      m_aURange(QStringLiteral("URange")),
      m_aInitialTileNumber(QStringLiteral("Initial Tile Number")),
      m_aShowTextures(QStringLiteral("Show Textures")),
      m_aDiffuseTexture(QStringLiteral("Diffuse Texture"), true),
      m_iIndex(index),
      // The configuration is a node of its own: what is built after it must not join it.
      m_aEventGate(QStringLiteral("eventgate"), false)
{
    m_aDiffuse.SetValue(General::Color(0.74f, 0.627f, 0.523f, 1.0f), true);
    m_aSpecular.SetValue(General::Color(0.21f, 0.21f, 0.21f, 1.0f), true);
    m_aAmbient.SetValue(General::Color(0.0f, 0.0f, 0.0f, 1.0f), true);
    m_aEmissive.SetValue(General::Color(0.0f, 0.0f, 0.0f, 1.0f), true);
    m_aTransparency.SetValue(1.0f, true);
    m_aGlossiness.SetValue(20.0f, true);
    m_aURange.SetValue(1, true);
    m_aInitialTileNumber.SetValue(1, true);
    m_aDiffuseTexture.SetFilter(QStringLiteral("*.bmp;*.jpg;*.gif;*.tif"));
    m_aDiffuseTexture.SetFolder(MeshHost::Get().TextureFolder());
    m_aEventGate.SetOwner(this);
    // A material panel shows the tangent settings as one group of the material's; the
    // configuration keeps its own THIS.
    for (int i = 0; i < TangentConfig::kAttributeCount; ++i) {
        General::Attribute *attribute = m_cTangentConfig.GetConfigAttribute(i);
        attribute->SetGroup(QStringLiteral("TNB Settings"));
        attribute->SetOwner(this);
    }
    m_bReady = true;
}

Material::~Material()
{
    m_bReady = false;
    General::Shell().ReleaseNode(this);
    FreeTextures();
}

void Material::AttributeChanged(General::Attribute *attribute, int event)
{
    if (!m_bReady)
        return;
    if (m_cTangentConfig.Holds(attribute)) {
        // The settings are listed here but are the configuration's: it applies presets,
        // and a change must reach the frames it shapes.
        m_cTangentConfig.AttributeChanged(attribute, event);
        if (event == General::Attribute::kValueChanged)
            ContentsChanged();
        return;
    }
    if (event == General::Attribute::kNodeChanged) {
        ContentsChanged();
        return;
    }
    if (event != General::Attribute::kValueChanged)
        return;
    if (attribute == &m_aURange || attribute == &m_aInitialTileNumber) {
        FreeTextures();
        GetThis().Notify(General::Attribute::kNodeChanged);
    } else if (attribute == &m_aDiffuseTexture) {
        TextureFileChosen();
    } else {
        if (MeshHost::Get().HasScene()) {
            UpdateObjects(false);
            MeshHost::Get().ShowMaterialProperties();
            MeshHost::Get().Redraw();
        }
        if (attribute == &m_aTransparency)
            GetThis().Notify(General::Attribute::kNodeChanged);
    }
}

void Material::ContentsChanged()
{
    if (!MeshHost::Get().HasScene())
        return;
    UpdateObjects(true);
    MeshHost::Get().ShowMaterialProperties();
    MeshHost::Get().Redraw();
}

void Material::TextureFileChosen()
{
    m_aShowTextures.SetValue(true, true);
    QString text = m_aDiffuseTexture.GetValue();
    QString pattern = text;
    pattern.replace(QLatin1String("0000"), QLatin1String("%i"));
    pattern.replace(QLatin1String("0001"), QLatin1String("%i"));
    if (pattern != text) {
        // Runs this handler again with the pattern.
        m_aDiffuseTexture.SetValue(pattern);
        return;
    }
    m_sTilePattern[0] = text;
    FreeTextures();
    GetThis().Notify(General::Attribute::kNodeChanged);
}

bool Material::Serialize(Stream &stream)
{
    const int v = stream.GetVersion();
    const bool storing = stream.IsStoring();
    QString name = m_sName;
    stream << m_aDiffuse << m_aSpecular << m_aAmbient << m_aEmissive << m_aGlossiness;
    stream.Serialize(name);
    stream.Serialize(m_iIndex);
    if (stream.HasError())
        return false;
    m_sName = name;
    if (v >= 200) {
        QString patterns[kChannels] = {m_sTilePattern[0], m_sTilePattern[1]};
        stream.Serialize(patterns[0]).Serialize(patterns[1]);
        if (stream.HasError())
            return false;
        m_sTilePattern[0] = patterns[0];
        m_sTilePattern[1] = patterns[1];
    }
    // Only a loaded pattern is chosen again: storing must not turn textures on or reload them.
    if (!storing)
        m_aDiffuseTexture.SetValue(m_sTilePattern[0]);
    if (v > 200)
        stream << m_aShowTextures;
    if (v > 204)
        stream << m_aTransparency;
    else if (!storing)
        m_aTransparency.SetValue(m_aDiffuse.GetValue().a, true);
    return !stream.HasError();
}

void Material::SetDiffuse(const General::Color &color)
{
    m_aDiffuse.SetValue(color, true);
    UpdateObjects(false);
}

void Material::SetTransparency(float transparency)
{
    m_aTransparency.SetValue(transparency, true);
    UpdateObjects(false);
}

void Material::UpdateObjects(bool recalculateTangents)
{
    MeshHost &host = MeshHost::Get();
    for (int i = 0; i < host.GetObjectCount(); ++i) {
        Object *object = host.GetObjectAt(i);
        if (!object || object->GetMaterial() != this)
            continue;
        for (SubdivLevel *level = object->GetBaseLevel(); level; level = level->m_pNext) {
            if (recalculateTangents)
                level->CalculateTangents(m_cTangentConfig);
            level->m_bRecreateBuffers = true;
        }
    }
}

void Material::FreeTextures()
{
    for (General::Store<Texture *> &textures : m_aTextures) {
        for (Texture *texture : textures)
            delete texture;
        textures.Clear();
    }
}

Texture *Material::GetTexture(const AABB &rect, int channel)
{
    General::Store<Texture *> &textures = m_aTextures[channel & 1];
    for (Texture *texture : textures)
        if (texture->GetRect() == rect)
            return texture;
    // Not kept when loading throws.
    auto texture = std::make_unique<Texture>(this);
    texture->Load(rect, channel);
    if (textures.Add(texture.get()) < 0)
        return nullptr;
    return texture.release();
}

int Material::GetTextureCount(int channel) const { return int(m_aTextures[channel & 1].GetItemCount()); }

bool MaterialList::Append(Material *material)
{
    if (m_aItems.Add(material) >= 0)
        return true;
    delete material;
    return false;
}

void MaterialList::Remove(Material *material)
{
    if (m_aItems.Remove(material))
        delete material;
}

void MaterialList::Clear()
{
    // Newest first, and out of the list before it goes.
    while (m_aItems.HasItems()) {
        Material *last = m_aItems.GetLast();
        m_aItems.SetItemCount(m_aItems.GetItemCount() - 1, true);
        delete last;
    }
}

MaterialList &Materials()
{
    static MaterialList list;
    return list;
}

void InitMaterials() { Materials().Append(new Material(0)); }

}  // namespace Surface
