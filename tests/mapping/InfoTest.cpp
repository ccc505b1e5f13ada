#include "foundation/Stream.h"
#include "mapping/Info.h"
#include "mapping/MappingGlobals.h"
#include "MappingFixtures.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

using fixtures::UVQuad;
using MapExtraction::Info;

namespace {

bool Disabled(const General::Attribute &attribute) { return attribute.IsReadOnly(); }

// Every attribute's text, to see that a refused load changed nothing.
QStringList Snapshot(const Info &info)
{
    QStringList texts;
    for (int i = 0; i < info.GetAttributeCount(); ++i) {
        const General::Attribute *a = info.GetAttribute(i);
        texts << a->GetName() + QLatin1Char('=') + a->AsString() + (a->IsReadOnly() ? QStringLiteral(" off") : QString());
    }
    return texts << info.m_sMapFolder;
}

// The settings record written field by field as the format lays it out.
class Record {
public:
    explicit Record(int version) : m_iVersion(version) { Int(version); }
    Record &Int(int32_t v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_aBytes.append(b, 4);
        return *this;
    }
    Record &Float(float v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_aBytes.append(b, 4);
        return *this;
    }
    Record &Bool(bool v)
    {
        m_aBytes.append(char(v ? 1 : 0));
        return *this;
    }
    Record &Text(const char *text)
    {
        Int(int32_t(qstrlen(text)));
        m_aBytes.append(text);
        return *this;
    }
    Record &NoPointer() { return Text("").Text(""); }

    // The sample settings of these tests, with the high mesh named by class and node name
    // (a level before version 209).
    Record &Settings(const char *highClass = "", const char *highName = "")
    {
        const int v = m_iVersion;
        Text("Baker #7").NoPointer().Int(2).Bool(true);
        Text(highClass).Text(highName);
        Int(3).Text("/maps/").Bool(false).Text("n_%i").Bool(false).Bool(true).Text("d_%i_%g_%f").Bool(true);
        Int(4).Int(1001).Int(512).Int(256).Int(3).Int(0).Int(2).Int(v < 220 ? 4 : 1);
        if (v < 127) {
            m_aBytes.append("\x01\x02", 2);
        } else {
            // Tangent settings: four orthogonalisation flags, derive axis, preset, switch,
            // index source, three flips (bits of one int before version 226), a dropped
            // word, vertex normals, orientation.
            Bool(false).Bool(true).Bool(false).Bool(true).Int(4).Int(0).Bool(true).Int(2);
            if (v > 225)
                Bool(true).Bool(false).Bool(true);
            else
                Int(1 | 4);
            Int(0).Bool(false).Int(1);
        }
        Float(2.5f).Int(1).Bool(true);
        if (v > 155)
            Bool(true);
        if (v >= 212)
            Bool(true);
        if (v >= 220)
            Int(0);
        if (v > 221)
            Bool(false);
        if (v > 222)
            Bool(false);
        return *this;
    }
    const QByteArray &Bytes() const { return m_aBytes; }

private:
    int m_iVersion;
    QByteArray m_aBytes;
};

bool Load(Info &info, const QString &path)
{
    Stream stream(path, false);
    const bool ok = info.Serialize(stream);
    EXPECT_EQ(ok, !stream.HasError());
    return ok;
}

class Settings : public testing::Test {
protected:
    void SetUp() override { InitializeMappingGlobals(); }
    TempDir m_dir;
};

}  // namespace

TEST_F(Settings, NewNodesTakeTheFirstFreeBakerName)
{
    auto a = std::make_unique<Info>();
    auto b = std::make_unique<Info>();
    auto c = std::make_unique<Info>();
    EXPECT_EQ(a->GetName(), QStringLiteral("Baker #0"));
    EXPECT_EQ(b->GetName(), QStringLiteral("Baker #1"));
    EXPECT_EQ(c->GetName(), QStringLiteral("Baker #2"));
    const Info *first = a.get();
    a.reset();
    c.reset();
    // Windows showing a destroyed node let go of it.
    EXPECT_EQ(Recorder().releasedNodes.front(), first);
    EXPECT_EQ(Info().GetName(), QStringLiteral("Baker #0"));
    // The registry makes them by class name too.
    std::unique_ptr<General::Node> made(General::TypeInfo::Find(QStringLiteral("Info"))->Create(1));
    EXPECT_EQ(made->GetName(), QStringLiteral("Baker #0"));
}

