#include "app/startup/CommandLine.h"

#include "app/startup/CommandSwitches.h"
#include "foundation/Memory.h"
#include "mapping/Mapper.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

bool IsSwitchWord(const QString &word) { return word.startsWith(QLatin1Char('-')); }

// Decimal digits only: no sign, blank or other text (the number parsers allow blanks).
bool AllDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A whole decimal number with no sign, blank or other text around it.
bool ParseCount(const QString &value, int &number)
{
    if (!AllDigits(value))
        return false;
    bool ok = false;
    number = value.toInt(&ok);
    return ok;
}

// Index of `value` among `names`, or -1.
int IndexOf(const QString &value, std::initializer_list<const char *> names)
{
    int index = 0;
    for (const char *name : names) {
        if (value == QLatin1String(name))
            return index;
        ++index;
    }
    return -1;
}

}  // namespace

bool ParseMemorySize(const QString &value, unsigned long long &bytes)
{
    QString digits = value;
    unsigned long long unit = 1;
    if (!digits.isEmpty()) {
        switch (digits.back().toLower().unicode()) {
        case 'k': unit = 1ull << 10; break;
        case 'm': unit = 1ull << 20; break;
        case 'g': unit = 1ull << 30; break;
        default: break;
        }
        if (unit != 1)
            digits.chop(1);
    }
    if (!AllDigits(digits))
        return false;
    bool ok = false;
    const unsigned long long number = digits.toULongLong(&ok);
    // The limit is a signed 64-bit count.
    constexpr unsigned long long kLargest = std::numeric_limits<long long>::max();
    if (!ok || number > kLargest / unit)
        return false;
    bytes = number * unit;
    return true;
}

CommandLine::CommandLine(const QStringList &arguments, const QString &startFolder) : m_sBaseFolder(startFolder)
{
    qsizetype i = 1;
    QStringList fileWords;
    for (; i < arguments.size() && !IsSwitchWord(arguments[i]); ++i)
        fileWords.append(arguments[i]);
    if (!fileWords.isEmpty())
        m_sFileArgument = Resolve(fileWords.join(QLatin1Char(' ')));
    for (; i < arguments.size(); ++i) {
        if (IsSwitchWord(arguments[i])) {
            m_aSwitches.append(Switch{arguments[i].mid(1), QString()});
            // The road is known before anything is applied: the batch road builds no window.
            m_bMapExtraction = m_bMapExtraction || arguments[i] == QLatin1String("-mapextraction");
            continue;
        }
        QString &value = m_aSwitches.back().value;
        if (!value.isEmpty())
            value += QLatin1Char(' ');
        value += arguments[i];
    }
}

QString CommandLine::Resolve(const QString &path) const
{
    return QDir::cleanPath(QDir(m_sBaseFolder).absoluteFilePath(path));
}

bool CommandLine::Apply(MapExtraction::Mapper *engine)
{
    m_sError.clear();
    // The batch road bakes the meshes its switches name and opens no file.
    if (m_bMapExtraction && !m_sFileArgument.isEmpty())
        m_aWarnings.append(QStringLiteral("Warning: \"%1\" is not opened: -mapextraction bakes the meshes of "
                                          "-lowmesh and -highmesh.").arg(m_sFileArgument));
    for (const Switch &entry : m_aSwitches)
        if (!ApplyOne(entry, engine))
            return false;
    // Recording would empty the script that playback is about to read.
    if (CommandSwitches::s_bBenchmark && CommandSwitches::s_bSaveBenchmark) {
        m_sError = QStringLiteral("The switches -benchmark and -savebenchmark cannot be used together.");
        return false;
    }
    return true;
}

bool CommandLine::Fail(const Switch &entry, const QString &expected)
{
    m_sError = entry.value.isEmpty()
                   ? QStringLiteral("The switch -%1 needs %2.").arg(entry.name, expected)
                   : QStringLiteral("Bad value for -%1: \"%2\" (expected %3).").arg(entry.name, entry.value, expected);
    return false;
}

