#include "app/settings/RecentFiles.h"

#include "app/settings/SettingsText.h"
#include "app/settings/SettingsWriter.h"
#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"

#include <QFileInfo>

#include <memory>

void RecentFiles::Add(const QString &file)
{
    m_lFiles.removeAll(file);
    m_lFiles.prepend(file);
    while (m_lFiles.size() > kMaximum)
        m_lFiles.removeLast();
}

bool RecentFiles::Load(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    // Empty, or of no version: not a list this program wrote (it writes whole files).
    if (!info.isFile() || info.size() == 0)
        return false;
    std::unique_ptr<Stream> stream;
    try {
        stream = std::make_unique<Stream>(path, false);
    } catch (const General::Error &) {
        return false;
    }
    unsigned count = 0;
    // Each name takes at least its 4-byte length.
    if (!stream->IsOpen() || stream->GetVersion() <= 0 || stream->Read(&count, 4) != 4 ||
        !stream->Expect(uint64_t(count) * 4))
        return false;
    QStringList names;
    for (unsigned i = 0; i < count; ++i) {
        QString name;
        if (!SerializeText(*stream, name))
            return false;
        names.append(name);
    }
    for (const QString &name : names)
        if (m_lFiles.size() < kMaximum)
            m_lFiles.append(name);
    return true;
}

bool RecentFiles::Save(const QString &path, QString *error) const
{
    return WriteReplacing(path, nullptr, [this](Stream &stream) {
        unsigned count = unsigned(m_lFiles.size());
        stream.Serialize(count);
        for (QString name : m_lFiles)
            SerializeText(stream, name);
    }, error);
}
