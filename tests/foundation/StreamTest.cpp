#include "foundation/Stream.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <vector>

namespace {
QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

const QByteArray kHeader = Bytes({0xE4, 0, 0, 0});
}  // namespace

TEST(Stream, EncodesValuesAsTheFileFormatGives)
{
    TempDir dir;
    const QString path = dir.File("values");
    {
        Stream stream(path, true);
        ASSERT_TRUE(stream.IsOpen());
    }
    EXPECT_EQ(TempDir::Read(path), kHeader);
    {
        Stream stream(path, true);
        stream << QString("abc");
        General::Store<int> three("three");
        for (int v : {1, 2, 0x01020304})
            three.Add(v);
        EXPECT_TRUE(stream.WriteArray(three));
        General::Store<int> empty("empty");
        EXPECT_TRUE(stream.WriteArray(empty));
        bool flag = true;
        stream.Serialize(flag);
        float half = 0.5f;
        stream.Serialize(half);
    }
    const QByteArray expected = kHeader + Bytes({3, 0, 0, 0, 'a', 'b', 'c'}) +
                                Bytes({3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 4, 3, 2, 1}) + Bytes({0, 0, 0, 0}) +
                                Bytes({1}) + Bytes({0, 0, 0, 0x3F});
    EXPECT_EQ(TempDir::Read(path), expected);
}

TEST(Stream, RoundTripsThroughOneSerialiserPerType)
{
    TempDir dir;
    const QString path = dir.File("roundtrip");
    const QString longText = QString(5000, QChar('q')) + QString::fromLatin1("\xe9nd");
    auto serialise = [&](Stream &s, int &i, QString &text, QString &longer, General::Store<double> &values) {
        s.Serialize(i).Serialize(text).Serialize(longer);
        s.SerializeArray(values);
    };
    int i = -7;
    QString text = "hello";
    QString longer = longText;
    General::Store<double> values("values");
    for (int k = 0; k < 1000; ++k)
        values.Add(k * 0.25);
    {
        Stream out(path, true);
        serialise(out, i, text, longer, values);
        EXPECT_FALSE(out.HasError());
        // A storing stream is read back after reopening it for loading.
        ASSERT_TRUE(out.Reopen(false));
        int i2 = 0;
        QString text2, longer2;
        General::Store<double> values2("values2");
        serialise(out, i2, text2, longer2, values2);
        EXPECT_EQ(i2, -7);
        EXPECT_EQ(text2, "hello");
        EXPECT_EQ(longer2, longText);  // far past the old 255-byte limit
        ASSERT_EQ(values2.GetItemCount(), 1000u);
        EXPECT_EQ(values2[999], 999 * 0.25);
        EXPECT_FALSE(out.HasError());
    }
}

TEST(Stream, VersionGates)
{
    TempDir dir;
    const QString path = dir.File("versions");
    TempDir::Write(path, Bytes({227, 0, 0, 0}));
    {
        Stream old(path, false);
        EXPECT_TRUE(old.IsOpen());
        EXPECT_EQ(old.GetVersion(), 227);
        EXPECT_TRUE(old.IsVersionSupported());
    }
    EXPECT_TRUE(Recorder().LogContains("Current stream version is 228, file is 227\n"));

    Recorder().Clear();
    TempDir::Write(path, kHeader);
    { Stream current(path, false); }
    EXPECT_TRUE(Recorder().log.isEmpty());

    TempDir::Write(path, Bytes({229, 0, 0, 0}));
    try {
        Stream newer(path, false);
        FAIL() << "a newer file must be refused";
    } catch (const General::Error &error) {
        EXPECT_EQ(error.GetCode(), 1);
        EXPECT_EQ(error.GetMessage(),
                  QString("File version is too new or is corrupt\nFile name: %1, File version: 229, Current version: 228")
                      .arg(path));
    }
}

TEST(Stream, RefusesShortAndCorruptInput)
{
    TempDir dir;
    const QString path = dir.File("short");
    TempDir::Write(path, Bytes({0xE4, 0}));
    {
        Stream truncatedHeader(path, false);
        EXPECT_FALSE(truncatedHeader.IsOpen());
        EXPECT_TRUE(truncatedHeader.HasError());
    }
    // A store count far beyond the file: refused before anything is allocated.
    TempDir::Write(path, kHeader + Bytes({0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}));
    {
        Stream s(path, false);
        const uint64_t before = General::GetCountedMemory();
        General::Store<int> store("huge");
        store.Add(5);
        EXPECT_FALSE(s.ReadArray(store));
        EXPECT_TRUE(s.HasError());
        EXPECT_EQ(store.GetItemCount(), 0u);
        EXPECT_LE(General::GetCountedMemory(), before + 16);
    }
    // A string length beyond the rest of the file, or negative, reads as empty and flags the stream.
    for (const QByteArray &lengthBytes : {Bytes({10, 0, 0, 0}), Bytes({0xFF, 0xFF, 0xFF, 0xFF}), Bytes({0, 0, 0, 0x80})}) {
        TempDir::Write(path, kHeader + lengthBytes + Bytes({'a', 'b'}));
        Stream s(path, false);
        QString text = "old";
        s >> text;
        EXPECT_TRUE(text.isEmpty());
        EXPECT_TRUE(s.HasError()) << lengthBytes.toHex().constData();
    }
    // Reading past the end sets the flag.
    TempDir::Write(path, kHeader + Bytes({1, 0}));
    {
        Stream s(path, false);
        int value = 0;
        s.Serialize(value);
        EXPECT_TRUE(s.HasError());
    }
}

