#include "mapping/SpiderJob.h"

#include "mapping/Info.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace MapExtraction {

namespace {

QString YesNo(bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); }

// A name from `names` for an index, or the first name for one outside them (an empty
// combo box gives -1).
QString Name(int index, std::initializer_list<const char *> names)
{
    if (index < 0 || size_t(index) >= names.size())
        index = 0;
    return QLatin1String(names.begin()[index]);
}

// The folder as the parser takes it: map names are appended to it as they are.
QString Folder(const QString &folder) { return folder.isEmpty() ? QStringLiteral("./") : folder; }

}  // namespace

QString SpiderJob::Quote(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString SpiderJob::SwitchText(const Info &info) const
{
    QString text = QStringLiteral(" -mapextraction");
    auto add = [&](const char *name, const QString &value) {
        text += QLatin1String(" -") + QLatin1String(name) + QLatin1Char(' ') + value;
    };
    add("extractdisplacement", YesNo(info.m_aCreateDisplacementMap.GetValue()));
    add("extractnormal", YesNo(info.m_aCreateNormalMap.GetValue()));
    add("lowmeshsubdivlevel", QString::number(std::max(0, info.m_aLowSubdivision.GetValue())));
    add("skipemptymaps", YesNo(info.m_aSkipEmptyMaps.GetValue()));
    add("smoothnormals", YesNo(info.m_aSmoothNormals.GetValue()));
    add("displacementtype", Name(info.m_aDisplacementMapFormat.GetValue(),
                                 {"byte", "16bit", "16bitbw", "float", "floatbw", "normalalpha"}));
    add("normaltype", Name(info.m_aNormalMapFormat.GetValue(), {"byte", "16bit", "float"}));
    add("normalspace", Name(info.m_aNormalMapSpace.GetValue(), {"object", "tangent", "world"}));
    add("range", QString::number(std::fabs(double(info.m_aSearchDistance.GetValue())), 'g', 6));
    add("edgebleed", QString::number(std::max(0, info.m_aEdgeBleeding.GetValue())));
    add("width", QString::number(info.m_aMapWidth.GetValue()));
    add("height", QString::number(info.m_aMapHeight.GetValue()));
    add("lowmesh", Quote(lowMeshPath));
    add("highmesh", Quote(highMeshPath));
    add("displacementfilename", Quote(info.m_aDisplacementMapFilename.GetValue()));
    add("normalfilename", Quote(info.m_aNormalMapFilename.GetValue()));
    // What the parser needs beyond the switches above to bake the same tile to the same bytes.
    add("mapdirectory", Quote(Folder(info.m_sMapFolder)));
    add("selectiononly", YesNo(info.m_aSelectedOnly.GetValue()));
    add("highmeshsubdivlevel", QString::number(std::max(0, info.m_aHighSubdivision.GetValue())));
    add("raycenter", Name(info.m_aRayCenter.GetValue(), {"outside", "inside", "closest"}));
    add("testbothsides", YesNo(info.m_aTestBothSides.GetValue()));
    add("urange", QString::number(info.m_aURange.GetValue()));
    add("ustart", QString::number(info.m_aUStart.GetValue()));
    add("workers", QString::number(std::max(1, workers)));
    add("tile", QLatin1String(kFrameToken));
    return text;
}

QString SpiderJob::FileText(const Info &info) const
{
    const QString switches = SwitchText(info);
    const int first = info.m_aUStart.GetValue();
    const int last = (info.m_iVEnd - info.m_iVStart) * info.m_aURange.GetValue() + first - 1;
    QString text;
    auto line = [&](const QString &content) { text += content + QLatin1Char('\n'); };
    line(QLatin1String("GEN_EXEWINDOWS ") + QLatin1String(kWindowsProgram) + switches);
    line(QLatin1String("GEN_EXELINUX ") + QLatin1String(kProgram) + switches);
    line(QStringLiteral("JOB_SPIDERVERSION 1.9"));
    line(QLatin1String("JOB_TITLE ") + title);
    line(QLatin1String("JOB_FRAMESTART ") + QString::number(first));
    line(QLatin1String("JOB_FRAMEEND ") + QString::number(last));
    for (const char *fixed : {"JOB_FRAMESPERCPU 1", "JOB_MULTITHREAD 0", "JOB_MAXCPUS 9999", "JOB_PRIORITY 1",
                              "GEN_LINUX 1", "GEN_WINDOWS 1", "JOB_FRAMESTEP 1", "JOB_LIMITTOJOB 0",
                              "JOB_CONFIRMFRAMES 0", "JOB_REMOVEBADCPUS 1", "JOB_KILLNONGROUPFRAMES 0",
                              "JOB_FAILSBEFOREREQUEUE 3", "JOB_REQUEUETRIES 5", "JOB_EMAILSTATUS 0",
                              "JOB_EMAILRECPTS "})
        line(QLatin1String(fixed));
    line(QLatin1String("JOB_WORKINGDIR ") + info.m_sMapFolder);
    for (const char *fixed : {"JOB_STALEMULT 300", "GEN_FRAMEPATH strip", "JOB_SHOW NONE"})
        line(QLatin1String(fixed));
    return text;
}

bool SpiderJob::Write(const QString &file, const Info &info, QString *error) const
{
    QSaveFile out(file);
    const QByteArray bytes = FileText(info).toUtf8();
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        if (error)
            *error = QCoreApplication::translate("MapExtraction::SpiderJob", "Cannot write the job file %1: %2")
                         .arg(file, out.errorString());
        return false;
    }
    return true;
}

}  // namespace MapExtraction
