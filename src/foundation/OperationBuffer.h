#pragma once
// Undo and redo histories kept on disk. Each record is
//   kind (1 byte: 0 starts a user action, 1 continues it), type id (4 bytes),
//   the operation's own data, record length including this field (4 bytes),
// so the buffer is read backwards from the current position, which is its logical end.

#include "foundation/Stream.h"

#include <functional>
#include <memory>

namespace General {

// What the buffer needs of an undoable operation. The operations layer derives its
// base class from this; the buffer itself knows nothing of operations.
class Recordable {
public:
    virtual ~Recordable() = default;
    virtual void Serialize(Stream &stream) = 0;
    virtual int GetType() const = 0;
};

// Makes a default operation of a type id, or null when the id builds nothing.
using RecordFactory = std::function<std::unique_ptr<Recordable>(int type)>;

}  // namespace General

class OperationBuffer : public Stream {
public:
    // The file is created (truncated) and removed again when the buffer is destroyed.
    explicit OperationBuffer(const QString &fileName);

    // Makes the buffer logically empty.
    void Rewind();
    // Writes one record at the current position; false when it did not go out whole.
    bool Append(General::Recordable &operation, char kind);
    // The operation of the record that ends at the current position, which moves to the
    // record's start; null at the start, or for a torn or corrupt record (the position then stays).
    std::unique_ptr<General::Recordable> ReadPrevious(char &kind);

    // The factory of the interaction layer; installed once it exists.
    static void SetFactory(General::RecordFactory factory);

private:
    static General::RecordFactory s_factory;
};

// A stream on a fresh temporary file that holds one serialised state; the file goes with the stream.
class AttributeStream : public Stream {
public:
    AttributeStream();

    QString m_sLabel;
    QString m_sText;
};