bool CommandLine::ApplyOne(const Switch &entry, MapExtraction::Mapper *engine)
{
    const QString &name = entry.name;
    const QString &value = entry.value;
    auto flag = [&](bool &target) {
        target = true;
        if (!value.isEmpty())
            m_aWarnings.append(QStringLiteral("Warning: -%1 takes no value; \"%2\" is ignored "
                                              "(a file to open comes before the switches).").arg(name, value));
        return true;
    };
    // The engine's settings go through their setters, announced like an edit.
    auto yes = [&](auto member) {
        if (engine)
            (engine->*member).SetValue(value == QLatin1String("yes"));
        return true;
    };
    auto count = [&](auto member, int least) {
        int number = 0;
        if (!ParseCount(value, number) || number < least)
            return Fail(entry, least > 0 ? QStringLiteral("a whole number above 0") : QStringLiteral("a whole number"));
        if (engine)
            (engine->*member).SetValue(number);
        return true;
    };
    auto choice = [&](auto member, std::initializer_list<const char *> names, std::initializer_list<int> items) {
        const int index = IndexOf(value, names);
        if (index < 0) {
            QStringList accepted;
            for (const char *n : names)
                accepted.append(QLatin1String(n));
            return Fail(entry, accepted.join(QStringLiteral(", ")));
        }
        if (engine)
            (engine->*member).SetValue(items.begin()[index]);
        return true;
    };

    if (name == QLatin1String("limitmemory")) {
        unsigned long long bytes = 0;
        if (value.isEmpty()) {
            // Taken as "no limit" rather than refused: the run goes on, but not silently.
            m_aWarnings.append(QStringLiteral("Warning: -limitmemory takes a byte count with an optional unit k, m "
                                              "or g; without one no memory limit is set."));
            return true;
        }
        if (!ParseMemorySize(value, bytes))
            return Fail(entry, QStringLiteral("a byte count with an optional unit k, m or g"));
        General::SetMemoryLimit(bytes);
        return true;
    }
    if (name == QLatin1String("mapextraction"))
        return flag(m_bMapExtraction);
    if (name == QLatin1String("benchmark"))
        return flag(CommandSwitches::s_bBenchmark);
    if (name == QLatin1String("savebenchmark"))
        return flag(CommandSwitches::s_bSaveBenchmark);
    if (name == QLatin1String("test"))
        return flag(CommandSwitches::s_bTest);
    if (name == QLatin1String("unattended"))
        return flag(CommandSwitches::s_bUnattended);
    if (name == QLatin1String("workdir")) {
        const QString folder = Resolve(value);
        if (value.isEmpty() || !QDir::setCurrent(folder))
            return Fail(entry, QStringLiteral("an existing folder"));
        m_sBaseFolder = folder;
        return true;
    }
    if (name == QLatin1String("lowmesh") || name == QLatin1String("highmesh") ||
        name == QLatin1String("mapdirectory")) {
        if (value.isEmpty())
            return Fail(entry, name == QLatin1String("mapdirectory") ? QStringLiteral("a folder")
                                                                     : QStringLiteral("a file name"));
        QString &target = name == QLatin1String("lowmesh")    ? m_sLowMesh
                          : name == QLatin1String("highmesh") ? m_sHighMesh
                                                              : m_sMapDirectory;
        target = Resolve(value);
        // Map file names are appended to the folder as they are.
        if (engine && &target == &m_sMapDirectory)
            engine->m_sMapFolder = target.endsWith(QLatin1Char('/')) ? target : target + QLatin1Char('/');
        return true;
    }

    using MapExtraction::Info;
    if (name == QLatin1String("extractdisplacement"))
        return yes(&Info::m_aCreateDisplacementMap);
    if (name == QLatin1String("extractnormal"))
        return yes(&Info::m_aCreateNormalMap);
    if (name == QLatin1String("selectiononly"))
        return yes(&Info::m_aSelectedOnly);
    if (name == QLatin1String("skipemptymaps"))
        return yes(&Info::m_aSkipEmptyMaps);
    if (name == QLatin1String("smoothnormals"))
        return yes(&Info::m_aSmoothNormals);
    if (name == QLatin1String("lowmeshsubdivlevel") || name == QLatin1String("highmeshsubdivlevel")) {
        General::AttributeEnumeration *level = nullptr;
        if (engine)
            level = name.startsWith(QLatin1String("low")) ? &engine->m_aLowSubdivision : &engine->m_aHighSubdivision;
        int number = 0;
        const int items = level ? int(level->m_aValues.GetItemCount()) : INT_MAX;
        if (!ParseCount(value, number) || number >= items)
            return Fail(entry, QStringLiteral("a whole number from 0 to %1").arg(items - 1));
        if (level)
            level->SetValue(number);
        return true;
    }
    // The working format of a run follows "Displacement Map Format", so the switch sets that.
    if (name == QLatin1String("displacementtype"))
        return choice(&Info::m_aDisplacementMapFormat, {"byte", "16bit", "16bitbw", "float", "floatbw", "normalalpha"},
                      {MapExtraction::map8Bit, MapExtraction::map16Bit, MapExtraction::map16BitBW,
                       MapExtraction::mapFloat, MapExtraction::mapBWFloat, MapExtraction::mapNormalAlpha});
    // "Normal Map Format" has three items; its third ("32 bit") is the float format.
    if (name == QLatin1String("normaltype"))
        return choice(&Info::m_aNormalMapFormat, {"byte", "16bit", "float"}, {0, 1, 2});
    if (name == QLatin1String("normalspace"))
        return choice(&Info::m_aNormalMapSpace, {"object", "tangent", "world"}, {0, 1, 2});
    if (name == QLatin1String("raycenter"))
        return choice(&Info::m_aRayCenter, {"outside", "inside", "closest"}, {0, 1, 2});
    if (name == QLatin1String("testbothsides"))
        return yes(&Info::m_aTestBothSides);
    if (name == QLatin1String("urange"))
        return count(&Info::m_aURange, 1);
    // The first tile's identifier, one tile of the run (a job's frame: the others are left
    // alone), and the workers beside the calling thread.
    if (name == QLatin1String("ustart") || name == QLatin1String("tile") || name == QLatin1String("workers")) {
        const int least = name == QLatin1String("workers") ? 1 : 0;
        int number = 0;
        if (!ParseCount(value, number) || number < least)
            return Fail(entry, least ? QStringLiteral("a whole number above 0") : QStringLiteral("a whole number"));
        if (!engine)
            return true;
        if (name == QLatin1String("ustart"))
            engine->m_aUStart.SetValue(number);
        else if (name == QLatin1String("tile"))
            engine->m_iFirstTile = engine->m_iLastTile = number;
        else
            engine->m_iWorkers = number;
        return true;
    }
    // The length of the ray searched along the low surface's normal; the range of the
    // displacement values follows it.
    if (name == QLatin1String("range")) {
        bool ok = false;
        const float range = value.toFloat(&ok);
        if (!ok || !std::isfinite(range) || value.front().isSpace() || value.back().isSpace())
            return Fail(entry, QStringLiteral("a number"));
        m_bRangeGiven = true;
        if (engine) {
            engine->m_fDisplacementMax = range;
            engine->m_fDisplacementMin = -range;
            engine->m_aSearchDistance.SetValue(std::fabs(range));
        }
        return true;
    }
    if (name == QLatin1String("edgebleed"))
        return count(&Info::m_aEdgeBleeding, 0);
    if (name == QLatin1String("width"))
        return count(&Info::m_aMapWidth, 1);
    if (name == QLatin1String("height"))
        return count(&Info::m_aMapHeight, 1);
    if (name == QLatin1String("displacementfilename") || name == QLatin1String("normalfilename")) {
        if (value.isEmpty())
            return Fail(entry, QStringLiteral("a file-name mask"));
        if (engine)
            (name == QLatin1String("normalfilename") ? engine->m_aNormalMapFilename
                                                     : engine->m_aDisplacementMapFilename)
                .SetValue(value);
        return true;
    }
    m_aWarnings.append(QStringLiteral("Warning: Unknown command line switch! (-%1)").arg(name));
    return true;
}