TEST_F(Settings, FormatRulesKeepTheFormatsConsistent)
{
    Info info;
    EXPECT_FALSE(Disabled(info.m_aNormalMapFormat));
    info.m_aNormalMapFormat.SetValue(2);
    info.m_aDisplacementMapFormat.SetValue(MapExtraction::mapFloat);
    EXPECT_TRUE(Disabled(info.m_aNormalizeToSearchDistance));
    EXPECT_TRUE(Disabled(info.m_aKeepZeroAsMiddleGrey));

    // Anything but TIFF holds 8 bits only.
    info.m_aFileType.SetValue(MapExtraction::filePNG);
    EXPECT_EQ(info.m_aNormalMapFormat.GetValue(), 0);
    EXPECT_EQ(info.m_aDisplacementMapFormat.GetValue(), 0);
    EXPECT_TRUE(Disabled(info.m_aNormalMapFormat));
    EXPECT_TRUE(Disabled(info.m_aDisplacementMapFormat));
    // The forced 8-bit format is not a float one: its dependants are usable again.
    EXPECT_FALSE(Disabled(info.m_aNormalizeToSearchDistance));
    EXPECT_FALSE(Disabled(info.m_aKeepZeroAsMiddleGrey));
    info.m_aFileType.SetValue(MapExtraction::fileTIF);
    EXPECT_FALSE(Disabled(info.m_aNormalMapFormat));
    EXPECT_FALSE(Disabled(info.m_aDisplacementMapFormat));

    info.m_aNormalizeToSearchDistance.SetValue(true);
    EXPECT_TRUE(Disabled(info.m_aKeepZeroAsMiddleGrey));
    info.m_aNormalizeToSearchDistance.SetValue(false);
    EXPECT_FALSE(Disabled(info.m_aKeepZeroAsMiddleGrey));

    info.m_aCreateNormalMap.SetValue(false);
    info.m_aCreateDisplacementMap.SetValue(false);
    EXPECT_TRUE(Disabled(info.m_aNormalMapFilename));
    EXPECT_TRUE(Disabled(info.m_aDisplacementMapFilename));
    info.m_aCreateNormalMap.SetValue(true);
    EXPECT_FALSE(Disabled(info.m_aNormalMapFilename));

    info.m_aNormalMapSpace.SetValue(0);
    EXPECT_TRUE(Disabled(*info.GetTangentConfig().GetConfigAttribute(0)));
    info.m_aNormalMapSpace.SetValue(1);
    EXPECT_FALSE(Disabled(*info.GetTangentConfig().GetConfigAttribute(0)));
}

TEST_F(Settings, NormalMapFormatsNameTheBufferFormats)
{
    Info info;
    const int expected[] = {MapExtraction::map8Bit, MapExtraction::map16Bit, MapExtraction::mapFloat};
    for (int item = 0; item < 3; ++item) {
        info.m_aNormalMapFormat.SetValue(item);
        EXPECT_EQ(info.GetNormalMapFormat(), expected[item]) << item;
    }
}

