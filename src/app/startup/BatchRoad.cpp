#include "app/startup/BatchRoad.h"

#include "app/settings/Preferences.h"
#include "app/startup/CommandLine.h"
#include "app/startup/Console.h"
#include "app/startup/InstanceLock.h"
#include "app/startup/RunLog.h"
#include "foundation/Diagnostics.h"
#include "foundation/Globals.h"
#include "foundation/ShellServices.h"
#include "mapping/FileBake.h"
#include "mapping/Mapper.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

// The shell of a run without a window: messages go to the log; the one line the user
// sees is the road's own.
class BatchShell : public General::ShellServices {
public:
    explicit BatchShell(const Preferences &preferences) : m_sTempFolder(preferences.TempFiles) {}
    void CriticalMessage(const QString &text) override { Log("%s\n", text.toLocal8Bit().constData()); }
    QString TempFolder() const override { return m_sTempFolder; }

private:
    QString m_sTempFolder;
};

class ShellInstallation {
public:
    explicit ShellInstallation(General::ShellServices *shell) { General::InstallShell(shell); }
    ~ShellInstallation() { General::InstallShell(nullptr); }
};

// Why the run cannot start, or empty.
QString Refusal(const CommandLine &commandLine, const MapExtraction::Mapper &engine)
{
    if (commandLine.LowMesh().isEmpty())
        return QStringLiteral("no low resolution mesh given (-lowmesh FILE)");
    if (commandLine.HighMesh().isEmpty())
        return QStringLiteral("no high resolution mesh given (-highmesh FILE)");
    for (const QString &file : {commandLine.LowMesh(), commandLine.HighMesh()})
        if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
            return QStringLiteral("cannot read %1").arg(file);
    if (!engine.m_aCreateNormalMap.GetValue() && !engine.m_aCreateDisplacementMap.GetValue())
        return QStringLiteral("neither a normal nor a displacement map is asked for");
    // Every folder a map goes to must take files, so that a run never stops half-written.
    for (const General::AttributeFilename *mask : {&engine.m_aNormalMapFilename, &engine.m_aDisplacementMapFilename}) {
        const bool wanted = mask == &engine.m_aNormalMapFilename ? engine.m_aCreateNormalMap.GetValue()
                                                                 : engine.m_aCreateDisplacementMap.GetValue();
        if (!wanted)
            continue;
        const QFileInfo folder(QFileInfo(engine.m_sMapFolder + mask->GetValue()).absolutePath());
        if (!folder.isDir() || !folder.isWritable())
            return QStringLiteral("cannot write maps into %1").arg(folder.absoluteFilePath());
    }
    return QString();
}

// The switch that names a map the run makes but has no file name for, as a line to add
// to the refusal; empty when every map made has one.
QString MissingNameHint(const MapExtraction::Mapper &engine)
{
    if (engine.m_aCreateDisplacementMap.GetValue() && engine.m_aDisplacementMapFilename.GetValue().isEmpty())
        return QStringLiteral(
            "Name the displacement maps with -displacementfilename NAME (or add -extractdisplacement no)");
    if (engine.m_aCreateNormalMap.GetValue() && engine.m_aNormalMapFilename.GetValue().isEmpty())
        return QStringLiteral("Name the normal maps with -normalfilename NAME (or add -extractnormal no)");
    return QString();
}

// The reason on one line, and the hint, when there is one, on a second.
int Fail(const QString &reason, const QString &hint = QString())
{
    QString line = reason;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    Log("Map extraction failed: %s\n", line.toLocal8Bit().constData());
    std::fprintf(stderr, "Map extraction failed: %s\n", line.toLocal8Bit().constData());
    if (!hint.isEmpty()) {
        Log("%s\n", hint.toLocal8Bit().constData());
        std::fprintf(stderr, "%s\n", hint.toLocal8Bit().constData());
    }
    return 255;
}

}  // namespace

int RunBatchRoad(const CommandLine &commandLine, MapExtraction::Mapper &engine)
{
    const std::unique_ptr<InstanceLock> instance = CheckInstance();
    const Preferences preferences;
    Console("Preferences object created.\n");
    BatchShell shell(preferences);
    const ShellInstallation installation(&shell);
    RunLog::Start(preferences, instance->Suffix());
    Log("Map extraction from command line\n");

    int result = 0;
    try {
        const QString refusal = Refusal(commandLine, engine);
        QString error;
        if (!refusal.isEmpty())
            result = Fail(refusal);
        else if (!MapExtraction::BakeFromFiles(engine, commandLine.LowMesh(), commandLine.HighMesh(), &error,
                                               !commandLine.RangeGiven()))
            result = Fail(error, MissingNameHint(engine));
    } catch (const General::Error &error) {
        result = Fail(error.GetMessage());
    } catch (const std::bad_alloc &) {
        result = Fail(QStringLiteral("not enough memory"));
    }
    // A run that did what was asked keeps its exit code; what it could not make is still said.
    if (result == 0)
        for (const QString &notice : engine.m_aNotices)
            std::fprintf(stderr, "Map extraction: %s\n", notice.toLocal8Bit().constData());
    if (result == 0)
        Console("Map extraction finished.\n");
    RunLog::CloseLogFile();
    return result;
}
