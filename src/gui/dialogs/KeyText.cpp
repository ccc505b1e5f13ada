#include "gui/dialogs/KeyText.h"

#include <QKeySequence>

namespace GUI {

namespace {

struct KeyWord {
    const char *shown;
    uint32_t key;
};

const KeyWord kWords[] = {
    {"Bksp", 0x1000003}, {"Del", 0x1000007}, {"PgUp", 0x1000016},
    {"PgDn", 0x1000017}, {"Spc", 32},        {"Enter", 0x1000004},
};

}  // namespace

QString KeyCodeToText(uint32_t code)
{
    const uint32_t key = code & kKeyPartMask;
    for (const KeyWord &word : kWords)
        if (word.key == key)
            return QLatin1String(word.shown);
    if (key == 0)
        return QString();
    if (key < 0x100)
        return QString(QChar(char16_t(key)));
    return QKeySequence(int(key)).toString();
}

bool TextToKeyPart(const QString &text, uint32_t &key)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return false;
    for (const KeyWord &word : kWords) {
        if (typed.compare(QLatin1String(word.shown), Qt::CaseInsensitive) == 0) {
            key = word.key;
            return true;
        }
    }
    if (typed.size() == 1) {
        const QChar upper = typed.at(0).toUpper();
        if (upper.unicode() > 0x20 && upper.unicode() < 0x80) {
            key = upper.unicode();
            return true;
        }
        return false;
    }
    // Any other key by Qt's name, alone: a name that needs bits outside the key part (or
    // carries modifiers) is not a key the table can hold.
    const QKeySequence sequence = QKeySequence::fromString(typed);
    if (sequence.count() != 1)
        return false;
    const QKeyCombination combination = sequence[0];
    const uint32_t parsed = uint32_t(combination.key());
    if (combination.keyboardModifiers() != Qt::NoModifier || (parsed & ~kKeyPartMask) != 0 || parsed < 0x100)
        return false;
    key = parsed;
    return true;
}

}  // namespace GUI
