#pragma once
// A scene node that gives objects their colours, transparency and glossiness, and an
// optional diffuse texture split into unit tiles of texture space, one image file per
// tile, the file names made from a pattern ("skin_%i.tif"). It also carries the tangent
// configuration its objects' frames are built with.

#include "foundation/attributes/AttributeFilename.h"
#include "foundation/attributes/AttributeFloatRange.h"
#include "foundation/EventGate.h"
#include "foundation/Node.h"
#include "mesh/surface/TangentConfig.h"

class AABB;
class Stream;

namespace Surface {

class Texture;

class Material : public General::Node {
public:
    static constexpr int kChannels = 2;  // channel 0 is the diffuse texture
    static General::TypeInfo s_typeInfo;

    // Index 0 names the material "defaultMat", 1 and more "material%1"; a negative index leaves it unnamed.
    explicit Material(int index = -1);
    ~Material() override;

    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }
    void AttributeChanged(General::Attribute *attribute, int event) override;

    // The stored record in the stream's direction; loading renames the material.
    // False when the record could not be transferred whole.
    bool Serialize(Stream &stream);

    // Without notification; the objects' buffers are refreshed.
    void SetDiffuse(const General::Color &color);
    void SetTransparency(float transparency);
    // Every level of every scene object using this material gets its buffers refreshed,
    // and its tangent frames recalculated when asked.
    void UpdateObjects(bool recalculateTangents);

    void FreeTextures();
    // The channel's texture of a tile, loaded on first use. Throws General::Error for a
    // rectangle that is not one unit tile.
    Texture *GetTexture(const AABB &rect, int channel);
    int GetTextureCount(int channel) const;

    int GetIndex() const { return m_iIndex; }
    int GetVRange() const { return m_iVRange; }
    const QString &GetTilePattern(int channel) const { return m_sTilePattern[channel & 1]; }
    TangentConfig &GetTangentConfig() { return m_cTangentConfig; }

private:
    // Attributes report to the material while its members are built and torn down; it
    // answers only while all of them are there.
    bool m_bReady = false;

public:
    General::AttributeInstance<General::Color> m_aDiffuse;
    General::AttributeInstance<General::Color> m_aSpecular;
    General::AttributeInstance<General::Color> m_aAmbient;
    General::AttributeInstance<General::Color> m_aEmissive;
    General::AttributeFloatRange m_aTransparency;
    General::AttributeFloatRange m_aGlossiness;
    General::AttributeInstance<int> m_aURange;             // tiles per row of texture space
    General::AttributeInstance<int> m_aInitialTileNumber;  // number of the tile at (0, 0)
    General::AttributeInstance<bool> m_aShowTextures;
    General::AttributeFilename m_aDiffuseTexture;

private:
    int32_t m_iIndex;
    int32_t m_iVRange = 1;  // rows of tiles, the "%v" of tile names
    TangentConfig m_cTangentConfig;
    General::EventGate m_aEventGate;
    General::Store<Texture *> m_aTextures[kChannels] = {General::Store<Texture *>("unknown"),
                                                        General::Store<Texture *>("unknown")};
    QString m_sTilePattern[kChannels];

    // A texture file was chosen: its tile number becomes the "%i" of the pattern.
    void TextureFileChosen();
    // The material's contents changed: its objects rebuild what depends on it.
    void ContentsChanged();
};

// The program's materials; the list owns them.
class MaterialList {
public:
    MaterialList() = default;
    MaterialList(const MaterialList &) = delete;
    MaterialList &operator=(const MaterialList &) = delete;
    ~MaterialList() { Clear(); }

    int Count() const { return int(m_aItems.GetItemCount()); }
    Material *At(int index) const { return index >= 0 && index < Count() ? m_aItems[unsigned(index)] : nullptr; }
    Material *First() const { return At(0); }
    // Takes ownership; false (and the material deleted) when the list cannot grow.
    bool Append(Material *material);
    // Deletes the material when it is in the list.
    void Remove(Material *material);
    void Clear();

private:
    General::Store<Material *> m_aItems{"unknown"};
};

// The global material list.
MaterialList &Materials();
// Gives the global list its default material ("defaultMat"); run once at start-up.
void InitMaterials();

}  // namespace Surface
