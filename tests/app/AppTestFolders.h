#pragma once
// A private home for the program's per-user folders, so that no test touches the real ones.

#include <QFile>
#include <QTemporaryDir>

namespace apptest {

class PrivateHome {
public:
    PrivateHome();
    ~PrivateHome();
    QString Path() const { return m_cDir.path(); }

private:
    QTemporaryDir m_cDir;
    QByteArray m_sData, m_sConfig;
};

}  // namespace apptest
