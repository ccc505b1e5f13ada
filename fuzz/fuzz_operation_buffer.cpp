// Reads undo records back from arbitrary bytes placed after a buffer's header.
#include "FuzzFile.h"
#include "foundation/OperationBuffer.h"

#include <cstring>

namespace {
// An operation whose data is a count and that many ints: enough to misread a torn record.
class CountedInts : public General::Recordable {
public:
    void Serialize(Stream &stream) override
    {
        stream.SerializeArray(m_values);
    }
    int GetType() const override { return 7; }

private:
    General::Store<int> m_values{"fuzz record"};
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzFile dir(nullptr, 0);
    OperationBuffer buffer(dir.Sibling("undo.tmp"));
    OperationBuffer::SetFactory([](int type) -> std::unique_ptr<General::Recordable> {
        if (type == 7)
            return std::make_unique<CountedInts>();
        return nullptr;
    });
    buffer.Write(data, size);
    char kind = 0;
    for (int i = 0; i < 64 && buffer.ReadPrevious(kind); ++i) {
    }
    OperationBuffer::SetFactory(nullptr);
    return 0;
}
