#include "AppTestFolders.h"

namespace apptest {

PrivateHome::PrivateHome() : m_sData(qgetenv("XDG_DATA_HOME")), m_sConfig(qgetenv("XDG_CONFIG_HOME"))
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_cDir.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_cDir.filePath(QStringLiteral("config"))));
}

PrivateHome::~PrivateHome()
{
    qputenv("XDG_DATA_HOME", m_sData);
    qputenv("XDG_CONFIG_HOME", m_sConfig);
}

}  // namespace apptest