TEST(Stream, EmbedsAndExtractsFiles)
{
    TempDir dir;
    const QString source = dir.File("source.bin");
    QByteArray content(3 * 1024 * 1024 + 17, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char(i * 7);
    TempDir::Write(source, content);
    const QString path = dir.File("embedded");
    {
        Stream s(path, true);
        EXPECT_TRUE(s.WriteFile(source));
        EXPECT_FALSE(s.WriteFile(dir.File("missing")));
        int marker = 0x5A5A;
        s.Serialize(marker);
    }
    {
        Stream s(path, false);
        EXPECT_TRUE(s.ReadFile(dir.File("copy.bin")));
        EXPECT_TRUE(s.ReadFile(dir.File("empty.bin")));
        int marker = 0;
        s.Serialize(marker);
        EXPECT_EQ(marker, 0x5A5A);
    }
    EXPECT_EQ(TempDir::Read(dir.File("copy.bin")), content);
    EXPECT_TRUE(QFile::exists(dir.File("empty.bin")));
    EXPECT_EQ(TempDir::Read(dir.File("empty.bin")).size(), 0);
    EXPECT_EQ(TempDir::Read(path).mid(4 + 4 + content.size(), 4), Bytes({0, 0, 0, 0}));

    // When the target cannot be created the embedded bytes are skipped, keeping the stream aligned.
    {
        Stream s(path, false);
        EXPECT_FALSE(s.ReadFile(dir.File("no/such/folder/copy.bin")));
        EXPECT_TRUE(s.ReadFile(dir.File("empty2.bin")));
        int marker = 0;
        s.Serialize(marker);
        EXPECT_EQ(marker, 0x5A5A);
    }
}

TEST(Stream, LargeTransfersGoInChunksWithProgress)
{
    TempDir dir;
    const QString path = dir.File("large");
    std::vector<char> data(20 << 20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = char(i % 251);
    {
        Stream s(path, true, uint64_t(data.size()) + 4);
        EXPECT_EQ(s.Write(data.data(), data.size()), data.size());
    }
    // Three chunks (8, 8 and 4 MiB): the display moves before the second and the third.
    EXPECT_EQ(Recorder().progressTexts, QStringList{"writing..."});
    EXPECT_EQ(Recorder().progressValues, (std::vector<uint64_t>{4 + (8u << 20), 4 + (16u << 20)}));
    EXPECT_EQ(Recorder().eventPasses, 2);
    EXPECT_EQ(Recorder().progressEnds, 1);

    Recorder().Clear();
    std::vector<char> back(data.size());
    {
        Stream s(path, false);
        EXPECT_EQ(s.Read(back.data(), back.size()), back.size());
        EXPECT_FALSE(s.HasError());
    }
    EXPECT_EQ(back, data);
    EXPECT_EQ(Recorder().progressTexts, QStringList{"reading..."});
}

TEST(Stream, FailedWritesReachTheCallerAndAreReportedOnce)
{
    // /dev/full accepts the open and refuses every write, like a full disk.
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    std::signal(SIGXFSZ, SIG_IGN);
    Stream s("/dev/full", true);
    ASSERT_TRUE(s.IsOpen());
    std::vector<char> block(64 * 1024);
    EXPECT_LT(s.Write(block.data(), block.size()), block.size());
    EXPECT_TRUE(s.HasError());
    General::Store<int> store("full");
    store.SetItemCount(100000, false);
    EXPECT_FALSE(s.WriteArray(store));
    EXPECT_EQ(Recorder().messages, QStringList{"Could not write to file /dev/full. Disk may be full."});
    EXPECT_TRUE(Recorder().LogContains("Could not write to file /dev/full. Disk may be full.\n"));
}

TEST(Stream, AWriteThatFailsOnlyWhenFlushedIsReportedToo)
{
    if (!QFile::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    Stream s("/dev/full", true);
    ASSERT_TRUE(s.IsOpen());
    int value = 7;
    s.Serialize(value);  // small: it waits in the buffer and seems to succeed
    EXPECT_FALSE(s.HasError());
    EXPECT_FALSE(s.Flush());
    EXPECT_TRUE(s.HasError());
    EXPECT_EQ(Recorder().messages, QStringList{"Could not write to file /dev/full. Disk may be full."});

    TempDir dir;
    Stream fine(dir.File("fine"), true);
    fine.Serialize(value);
    EXPECT_TRUE(fine.Flush());
    EXPECT_EQ(TempDir::Read(dir.File("fine")).size(), 8);
}

TEST(Stream, UnopenableFilesLeaveTheStreamClosed)
{
    Recorder().ExpectAssertionFailures();
    Stream missing("/nonexistent/folder/file", false);
    EXPECT_FALSE(missing.IsOpen());
    int value = 0;
    missing.Serialize(value);
    EXPECT_TRUE(missing.HasError());
    Stream unnamed(QString(), true);
    EXPECT_FALSE(unnamed.IsOpen());
    EXPECT_EQ(unnamed.Write(&value, 4), 0u);
}
