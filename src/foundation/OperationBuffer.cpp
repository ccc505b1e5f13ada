#include "foundation/OperationBuffer.h"

#include "foundation/ShellServices.h"
#include "foundation/TempFileNames.h"

General::RecordFactory OperationBuffer::s_factory;

namespace {
constexpr uint64_t kHeader = 4;        // the stream version
constexpr uint64_t kRecordFrame = 9;   // kind, type id and trailing length
}  // namespace

OperationBuffer::OperationBuffer(const QString &fileName) : Stream(fileName, true, 0)
{
    m_bRemoveOnClose = true;
}

void OperationBuffer::SetFactory(General::RecordFactory factory) { s_factory = std::move(factory); }

void OperationBuffer::Rewind()
{
    if (m_pFile)
        Seek(kHeader);
}

bool OperationBuffer::Append(General::Recordable &operation, char kind)
{
    if (!m_pFile)
        return false;
    m_bStoring = true;
    // A refused read before must not make this record look torn.
    m_bError = false;
    const uint64_t start = Tell();
    Write(&kind, 1);
    int type = operation.GetType();
    Write(&type, 4);
    operation.Serialize(*this);
    const uint64_t end = Tell();
    unsigned length = unsigned(end - start + 4);
    Write(&length, 4);
    if (m_bError) {
        Seek(start);  // a torn record must not become the newest one
        return false;
    }
    return true;
}

std::unique_ptr<General::Recordable> OperationBuffer::ReadPrevious(char &kind)
{
    kind = 0;
    if (!m_pFile)
        return nullptr;
    const uint64_t end = Tell();
    if (end <= kHeader)
        return nullptr;
    m_bStoring = false;
    m_bError = false;
    unsigned length = 0;
    if (end < kHeader + kRecordFrame || !Seek(end - 4) || Read(&length, 4) != 4 || length < kRecordFrame ||
        length > end - kHeader) {
        Log("Undo record before position %llu is corrupt\n", (unsigned long long)end);
        Seek(end);
        return nullptr;
    }
    const uint64_t start = end - length;
    Seek(start);
    char recordKind = 0;
    int type = 0;
    Read(&recordKind, 1);
    Read(&type, 4);
    if (m_bError || (recordKind != 0 && recordKind != 1)) {
        Log("Undo record before position %llu is corrupt\n", (unsigned long long)end);
        Seek(end);
        return nullptr;
    }
    std::unique_ptr<General::Recordable> operation = s_factory ? s_factory(type) : nullptr;
    if (operation) {
        operation->Serialize(*this);
        // The operation must have read exactly its own data.
        if (m_bError || Tell() != end - 4) {
            Log("Undo record of type %d does not match its data\n", type);
            Seek(end);
            return nullptr;
        }
    }
    kind = recordKind;
    Seek(start);
    return operation;
}

AttributeStream::AttributeStream() : Stream(QString(), true, 0)
{
    m_sFileName = General::NewTempFile(QStringLiteral("tmp"));
    // The state is only needed while the stream lives; left behind, the temporary folder would fill up.
    m_bRemoveOnClose = true;
    Open();
}
