#include "ObjectFixtures.h"
#include "mesh/surface/Texture.h"
#include "support/RecordBytes.h"
#include "support/RecordingShell.h"
#include "support/StreamAtVersion.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QImage>

using fixtures::RecordingMeshHost;
using General::Color;
using Surface::Material;
using Surface::Texture;

namespace {

class Materials : public testing::Test {
protected:
    // A w × h image file of one colour.
    QString Image(const char *name, int w, int h, QColor colour = Qt::red)
    {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir.File(name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    fixtures::ModelFixture m_model;
    RecordingMeshHost m_host;
    TempDir m_dir;
};

// Material 4 with values other than the defaults and a tile pattern.
void FillStored(Material &stored)
{
    stored.m_aDiffuse.SetValue(Color(0.1f, 0.2f, 0.3f, 0.4f), true);
    stored.m_aEmissive.SetValue(Color(1, 0, 1, 1), true);
    stored.m_aGlossiness.SetValue(55.0f, true);
    stored.m_aDiffuseTexture.SetValue(QStringLiteral("rock_0001.tif"));
    stored.m_aShowTextures.SetValue(false, true);
    stored.m_aTransparency.SetValue(0.6f, true);
}

Bytes &ColorBytes(Bytes &b, const Color &c) { return b.F32(c.r).F32(c.g).F32(c.b).F32(c.a); }

AABB Tile(int x, int y) { return AABB(General::Vector(float(x), float(y), 0), General::Vector(float(x + 1), float(y + 1), 1)); }

}  // namespace

TEST_F(Materials, DefaultsNamesAndRegistry)
{
    Material material;
    EXPECT_EQ(material.GetName(), QString());
    EXPECT_EQ(Material(0).GetName(), "defaultMat");
    EXPECT_EQ(Material(12).GetName(), "material12");
    EXPECT_EQ(material.m_aDiffuse.GetValue(), Color(0.74f, 0.627f, 0.523f, 1.0f));
    EXPECT_EQ(material.m_aSpecular.GetValue(), Color(0.21f, 0.21f, 0.21f, 1.0f));
    EXPECT_EQ(material.m_aTransparency.GetValue(), 1.0f);
    EXPECT_EQ(material.m_aGlossiness.GetValue(), 20.0f);
    EXPECT_EQ(material.m_aGlossiness.GetUpper(), 100.0f);
    EXPECT_EQ(material.m_aURange.GetValue(), 1);
    EXPECT_EQ(material.m_aInitialTileNumber.GetValue(), 1);
    EXPECT_FALSE(material.m_aShowTextures.GetValue());
    EXPECT_EQ(material.m_aDiffuseTexture.GetFilter(), "*.bmp;*.jpg;*.gif;*.tif");
    EXPECT_TRUE(material.m_aDiffuseTexture.IsOpen());
    EXPECT_EQ(*material.m_aDiffuseTexture.GetFolder(), "textures/");

    // The tangent settings are listed with the material, as one group.
    int tangentSettings = 0, own = 0;
    for (int i = 0; General::Attribute *attribute = material.GetAttribute(i); ++i) {
        if (attribute->GetGroup() == "TNB Settings")
            ++tangentSettings;
        else
            ++own;
    }
    EXPECT_EQ(tangentSettings, Surface::TangentConfig::kAttributeCount);
    EXPECT_EQ(own, 12);  // ten attributes, the event gate and THIS
    EXPECT_EQ(material.GetTangentConfig().GetAttributeCount(), 1);  // only its THIS is left

    const General::TypeInfo *record = General::TypeInfo::Find(QStringLiteral("Material"));
    ASSERT_EQ(record, &Material::s_typeInfo);
    General::Node *made = record->Create(1);
    EXPECT_EQ(static_cast<Material *>(made)->GetIndex(), -1);
    delete made;
    EXPECT_EQ(Surface::Materials().Count(), 1);

    // Properties windows let go of a material that goes.
    auto *gone = new Material(5);
    delete gone;
    ASSERT_FALSE(Recorder().releasedNodes.empty());
    EXPECT_EQ(Recorder().releasedNodes.back(), gone);
}

TEST_F(Materials, TileFileNames)
{
    Material material;
    const struct {
        const char *pattern;
        int uRange, initial, x, y;
        const char *name;
    } cases[] = {
        {"%i", 10, 1, 1, 0, "0002"},
        {"%i", 10, 1, 0, 1, "0011"},
        {"skin_%i.tif", 1, 1, 0, 0, "skin_0001.tif"},
        {"t_%x_%y.png", 1, 1, 2, 0, "t_2_0.png"},
        {"%u-%v-%i-%i", 3, 1001, 1, 2, "3-1-1008-1008"},
        {"%I%X", 1, 1, 0, 0, "%I%X"},  // case matters
    };
    for (const auto &c : cases) {
        material.m_aDiffuseTexture.SetValue(QString::fromLatin1(c.pattern));
        material.m_aURange.SetValue(c.uRange, true);
        material.m_aInitialTileNumber.SetValue(c.initial, true);
        EXPECT_EQ(Texture::GetTileFileName(material, c.x, c.y, 0), c.name) << c.pattern;
    }
}

TEST_F(Materials, ChoosingATextureFileMakesAPattern)
{
    auto object = fixtures::MakeGridObject(1, 1);
    Material material(1);
    object->m_aMaterial.SetValue(&material);
    object->m_bPartitionsBuilt = false;
    material.m_aDiffuseTexture.SetValue(m_dir.File("a0001.jpg"));
    EXPECT_EQ(material.GetTilePattern(0), m_dir.File("a%i.jpg"));
    EXPECT_EQ(material.m_aDiffuseTexture.GetValue(), m_dir.File("a%i.jpg"));
    EXPECT_TRUE(material.m_aShowTextures.GetValue());
    EXPECT_EQ(Texture::GetTileFileName(material, 0, 0, 0), m_dir.File("a0001.jpg"));
    // The objects that use the material rebuilt their partitions.
    EXPECT_TRUE(object->m_bPartitionsBuilt);
    EXPECT_EQ(object->m_aPartitions.GetItemCount(), 1u);

    material.m_aDiffuseTexture.SetValue(QStringLiteral("b0000.png"));
    EXPECT_EQ(material.GetTilePattern(0), "b%i.png");
}

TEST_F(Materials, RecordRoundTripsAtEveryVersionGate)
{
    for (int version : {150, 199, 200, 201, 204, 205, 228}) {
        SCOPED_TRACE(version);
        Material stored(4);
        FillStored(stored);
        {
            StreamAtVersion stream(m_dir.File("material"), version);
            ASSERT_TRUE(stored.Serialize(stream));
        }
        // Storing is no choice of a file: nothing is switched on.
        EXPECT_FALSE(stored.m_aShowTextures.GetValue());

        Material read;
        Stream stream(m_dir.File("material"), false);
        ASSERT_TRUE(read.Serialize(stream));
        EXPECT_EQ(stream.BytesLeft(), 0u);
        EXPECT_EQ(read.GetName(), "material4");
        EXPECT_EQ(read.GetIndex(), 4);
        EXPECT_EQ(read.m_aDiffuse.GetValue(), Color(0.1f, 0.2f, 0.3f, 0.4f));
        EXPECT_EQ(read.m_aEmissive.GetValue(), Color(1, 0, 1, 1));
        EXPECT_EQ(read.m_aGlossiness.GetValue(), 55.0f);
        EXPECT_EQ(read.GetTilePattern(0), version >= 200 ? "rock_%i.tif" : "");
        EXPECT_EQ(read.m_aDiffuseTexture.GetValue(), read.GetTilePattern(0));
        // Choosing the pattern while reading turns textures on; the stored flag follows from 201.
        EXPECT_EQ(read.m_aShowTextures.GetValue(), version <= 200);
        EXPECT_EQ(read.m_aTransparency.GetValue(), version > 204 ? 0.6f : 0.4f);
    }
}

TEST_F(Materials, RecordBytesFollowTheTable)
{
    for (int v : {228, 204}) {
        SCOPED_TRACE(v);
        Material stored(4);
        FillStored(stored);

        Bytes b;
        ColorBytes(b, Color(0.1f, 0.2f, 0.3f, 0.4f));
        ColorBytes(b, Color(0.21f, 0.21f, 0.21f, 1.0f));
        ColorBytes(b, Color(0, 0, 0, 1));
        ColorBytes(b, Color(1, 0, 1, 1));
        b.F32(55.0f).Str("material4").I32(4);
        b.Str("rock_%i.tif").Str("").U8(0);  // both tile patterns, "Show Textures"
        if (v > 204)
            b.F32(0.6f);
        EXPECT_EQ(WrittenAt(stored, v, m_dir.File("material")).toHex().toStdString(), b.Get().toHex().toStdString());

        Material read;
        auto stream = ReadingAt(v, b.Get(), m_dir.File("material"));
        ASSERT_TRUE(read.Serialize(*stream));
        EXPECT_EQ(stream->BytesLeft(), 0u);
        EXPECT_EQ(read.GetName(), "material4");
        EXPECT_EQ(read.GetIndex(), 4);
        EXPECT_EQ(read.m_aSpecular.GetValue(), Color(0.21f, 0.21f, 0.21f, 1.0f));
        EXPECT_EQ(read.m_aEmissive.GetValue(), Color(1, 0, 1, 1));
        EXPECT_EQ(read.m_aGlossiness.GetValue(), 55.0f);
        EXPECT_EQ(read.GetTilePattern(0), "rock_%i.tif");
        EXPECT_FALSE(read.m_aShowTextures.GetValue());
        // Older records take the transparency from the diffuse alpha.
        EXPECT_EQ(read.m_aTransparency.GetValue(), v > 204 ? 0.6f : 0.4f);
    }
}

TEST_F(Materials, ShortRecordIsRefused)
{
    Material stored(2);
    {
        Stream stream(m_dir.File("material"), true);
        ASSERT_TRUE(stored.Serialize(stream));
    }
    QByteArray bytes = TempDir::Read(m_dir.File("material"));
    TempDir::Write(m_dir.File("material"), bytes.left(40));
    Material read(7);
    Stream stream(m_dir.File("material"), false);
    EXPECT_FALSE(read.Serialize(stream));
    EXPECT_EQ(read.GetName(), "material7");
}

TEST_F(Materials, ChangesReachTheObjectsThatUseTheMaterial)
{
    auto used = fixtures::MakeGridObject(1, 1, 2);
    auto other = fixtures::MakeGridObject(1, 1);
    Material material(1);
    used->m_aMaterial.SetValue(&material);
    m_host.scene = true;
    m_host.objects = {used.get(), other.get()};
    for (SubdivLevel *level : {static_cast<SubdivLevel *>(used.get()), used->GetLevel(1), static_cast<SubdivLevel *>(other.get())})
        level->m_bRecreateBuffers = false;

    const int redraws = m_host.redraws;
    material.m_aDiffuse.SetValue(Color(1, 1, 1, 1));
    EXPECT_TRUE(used->GetLevel(1)->m_bRecreateBuffers);
    EXPECT_FALSE(other->m_bRecreateBuffers);
    EXPECT_FALSE(used->m_aTNB.HasItems());
    EXPECT_EQ(m_host.materialShows, 1);
    EXPECT_EQ(m_host.redraws, redraws + 1);

    // Transparency also tells the objects, which rebuild their partitions.
    used->GetLevel(1)->m_bPartitionsBuilt = false;
    material.m_aTransparency.SetValue(0.5f);
    EXPECT_TRUE(used->GetLevel(1)->m_bPartitionsBuilt);
    EXPECT_FALSE(other->m_bPartitionsBuilt);

    // A tangent setting chosen in the material panel: the preset takes hold and the frames follow.
    used->GetLevel(1)->m_aTNB.Clear();
    material.GetTangentConfig().m_aPreset.SetValue(Surface::TangentConfig::kQuorra);
    EXPECT_TRUE(material.GetTangentConfig().m_aFlipBinormal.GetValue());
    EXPECT_TRUE(material.GetTangentConfig().m_aFlipNormal.IsReadOnly());
    EXPECT_TRUE(used->GetLevel(1)->m_aTNB.HasItems());

    // The direct setters change nothing but the buffers.
    used->m_bRecreateBuffers = false;
    material.SetDiffuse(Color(0, 0, 0, 1));
    material.SetTransparency(0.25f);
    EXPECT_TRUE(used->m_bRecreateBuffers);
    EXPECT_EQ(material.m_aTransparency.GetValue(), 0.25f);
}

TEST_F(Materials, ReadingTilePixels)
{
    const QString file = Image("a0001.jpg", 300, 200, Qt::blue);
    EXPECT_EQ(Texture::ReadTile(file, 2048).size(), QSize(512, 256));
    EXPECT_EQ(Texture::ReadTile(file, 512).size(), QSize(512, 256));
    const QImage limited = Texture::ReadTile(file, 256);
    EXPECT_EQ(limited.size(), QSize(256, 256));
    EXPECT_EQ(limited.format(), QImage::Format_ARGB32);
    const QColor pixel = limited.pixelColor(100, 100);
    EXPECT_LT(pixel.red(), 10);
    EXPECT_GT(pixel.blue(), 245);
    EXPECT_TRUE(Texture::ReadTile(m_dir.File("missing.png"), 2048).isNull());

    const struct {
        int size, maximum, side;
    } sides[] = {{0, 2048, 1}, {1, 2048, 1}, {2, 2048, 2}, {3, 2048, 4}, {300, 2048, 512},
                 {200, 2048, 256}, {4096, 2048, 2048}, {300, 0, 1}};
    for (const auto &c : sides)
        EXPECT_EQ(Texture::UploadSide(c.size, c.maximum), c.side) << c.size << " " << c.maximum;
}

TEST_F(Materials, TextureLoadErrorsAreReported)
{
    Material material;
    material.m_aDiffuseTexture.SetValue(m_dir.File("gone_0001.png"));
    Texture *texture = material.GetTexture(Tile(0, 0), 0);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetName(), 0u);
    EXPECT_FALSE(texture->HasImage());
    const QString expected = "Failed to load texture " + m_dir.File("gone_0001.png");
    EXPECT_TRUE(Recorder().LogContains(expected + "\n"));
    EXPECT_EQ(Recorder().statusMessages, QStringList{expected});
    EXPECT_EQ(Recorder().statusStates, std::vector<int>{2});
    // Fetched once per tile.
    EXPECT_EQ(material.GetTexture(Tile(0, 0), 0), texture);
    EXPECT_EQ(material.GetTextureCount(0), 1);

