#include "app/settings/SettingsText.h"

#include "foundation/Stream.h"

#include <QByteArray>
#include <QStringDecoder>

bool SerializeText(Stream &stream, QString &text)
{
    if (stream.IsStoring()) {
        const QByteArray bytes = text.toUtf8();
        int length = int(bytes.size());
        stream.Serialize(length);
        if (length)
            stream.Write(bytes.constData(), uint64_t(length));
        return !stream.HasError();
    }
    int length = 0;
    if (stream.Read(&length, 4) != 4)
        return false;
    if (length < 0 || !stream.Expect(uint64_t(length))) {
        stream.SetError();
        return false;
    }
    QByteArray bytes(length, '\0');
    if (length && stream.Read(bytes.data(), uint64_t(length)) != uint64_t(length))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    text = utf8.hasError() ? QString::fromLatin1(bytes) : decoded;
    return true;
}
