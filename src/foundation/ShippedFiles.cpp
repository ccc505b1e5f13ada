#include "foundation/ShippedFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace General {

namespace {
QString ProgramFolder() { return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString(); }
}  // namespace

QString ShippedFile(const QString &relative)
{
    const QString folder = ProgramFolder();
    if (!folder.isEmpty() && QDir::isRelativePath(relative)) {
        const QString installed = folder + QLatin1Char('/') + relative;
        if (QFileInfo::exists(installed))
            return installed;
    }
    return relative;
}

QStringList ShippedBaseNames(const QString &folder, const QString &pattern)
{
    QStringList names;
    QStringList places;
    if (!ProgramFolder().isEmpty())
        places << ProgramFolder() + QLatin1Char('/') + folder;
    places << folder;
    // Started from its own folder, the program sees one folder twice: names are listed once.
    for (const QString &place : places)
        for (const QFileInfo &info : QDir(place).entryInfoList({pattern}, QDir::Files, QDir::Unsorted))
            if (!names.contains(info.completeBaseName()))
                names << info.completeBaseName();
    return names;
}

}  // namespace General
