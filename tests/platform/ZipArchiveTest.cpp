#include "platform/DeflateSource.h"
#include "platform/DiskSpace.h"
#include "platform/ZipArchive.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstring>

#include <zip.h>
#include <zlib.h>

namespace {

// Stretches of repeated text (which deflate shrinks) between stretches of noise (which it
// cannot), so chunks end inside both kinds of data.
QByteArray MixedBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    uint32_t noise = 12345;
    for (qsizetype i = 0; i < size; ++i) {
        noise = noise * 1664525u + 1013904223u;
        bytes[i] = (i / 5000) % 3 == 2 ? char(noise >> 24) : "vertex 0.25 -1.5 3\n"[i % 19];
    }
    return bytes;
}

struct Run {
    int code = -1;
    QByteArray out;
};

Run RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    Run run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
        run.code = process.exitCode();
        run.out = process.readAllStandardOutput();
    }
    return run;
}

QStringList FilesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// What a reader of the archive finds in entry 0: the system's unzip, libzip's own
// checks, and our extraction must all give `bytes` back.
void ExpectEntry(const QString &archive, const QByteArray &bytes, const TempDir &dir)
{
    EXPECT_EQ(RunProgram(QStringLiteral("unzip"), {QStringLiteral("-tq"), archive}).code, 0);
    const Run piped = RunProgram(QStringLiteral("unzip"), {QStringLiteral("-p"), archive});
    EXPECT_EQ(piped.code, 0);
    EXPECT_TRUE(piped.out == bytes) << "unzip -p gave " << piped.out.size() << " bytes";

    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    ASSERT_NE(zip, nullptr) << error;
    zip_stat_t st;
    ASSERT_EQ(zip_stat_index(zip, 0, 0, &st), 0);
    EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE);
    EXPECT_EQ(st.size, uint64_t(bytes.size()));
    EXPECT_EQ(st.crc, crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size())));
    zip_discard(zip);

    ZipArchive ours;
    const QString extracted = dir.File("extracted");
    ASSERT_TRUE(ours.Open(archive));
    ASSERT_TRUE(ours.ExtractFirst(extracted)) << ours.GetLastError().toStdString();
    EXPECT_TRUE(TempDir::Read(extracted) == bytes);
    QFile::remove(extracted);
}

const qsizetype kChunk = qsizetype(DeflateSource::kChunk);
const struct {
    const char *what;
    qsizetype size;
} kSizes[] = {{"empty", 0},
              {"one byte", 1},
              {"just under a chunk", kChunk - 1},
              {"one chunk", kChunk},
              {"just over a chunk", kChunk + 1},
              {"several chunks", 5 * kChunk + 777}};

TEST(ZipArchive, DeflatedEntriesReadBackByteForByte)
{
    TempDir dir;
    for (const auto &size : kSizes) {
        SCOPED_TRACE(size.what);
        const QByteArray bytes = MixedBytes(size.size);
        TempDir::Write(dir.File("stream"), bytes);
        const QString archive = dir.File("scene.tev");
        {
            ZipArchive zip;
            ASSERT_TRUE(zip.Create(archive) && zip.AddFile(dir.File("stream"), QStringLiteral("scene")) &&
                        zip.Compress(1) && zip.Close())
                << zip.GetLastError().toStdString();
        }
        ExpectEntry(archive, bytes, dir);
        if (size.size >= kChunk)
            EXPECT_LT(QFileInfo(archive).size(), size.size / 2) << "the entry was not deflated";
        // Nothing of the save is left next to the archive.
        EXPECT_EQ(FilesIn(dir.Path()), (QStringList{QStringLiteral("scene.tev"), QStringLiteral("stream")}));
    }
}

// The chunks are deflated by however many threads there are and joined in file order:
// the result reads the same for one thread and for more threads than chunks.
TEST(DeflateSource, ChunksJoinInFileOrderForAnyThreadCount)
{
    TempDir dir;
    const QByteArray bytes = MixedBytes(7 * kChunk + 3);
    TempDir::Write(dir.File("stream"), bytes);
    for (unsigned threads : {1u, 3u, 16u}) {
        SCOPED_TRACE(threads);
        const QString archive = dir.File("threads.zip");
        DeflateSource source(dir.File("stream"), 1, threads);
        EXPECT_EQ(source.GetThreadCount(), threads);
        int error = 0;
        zip_t *zip = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(zip, nullptr);
        zip_source_t *data = source.MakeSource(zip);
        ASSERT_NE(data, nullptr);
        ASSERT_GE(zip_file_add(zip, "stream", data, 0), 0);
        ASSERT_EQ(zip_close(zip), 0) << zip_strerror(zip);
        ExpectEntry(archive, bytes, dir);
    }
}

TEST(ZipArchive, AnArchiveWithoutEntriesIsWrittenEmpty)
{
    TempDir dir;
    const QString archive = dir.File("empty.tev");
    TempDir::Write(archive, "an older archive");
    ZipArchive zip;
    ASSERT_TRUE(zip.Create(archive) && zip.Close()) << zip.GetLastError().toStdString();
    EXPECT_TRUE(ZipArchive::LooksLikeZip(archive));
    ASSERT_TRUE(zip.Open(archive));
    EXPECT_EQ(zip.GetEntryCount(), 0);
    EXPECT_FALSE(zip.ExtractFirst(dir.File("nothing")));
    EXPECT_EQ(FilesIn(dir.Path()), QStringList{QStringLiteral("empty.tev")});
}

