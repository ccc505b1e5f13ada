// Undoes and redoes whole actions from arbitrary bytes placed in the undo file after its header.
#include "FuzzFile.h"
#include "foundation/OperationBuffer.h"
#include "foundation/ShellServices.h"
#include "interaction/Interface.h"
#include "interaction/undo/OperationFactory.h"
#include "operations/Operation.h"

namespace {
// An operation whose data is a count and that many ints: enough to misread a torn record.
class CountedInts : public Operations::Operation {
public:
    void Serialize(Stream &stream) override { stream.SerializeArray(m_values); }
    bool Execute() override { return m_values.GetItemCount() % 3 != 2; }
    int GetType() const override { return Operations::kLayer; }

private:
    General::Store<int> m_values{"fuzz record"};
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzShell shell;  // keeps the history files in a private folder
    General::InstallShell(&shell);
    SetOperationMaker(Operations::kLayer, [] { return std::make_unique<CountedInts>(); });
    {
        Interface controller;
        if (OperationBuffer *undo = Interface::UndoStack()) {
            undo->Write(data, size);
            for (int round = 0; round < 3; ++round)
                for (int i = 0; i < 8; ++i)
                    Interface::UndoRedo(round == 1 ? Interface::RedoStack() : Interface::UndoStack());
        }
    }
    SetOperationMaker(Operations::kLayer, {});
    General::InstallShell(nullptr);
    return 0;
}
