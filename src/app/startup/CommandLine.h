#pragma once
// The command line: the file to open and the switches, applied to the process-wide flags,
// the memory limit and the settings of the map extraction engine.
//
// The leading words that do not start with "-" form the file argument, joined by one
// blank (a file name with blanks survives being passed as several words). Every later
// word that starts with "-" names a switch; the words up to the next such word, joined
// by one blank, are its value. So a value may hold "-" inside a word ("/data/my-maps/"),
// while a word that starts with "-" always begins a new switch.
//
// Relative paths (the file argument, "lowmesh", "highmesh", "mapdirectory", "workdir")
// are made absolute against the folder the program was started in, or against the
// folder a preceding "workdir" named.

#include <QList>
#include <QString>
#include <QStringList>

namespace MapExtraction {
class Mapper;
}

class CommandLine {
public:
    struct Switch {
        QString name;
        QString value;
    };

    // `arguments` as the process got them (program name first).
    CommandLine(const QStringList &arguments, const QString &startFolder);

    // Applies the switches in order. A value that cannot be read stops there with false
    // and a one-line reason in Error(); an unknown switch, a value given to a switch that
    // takes none, an empty "limitmemory" or a file named for the batch road only adds a
    // warning. Without an engine its settings are skipped.
    // "workdir" makes its folder the current folder at once.
    bool Apply(MapExtraction::Mapper *engine);

    // Absolute, or empty when no file was named.
    const QString &FileArgument() const { return m_sFileArgument; }
    const QList<Switch> &Switches() const { return m_aSwitches; }

    // Known from the split alone, before Apply.
    bool MapExtraction() const { return m_bMapExtraction; }
    // Absolute paths of the batch road; empty when not given.
    const QString &LowMesh() const { return m_sLowMesh; }
    const QString &HighMesh() const { return m_sHighMesh; }
    const QString &MapDirectory() const { return m_sMapDirectory; }
    // Whether "-range" set the search distance.
    bool RangeGiven() const { return m_bRangeGiven; }

    const QString &Error() const { return m_sError; }
    // "Warning: Unknown command line switch!" and the like, one line each.
    const QStringList &Warnings() const { return m_aWarnings; }

private:
    bool ApplyOne(const Switch &entry, MapExtraction::Mapper *engine);
    bool Fail(const Switch &entry, const QString &expected);
    QString Resolve(const QString &path) const;

    QString m_sBaseFolder;
    QString m_sFileArgument;
    QList<Switch> m_aSwitches;
    bool m_bMapExtraction = false;
    bool m_bRangeGiven = false;
    QString m_sLowMesh, m_sHighMesh, m_sMapDirectory;
    QString m_sError;
    QStringList m_aWarnings;
};

// The "limitmemory" value: a whole number of bytes, times 1024 for a last letter "k" or
// "K", 1024² for "m" or "M", 1024³ for "g" or "G". False for anything else and for a
// product beyond 64 bits.
bool ParseMemorySize(const QString &value, unsigned long long &bytes);