TEST_F(Settings, TheLowMeshDecidesTheTileSettingsAndTheSearchDistance)
{
    struct Case {
        const char *name;
        UVQuad uv;
        General::Vector size;
        bool multiTile;
        float searchDistance;
    };
    const Case cases[] = {
        {"one tile", {0, 0, 1, 1}, General::Vector(2, 5, 3), false, 0.5f},
        {"three tiles", {0, 0, 3, 1}, General::Vector(1, 1, 1), true, 0.1f},
        // A tenth at any size: past the slider's first top too.
        {"huge mesh", {0, 0, 1, 2}, General::Vector(900, 1, 1), true, 90.0f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto low = fixtures::LevelWithUVs({c.uv}, c.size);
        Info info;
        EXPECT_TRUE(Disabled(info.m_aProcessMultipleTiles));
        info.m_aLowMesh.SetValue(low.get());
        EXPECT_NEAR(info.m_aSearchDistance.GetValue(), c.searchDistance, 1e-6f);
        EXPECT_EQ(Disabled(info.m_aProcessMultipleTiles), !c.multiTile);
        for (const General::Attribute *a : {static_cast<General::Attribute *>(&info.m_aUStart),
                                            static_cast<General::Attribute *>(&info.m_aURange),
                                            static_cast<General::Attribute *>(&info.m_aSkipEmptyMaps)})
            EXPECT_EQ(Disabled(*a), !c.multiTile) << qPrintable(a->GetName());
        info.m_aProcessMultipleTiles.SetValue(false);
        EXPECT_TRUE(Disabled(info.m_aURange));
        info.m_aProcessMultipleTiles.SetValue(true);
        EXPECT_EQ(Disabled(info.m_aURange), !c.multiTile);
    }
    // A mesh without faces is no low mesh.
    SubdivLevel empty;
    Info info;
    info.m_aLowMesh.SetValue(&empty);
    EXPECT_EQ(info.m_aLowMesh.GetValue(), nullptr);
}

TEST_F(Settings, TheHighSurfaceComesFromOneSourceOnly)
{
    auto level = fixtures::LevelWithUVs({{0, 0, 1, 1}}, General::Vector(40, 1, 1));
    Object high(*level);
    Info info;
    info.m_aLoadMeshFromFile.SetValue(QStringLiteral("/meshes/high.obj"));
    info.m_aHighMesh.SetValue(&high);
    EXPECT_EQ(info.m_aLoadMeshFromFile.GetValue(), QString());
    // Without a low mesh the high mesh gives the distance.
    EXPECT_NEAR(info.m_aSearchDistance.GetValue(), 4.0f, 1e-6f);
    info.m_aLoadMeshFromFile.SetValue(QStringLiteral("/meshes/other.obj"));
    EXPECT_EQ(info.m_aHighMesh.GetValue(), nullptr);
    EXPECT_EQ(info.m_aLoadMeshFromFile.GetValue(), QStringLiteral("/meshes/other.obj"));
}

TEST_F(Settings, RecordsOfEachVersionLoad)
{
    struct Case {
        int version;
        int displacementFormat;
        bool smoothUVs, fillWhole, processMultiple, keepZero;
        bool tangentFlip;
    };
    const Case cases[] = {
        {228, 1, true, true, false, false, true},
        // Before "File Type" existed, format 4 meant the normal map's alpha.
        {219, MapExtraction::mapNormalAlpha, true, true, true, true, true},
        {126, MapExtraction::mapNormalAlpha, false, false, true, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.version);
        const QString path = m_dir.File("record");
        TempDir::Write(path, Record(c.version).Settings().Bytes());
        Info info;
        ASSERT_TRUE(Load(info, path));
        EXPECT_EQ(info.GetName(), QStringLiteral("Baker #7"));
        EXPECT_EQ(info.m_aLowSubdivision.GetValue(), 2);
        EXPECT_TRUE(info.m_aSelectedOnly.GetValue());
        EXPECT_EQ(info.m_aHighSubdivision.GetValue(), 3);
        EXPECT_EQ(info.m_sMapFolder, QStringLiteral("/maps/"));
        EXPECT_FALSE(info.m_aCreateNormalMap.GetValue());
        EXPECT_EQ(info.m_aNormalMapFilename.GetValue(), QStringLiteral("n_%i"));
        EXPECT_FALSE(info.m_aSmoothNormals.GetValue());
        EXPECT_EQ(info.m_aDisplacementMapFilename.GetValue(), QStringLiteral("d_%i_%g_%f"));
        EXPECT_TRUE(info.m_aSkipEmptyMaps.GetValue());
        EXPECT_EQ(info.m_aURange.GetValue(), 4);
        EXPECT_EQ(info.m_aUStart.GetValue(), 1001);
        EXPECT_EQ(info.m_aMapWidth.GetValue(), 512);
        EXPECT_EQ(info.m_aMapHeight.GetValue(), 256);
        EXPECT_EQ(info.m_aEdgeBleeding.GetValue(), 3);
        EXPECT_EQ(info.m_aNormalMapSpace.GetValue(), 0);
        EXPECT_EQ(info.m_aNormalMapFormat.GetValue(), 2);
        EXPECT_EQ(info.m_aDisplacementMapFormat.GetValue(), c.displacementFormat);
        EXPECT_EQ(info.GetTangentConfig().m_aFlipBinormal.GetValue(), c.tangentFlip);
        EXPECT_EQ(info.m_aSearchDistance.GetValue(), 2.5f);
        EXPECT_EQ(info.m_aRayCenter.GetValue(), 1);
        EXPECT_TRUE(info.m_aTestBothSides.GetValue());
        EXPECT_EQ(info.m_aSmoothUVs.GetValue(), c.smoothUVs);
        EXPECT_EQ(info.m_aFillWholeMaps.GetValue(), c.fillWhole);
        EXPECT_EQ(info.m_aFileType.GetValue(), 0);
        EXPECT_EQ(info.m_aProcessMultipleTiles.GetValue(), c.processMultiple);
        EXPECT_EQ(info.m_aKeepZeroAsMiddleGrey.GetValue(), c.keepZero);
        EXPECT_FALSE(Disabled(info.m_aKeepZeroAsMiddleGrey));
    }
}

TEST_F(Settings, OldRecordsNameTheHighLevelAndGetItsObject)
{
    auto level = fixtures::LevelWithUVs({{0, 0, 1, 1}});
    Object high(*level);
    high.SetObjectName(QStringLiteral("sculpt"));
    // Before version 209 the high surface was a level; the object's base level is the object.
    const QByteArray bytes = Record(208).Settings("Object", qPrintable(high.GetName())).Bytes();
    const QString path = m_dir.File("record");
    TempDir::Write(path, bytes);
    Info info;
    ASSERT_TRUE(Load(info, path));
    EXPECT_EQ(info.m_aHighMesh.GetValue(), &high);
    EXPECT_EQ(info.m_aHighSubdivision.GetValue(), 3);
}

TEST_F(Settings, StoringWritesTheRecordFieldByField)
{
    const QString path = m_dir.File("record");
    TempDir::Write(path, Record(Stream::kCurrentVersion).Settings().Bytes());
    Info info;
    ASSERT_TRUE(Load(info, path));
    const QString stored = m_dir.File("stored");
    {
        Stream stream(stored, true);
        ASSERT_TRUE(info.Serialize(stream));
    }
    EXPECT_EQ(TempDir::Read(stored), Record(Stream::kCurrentVersion).Settings().Bytes());
}

TEST_F(Settings, DamagedRecordsAreRefusedAndChangeNothing)
{
    const QByteArray whole = Record(Stream::kCurrentVersion).Settings().Bytes();
    const QString path = m_dir.File("damaged");
    Info info;
    info.m_aMapWidth.SetValue(77);
    info.m_sMapFolder = QStringLiteral("/kept/");
    const QStringList before = Snapshot(info);
    // Every cut after the version header, and a string whose length runs past the end.
    std::vector<QByteArray> damaged;
    for (qsizetype cut = 4; cut < whole.size(); ++cut)
        damaged.push_back(whole.left(cut));
    QByteArray longName = whole;
    longName[4] = char(0x7F);
    damaged.push_back(longName);
    for (const QByteArray &bytes : damaged) {
        TempDir::Write(path, bytes);
        EXPECT_FALSE(Load(info, path)) << bytes.size();
        ASSERT_EQ(Snapshot(info), before) << bytes.size();
    }
}

TEST_F(Settings, StoredItemsOutsideTheListsFallBack)
{
    // The file type and the ray centre of this record name no item.
    QByteArray bytes = Record(Stream::kCurrentVersion).Settings().Bytes();
    const QString path = m_dir.File("record");
    // File type is the int before the two trailing bools.
    const qsizetype fileType = bytes.size() - 2 - 4;
    bytes[fileType] = char(9);
    TempDir::Write(path, bytes);
    Info info;
    ASSERT_TRUE(Load(info, path));
    EXPECT_EQ(info.m_aFileType.GetValue(), MapExtraction::fileTIF);
    EXPECT_TRUE(Recorder().LogContains(QStringLiteral("File Type: stored value 9 names no item")));
}
