#include "app/settings/LayoutFile.h"

#include <QCryptographicHash>

namespace LayoutFile {

namespace {

const QByteArray kMark = QByteArrayLiteral("TvL1");
constexpr qsizetype kHashSize = 20;

QByteArray Hash(const QByteArray &state) { return QCryptographicHash::hash(state, QCryptographicHash::Sha1); }

}  // namespace

QByteArray Compose(const QByteArray &state) { return state + kMark + Hash(state); }

bool Parse(const QByteArray &file, QByteArray &state)
{
    const qsizetype trailer = kMark.size() + kHashSize;
    if (file.size() < trailer)
        return false;
    const qsizetype size = file.size() - trailer;
    const QByteArray body = file.left(size);
    if (file.mid(size, kMark.size()) != kMark || file.right(kHashSize) != Hash(body))
        return false;
    state = body;
    return true;
}

}  // namespace LayoutFile