    // A readable file without a context to upload it to is said as much.
    Image("ok_0002.png", 4, 4);
    material.m_aDiffuseTexture.SetValue(m_dir.File("ok_0001.png"));
    EXPECT_EQ(material.GetTextureCount(0), 0);
    EXPECT_EQ(material.GetTexture(Tile(1, 0), 0)->GetName(), 0u);
    EXPECT_TRUE(Recorder().LogContains("No OpenGL context to load texture " + m_dir.File("ok_0002.png")));

    // Only unit tiles.
    for (const AABB &rect : {AABB(General::Vector(0, 0, 0), General::Vector(2, 1, 1)),
                             AABB(General::Vector(0.5f, 0, 0), General::Vector(1.5f, 1, 1)),
                             AABB(General::Vector(NAN, 0, 0), General::Vector(1, 1, 1))}) {
        try {
            material.GetTexture(rect, 0);
            ADD_FAILURE() << "no error";
        } catch (const General::Error &error) {
            EXPECT_EQ(error.GetMessage(), "Only separated tiles supported");
            EXPECT_EQ(error.GetCode(), 1);
        }
    }
    EXPECT_EQ(material.GetTextureCount(0), 1);
}

namespace {

// Partitions of a one-level object whose grid covers the given texture range.
class Partitions : public Materials {
protected:
    void SetUp() override
    {
        m_pMaterial = new Material(1);
        Surface::Materials().Append(m_pMaterial);
        m_pMaterial->m_aDiffuseTexture.SetValue(m_dir.File("t_%x_%y.png"));
        m_pObject->m_aMaterial.SetValue(m_pMaterial, true);
    }
    void Grid(unsigned w, unsigned h, float uvScale)
    {
        fixtures::FillGrid(*m_pObject, w, h, uvScale);
        m_pObject->BuildPartitions(true);
    }
    std::vector<AABB> Rects() const
    {
        std::vector<AABB> rects;
        for (const Surface::Partition &p : m_pObject->m_aPartitions)
            rects.push_back(p.m_cRect);
        return rects;
    }

