#pragma once
// Switches the C library's numbers to a locale whose decimal separator is a comma, as
// the environment of a user may do through Qt. The locale is compiled into a private
// folder once per process, since test machines rarely have one installed.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>

class CommaLocale {
public:
    CommaLocale()
    {
        static const QString folder = Compile();
        if (folder.isEmpty())
            return;
        setenv("LOCPATH", QFile::encodeName(folder).constData(), 1);
        m_bActive = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
    }
    bool IsActive() const { return m_bActive; }

private:
    static QString Compile()
    {
        // Per process: test processes run side by side and must not read a half-written locale.
        static QTemporaryDir s_folder(QDir::temp().filePath(QStringLiteral("tevrin-locale-XXXXXX")));
        const QString folder = s_folder.path();
        const QString locale = folder + QStringLiteral("/de_DE.UTF-8");
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"), locale});
        return QDir(locale).exists(QStringLiteral("LC_NUMERIC")) ? folder : QString();
    }

    bool m_bActive = false;
};
