#include "foundation/OperationBuffer.h"
#include "support/RecordingShell.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace {
// An operation carrying three ints (12 bytes of data).
class ThreeInts : public General::Recordable {
public:
    explicit ThreeInts(int a = 0, int b = 0, int c = 0) : values{a, b, c} {}
    void Serialize(Stream &stream) override
    {
        for (int &v : values)
            stream.Serialize(v);
    }
    int GetType() const override { return 5; }
    int values[3];
};

class UndoBuffer : public testing::Test {
protected:
    void SetUp() override
    {
        OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
            if (type == 5)
                return std::make_unique<ThreeInts>();
            return nullptr;
        });
    }
    void TearDown() override { OperationBuffer::SetFactory(nullptr); }

    static int First(const std::unique_ptr<General::Recordable> &op)
    {
        return static_cast<ThreeInts *>(op.get())->values[0];
    }

    TempDir dir;
};
}  // namespace

TEST_F(UndoBuffer, RecordLayout)
{
    const QString path = dir.File("undo.tmp");
    OperationBuffer buffer(path);
    ThreeInts op(1, 2, 3);
    ASSERT_TRUE(buffer.Append(op, 0));
    std::fflush(buffer.GetFile());
    const QByteArray bytes = TempDir::Read(path);
    ASSERT_EQ(bytes.size(), 4 + 21);
    EXPECT_EQ(bytes.mid(4, 5), QByteArray::fromHex("0005000000"));
    EXPECT_EQ(bytes.right(4), QByteArray::fromHex("15000000"));
}

TEST_F(UndoBuffer, ReadsBackNewestFirstAndOverwritesAfterStepBack)
{
    OperationBuffer buffer(dir.File("undo.tmp"));
    char kind = 9;
    EXPECT_EQ(buffer.ReadPrevious(kind), nullptr);
    EXPECT_EQ(kind, 0);

    ThreeInts r1(1), r2(2), r3(3);
    buffer.Append(r1, 0);
    buffer.Append(r2, 1);
    auto back = buffer.ReadPrevious(kind);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(First(back), 2);
    EXPECT_EQ(kind, 1);

    buffer.Append(r3, 1);  // overwrites r2
    back = buffer.ReadPrevious(kind);
    EXPECT_EQ(First(back), 3);
    back = buffer.ReadPrevious(kind);
    EXPECT_EQ(First(back), 1);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(buffer.ReadPrevious(kind), nullptr);

    buffer.Append(r1, 0);
    buffer.Append(r2, 0);
    buffer.Rewind();
    EXPECT_EQ(buffer.ReadPrevious(kind), nullptr);
}

TEST_F(UndoBuffer, TheFileIsRemovedWithTheBuffer)
{
    const QString path = dir.File("redo.tmp");
    {
        OperationBuffer buffer(path);
        EXPECT_TRUE(QFile::exists(path));
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(UndoBuffer, TornAndCorruptRecordsAreRefused)
{
    struct Case {
        const char *name;
        QByteArray tail;  // bytes after the header
    } cases[] = {
        {"length longer than the buffer", QByteArray::fromHex("00050000000100000002000000030000007f000000")},
        {"length shorter than a record frame", QByteArray::fromHex("0005000000010000000200000003000000" "03000000")},
        {"length that misplaces the data", QByteArray::fromHex("000500000001000000020000000300000011000000")},
        {"bad kind byte", QByteArray::fromHex("0705000000010000000200000003000000" "15000000")},
        {"torn record", QByteArray::fromHex("000500000001000000")},
    };
    for (const Case &c : cases) {
        const QString path = dir.File("corrupt.tmp");
        OperationBuffer buffer(path);
        buffer.Write(c.tail.constData(), uint64_t(c.tail.size()));
        char kind = 5;
        EXPECT_EQ(buffer.ReadPrevious(kind), nullptr) << c.name;
        EXPECT_EQ(kind, 0) << c.name;
    }
}

TEST_F(UndoBuffer, AnUnknownTypeYieldsNoOperation)
{
    class Other : public ThreeInts {
        int GetType() const override { return 23; }
    } other;
    OperationBuffer buffer(dir.File("undo.tmp"));
    buffer.Append(other, 0);
    char kind = 1;
    EXPECT_EQ(buffer.ReadPrevious(kind), nullptr);
}

TEST(AttributeStreamFile, IsAFreshTemporaryFileDeletedWithTheStream)
{
    QString path, otherPath;
    {
        AttributeStream stream;
        path = stream.GetFileName();
        ASSERT_TRUE(stream.IsOpen());
        EXPECT_TRUE(stream.IsStoring());
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith("tmp"));
        AttributeStream other;
        otherPath = other.GetFileName();
        EXPECT_NE(otherPath, path);
        EXPECT_TRUE(QFile::exists(path));
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(otherPath));
}