    std::unique_ptr<Object> m_pObject = std::make_unique<Object>();
    Material *m_pMaterial = nullptr;
};

}  // namespace

TEST_F(Partitions, OneTile)
{
    Grid(2, 2, 1.0f);
    EXPECT_TRUE(m_pObject->m_bPartitionsBuilt);
    EXPECT_TRUE(m_pObject->m_bRecreateBuffers);
    EXPECT_EQ(Rects(), std::vector<AABB>{Tile(0, 0)});
    EXPECT_FALSE(m_pObject->m_aFacePartition.HasItems());
    EXPECT_EQ(m_pObject->m_aPartitions[0].m_pTexture, m_pMaterial->GetTexture(Tile(0, 0), 0));
    EXPECT_EQ(Recorder().progressTexts, QStringList{"loading textures..."});
    EXPECT_TRUE(Recorder().LogContains(m_dir.File("t_0_0.png")));

    // Built already: nothing without force.
    m_pObject->m_aPartitions.Clear();
    m_pObject->BuildPartitions(false);
    EXPECT_FALSE(m_pObject->m_aPartitions.HasItems());
}

TEST_F(Partitions, SeveralTilesInColumnOrder)
{
    // Four faces across u from 0 to 2.5 (0.625 each), v from 0 to 1.
    fixtures::FillGrid(*m_pObject, 4, 1, 1.0f);
    for (unsigned i = 0; i < m_pObject->m_iTCCount; ++i)
        m_pObject->m_pTCs[i].u *= 2.5f;
    m_pObject->BuildPartitions(true);
    EXPECT_EQ(Rects(), (std::vector<AABB>{Tile(0, 0), Tile(1, 0), Tile(2, 0)}));
    EXPECT_EQ(m_pMaterial->m_aURange.GetValue(), 3);
    ASSERT_EQ(m_pObject->m_aFacePartition.GetItemCount(), 4u);
    // Face 1 spans u 0.625 to 1.25: drawn in tiles 0 and 1, its byte naming the last.
    EXPECT_EQ(m_pObject->m_aFacePartition[0], 0);
    EXPECT_EQ(m_pObject->m_aFacePartition[1], 1);
    EXPECT_EQ(m_pObject->m_aFacePartition[3], 2);
    EXPECT_EQ(m_pObject->m_aPartitions[0].m_aFaces.GetItemCount(), 2u);
    EXPECT_EQ(m_pObject->m_aPartitions[2].m_aFaces.GetItemCount(), 1u);
}

TEST_F(Partitions, TileBordersDoNotSpill)
{
    // Two faces: u 0 to 1 and u 1 to 2; the shared border belongs to neither neighbour.
    Grid(2, 1, 1.0f);
    for (unsigned i = 0; i < m_pObject->m_iTCCount; ++i)
        m_pObject->m_pTCs[i].u *= 2.0f;
    m_pObject->BuildPartitions(true);
    ASSERT_EQ(Rects().size(), 2u);
    EXPECT_EQ(m_pObject->m_aPartitions[0].m_aFaces.GetItemCount(), 1u);
    EXPECT_EQ(m_pObject->m_aPartitions[1].m_aFaces.GetItemCount(), 1u);
    EXPECT_EQ(m_pObject->m_aFacePartition[1], 1);
}

TEST_F(Partitions, NothingToPartition)
{
    // No pattern: drawn untextured.
    m_pMaterial->m_aDiffuseTexture.SetValue(QString());
    Grid(2, 2, 1.0f);
    EXPECT_TRUE(m_pObject->m_bPartitionsBuilt);
    EXPECT_TRUE(Rects().empty());

    // Every face hidden: an empty texture range.
    m_pMaterial->m_aDiffuseTexture.SetValue(m_dir.File("t_%x_%y.png"));
    fixtures::FillGrid(*m_pObject, 2, 2, 1.0f);
    for (Quad &q : m_pObject->m_pQuads)
        q.m_iIndices[0] &= ~MeshFlags::kBit31;
    m_pObject->BuildPartitions(true);
    EXPECT_TRUE(Rects().empty());
}

TEST_F(Partitions, StrayCoordinatesAreBoundedAndReported)
{
    const struct {
        const char *name;
        float u;
    } cases[] = {{"far away", 1e9f}, {"not a number", NAN}, {"infinite", INFINITY}, {"70000 tiles", 70000.0f}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Recorder().Clear();
        fixtures::FillGrid(*m_pObject, 2, 2, 1.0f);
        m_pObject->m_pTCs[4].u = c.u;
        m_pObject->BuildPartitions(true);
        EXPECT_TRUE(m_pObject->m_bPartitionsBuilt);
        EXPECT_TRUE(Rects().empty());
        EXPECT_FALSE(m_pObject->m_aFacePartition.HasItems());
        ASSERT_EQ(Recorder().statusMessages.size(), 1);
        EXPECT_TRUE(Recorder().statusMessages[0].startsWith("Texture coordinates that are not finite or cover more than 65536 tiles"))
            << Recorder().statusMessages.join("|").toStdString();
        EXPECT_EQ(Recorder().statusStates, std::vector<int>{2});
        EXPECT_TRUE(Recorder().LogContains(Recorder().statusMessages[0]));
    }
    // Hundreds of tiles are drawn, and every face names its own tile, past what a byte holds.
    Recorder().Clear();
    fixtures::FillGrid(*m_pObject, 20, 20, 20.0f);
    m_pObject->BuildPartitions(true);
    EXPECT_TRUE(Recorder().statusMessages.filter("Texture coordinates").isEmpty());
    ASSERT_EQ(Rects().size(), 400u);
    for (unsigned face : {0u, 1u, 20u, 255u, 256u, 399u}) {
        const unsigned i = face % 20, j = face / 20;  // the face's tile column and row
        EXPECT_EQ(m_pObject->m_aFacePartition[face], i * 20 + j) << face;
        const Surface::Partition &partition = m_pObject->m_aPartitions[i * 20 + j];
        EXPECT_EQ(partition.m_cRect.m_vMin.x, float(i));
        EXPECT_EQ(partition.m_cRect.m_vMin.y, float(j));
        ASSERT_EQ(partition.m_aFaces.GetItemCount(), 1u) << face;
        EXPECT_EQ(partition.m_aFaces[0], face);
    }
}

TEST_F(Partitions, BadTextureIndicesEndTheBuildWithAMessage)
{
    fixtures::FillGrid(*m_pObject, 2, 2, 1.0f);
    m_pObject->m_pQuads[3].m_iTCI[2] = 1000;
    m_pObject->BuildPartitions(true);
    EXPECT_TRUE(m_pObject->m_bPartitionsBuilt);
    EXPECT_TRUE(Rects().empty());
    EXPECT_EQ(Recorder().statusMessages, QStringList{"Mesh partitions not built: Invalid texture coordinate index"});
    EXPECT_EQ(Recorder().progressEnds, 0);
}