TEST(ZipArchive, AFailedOrAbandonedWriteLeavesTheTargetAsItWas)
{
    TempDir dir;
    const QByteArray old = QByteArrayLiteral("the old archive, byte for byte");
    const QString archive = dir.File("keep.tev");
    // Noise does not shrink: its archive is larger than the limit the stream itself fits under.
    const QByteArray noise = [] {
        QByteArray bytes(3 * kChunk, Qt::Uninitialized);
        uint32_t x = 99;
        for (char &c : bytes)
            c = char((x = x * 1664525u + 1013904223u) >> 24);
        return bytes;
    }();
    TempDir::Write(dir.File("stream"), noise);
    const QStringList before{QStringLiteral("keep.tev"), QStringLiteral("stream")};

    TempDir::Write(archive, old);
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.Create(archive) && zip.AddFile(dir.File("stream")) && zip.Compress(1));
        FileSizeLimit full(uint64_t(noise.size()) + 16);
        EXPECT_FALSE(zip.Close());
        EXPECT_TRUE(zip.GetLastError().startsWith(QStringLiteral("Closing ZIP file failed")));
    }
    EXPECT_EQ(TempDir::Read(archive), old);
    EXPECT_EQ(FilesIn(dir.Path()), before);

    {
        // Dropped before Close, as a cancelled save drops it.
        ZipArchive zip;
        ASSERT_TRUE(zip.Create(archive) && zip.AddFile(dir.File("stream")) && zip.Compress(1));
    }
    EXPECT_EQ(TempDir::Read(archive), old);
    EXPECT_EQ(FilesIn(dir.Path()), before);

    {
        // A folder that cannot take a file: a plain file stands where the folder should be.
        ZipArchive zip;
        EXPECT_FALSE(zip.Create(dir.File("stream") + QStringLiteral("/inside.tev")));
        EXPECT_FALSE(zip.GetLastError().isEmpty());
    }
    EXPECT_EQ(FilesIn(dir.Path()), before);
}

TEST(ZipArchive, ASourceThatCannotBeReadFailsTheClose)
{
    TempDir dir;
    TempDir::Write(dir.File("stream"), MixedBytes(100));
    ZipArchive zip;
    ASSERT_TRUE(zip.Create(dir.File("a.tev")) && zip.AddFile(dir.File("stream")) && zip.Compress(1));
    QFile::remove(dir.File("stream"));
    EXPECT_FALSE(zip.Close());
    EXPECT_TRUE(FilesIn(dir.Path()).isEmpty());
}

}  // namespace

namespace {

// Sets a 4-byte field at `offset` after each occurrence of `signature`.
void PatchAfter(QByteArray &bytes, const QByteArray &signature, int offset, uint32_t value)
{
    for (qsizetype at = bytes.indexOf(signature); at >= 0; at = bytes.indexOf(signature, at + 1))
        std::memcpy(bytes.data() + at + offset, &value, 4);
}

}  // namespace

// An entry may not inflate past the size it declares, nor be unpacked onto a disk that
// cannot hold that size.
TEST(ZipArchive, ExtractionStopsAtTheDeclaredSizeAndNeedsItsRoom)
{
    TempDir dir;
    const QByteArray zeros(1 << 20, '\0');
    TempDir::Write(dir.File("zeros"), zeros);
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.Create(dir.File("zeros.zip")) && zip.AddFile(dir.File("zeros")) && zip.Compress(1) &&
                    zip.Close());
    }
    QByteArray lying = TempDir::Read(dir.File("zeros.zip"));
    // The uncompressed size: 22 bytes into a local header, 24 into a central one.
    PatchAfter(lying, QByteArrayLiteral("PK\x03\x04"), 22, 1000);
    PatchAfter(lying, QByteArrayLiteral("PK\x01\x02"), 24, 1000);
    TempDir::Write(dir.File("lying.zip"), lying);
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.Open(dir.File("lying.zip")));
        EXPECT_FALSE(zip.ExtractFirst(dir.File("out")));
        EXPECT_TRUE(zip.GetLastError().contains("more than the 1000 bytes")) << zip.GetLastError().toStdString();
        EXPECT_FALSE(zip.LackedDiskSpace());
        EXPECT_FALSE(QFile::exists(dir.File("out")));
    }

    SetDiskSpaceLimit((1 << 20) - 1);
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.Open(dir.File("zeros.zip")));
        EXPECT_FALSE(zip.ExtractFirst(dir.File("out")));
        EXPECT_TRUE(zip.LackedDiskSpace());
        EXPECT_FALSE(QFile::exists(dir.File("out")));
    }
    SetDiskSpaceLimit(1 << 20);
    {
        ZipArchive zip;
        ASSERT_TRUE(zip.Open(dir.File("zeros.zip")));
        EXPECT_TRUE(zip.ExtractFirst(dir.File("out")));
        EXPECT_FALSE(zip.LackedDiskSpace());
        EXPECT_TRUE(TempDir::Read(dir.File("out")) == zeros);
    }
    SetDiskSpaceLimit(~uint64_t(0));
}
