#include "app/system/SystemInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QSet>

#include <algorithm>

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

QString ReadText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// "key: value" or "key=value" lines; the value of the first line whose key matches.
QString Field(const QString &text, const QString &key, QChar separator)
{
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const qsizetype at = line.indexOf(separator);
        if (at > 0 && line.left(at).trimmed() == key) {
            QString value = line.mid(at + 1).trimmed().toString();
            if (value.size() >= 2 && value.front() == QLatin1Char('"') && value.back() == QLatin1Char('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return QString();
}

// A "/proc/meminfo" figure ("MemTotal:  16318436 kB") in bytes.
uint64_t MemInfoBytes(const QString &text, const char *key)
{
    const QString value = Field(text, QLatin1String(key), QLatin1Char(':'));
    return value.section(QLatin1Char(' '), 0, 0).toULongLong() * 1024;
}

QString OrUnknown(const QString &text) { return text.isEmpty() ? QStringLiteral("unknown") : text; }

}  // namespace

SystemInfo::SystemInfo(const QString &root) : m_sRoot(root)
{
    if (!m_sRoot.endsWith(QLatin1Char('/')))
        m_sRoot += QLatin1Char('/');
    ReadMemory();
}

SystemInfo &SystemInfo::Get()
{
    static SystemInfo record;
    return record;
}

void SystemInfo::SetVideo(const QString &renderer, const QString &vendor, const QString &version)
{
    m_sCardName = renderer;
    m_sDisplayDrivers = vendor;
    m_sDriverVersion = version;
    m_bVideoGiven = true;
}

void SystemInfo::ReadOperatingSystem()
{
    const QString release = ReadText(m_sRoot + QStringLiteral("etc/os-release"));
    m_sOSName = Field(release, QStringLiteral("PRETTY_NAME"), QLatin1Char('='));
    utsname names{};
    if (::uname(&names) == 0) {
        m_sArchitecture = QString::fromLocal8Bit(names.machine);
        m_sOSVersion = QString::fromLocal8Bit(names.release);
    }
    if (const passwd *user = ::getpwuid(::getuid()))
        m_sUser = QString::fromLocal8Bit(user->pw_name);
    m_sLanguage = QLocale::system().name();
    m_iAddressWidth = m_sArchitecture.contains(QLatin1String("64")) ? 64 : m_sArchitecture.isEmpty() ? 0 : 32;
}

void SystemInfo::ReadMemory()
{
    const QString memory = ReadText(m_sRoot + QStringLiteral("proc/meminfo"));
    m_iTotalPhysical = MemInfoBytes(memory, "MemTotal");
    // What the program can commit: memory and swap together.
    m_iTotalVirtual = m_iTotalPhysical ? m_iTotalPhysical + MemInfoBytes(memory, "SwapTotal") : 0;
}

void SystemInfo::ReadProcessor()
{
    const QString cpuinfo = ReadText(m_sRoot + QStringLiteral("proc/cpuinfo"));
    // One block per logical processor, separated by empty lines.
    QSet<QString> packages;
    unsigned logical = 0, coresPerPackage = 0;
    for (const QString &block : cpuinfo.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
        if (Field(block, QStringLiteral("processor"), QLatin1Char(':')).isEmpty())
            continue;
        ++logical;
        packages.insert(Field(block, QStringLiteral("physical id"), QLatin1Char(':')));
        coresPerPackage = std::max(coresPerPackage, Field(block, QStringLiteral("cpu cores"), QLatin1Char(':')).toUInt());
    }
    m_iLogicalProcessors = logical;
    m_iProcessors = logical ? unsigned(packages.size()) : 0;
    m_iCores = coresPerPackage ? coresPerPackage * m_iProcessors : logical;
    m_sManufacturer = Field(cpuinfo, QStringLiteral("vendor_id"), QLatin1Char(':'));
    m_sProcessorName = Field(cpuinfo, QStringLiteral("model name"), QLatin1Char(':'));
    const QString family = Field(cpuinfo, QStringLiteral("cpu family"), QLatin1Char(':'));
    const QString model = Field(cpuinfo, QStringLiteral("model"), QLatin1Char(':'));
    const QString stepping = Field(cpuinfo, QStringLiteral("stepping"), QLatin1Char(':'));
    if (!model.isEmpty())
        m_sProcessorVersion = QStringLiteral("Model %1, Stepping %2").arg(model, stepping);
    if (!family.isEmpty())
        m_sDescription =
            QStringLiteral("%1 Family %2 Model %3 Stepping %4").arg(m_sArchitecture, family, model, stepping);
    const QString maxKHz = ReadText(m_sRoot + QStringLiteral("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"));
    m_iMaxClockMHz = maxKHz.trimmed().toUInt() / 1000;
    if (!m_iMaxClockMHz)
        m_iMaxClockMHz = unsigned(Field(cpuinfo, QStringLiteral("cpu MHz"), QLatin1Char(':')).toDouble());
}

void SystemInfo::ReadVideo()
{
    if (!m_bVideoGiven)
        if (QOpenGLContext *context = QOpenGLContext::currentContext()) {
            QOpenGLFunctions *gl = context->functions();
            auto text = [gl](GLenum name) {
                return QString::fromLatin1(reinterpret_cast<const char *>(gl->glGetString(name)));
            };
            SetVideo(text(GL_RENDERER), text(GL_VENDOR), text(GL_VERSION));
        }
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            m_sVideoMode = QStringLiteral("%1 x %2, %3 bits")
                               .arg(screen->size().width())
                               .arg(screen->size().height())
                               .arg(screen->depth());
}

int SystemInfo::Gather()
{
    ReadOperatingSystem();
    ReadProcessor();
    ReadVideo();
    m_bGathered = true;
    return 0;
}

QString SystemInfo::GetReport()
{
    if (!m_bGathered)
        Gather();
    QString report;
    auto line = [&report](const char *format, const QString &value) {
        report += QString::fromLatin1(format).arg(value);
    };
    report += QStringLiteral("OPERATING SYSTEM\n");
    line("Name: %1\n", OrUnknown(m_sOSName));
    line("Version: %1\n", OrUnknown(m_sOSVersion));
    report += QStringLiteral("Service Pack: %1.%2\n").arg(m_iServicePackMajor).arg(m_iServicePackMinor);
    line("Architecture: %1\n", OrUnknown(m_sArchitecture));
    line("Registered User: %1\n", OrUnknown(m_sUser));
    line("Language: %1\n", OrUnknown(m_sLanguage));
    line("Domain Role: %1\n", QString::number(m_iDomainRole));
    line("Total Physical Memory: %1 MB\n", QString::number(m_iTotalPhysical >> 20));
    line("Total Virtual Memory: %1 MB\n", QString::number(m_iTotalVirtual >> 20));
    report += QStringLiteral("\nPROCESSOR\n");
    line("Number of Processors: %1\n", QString::number(m_iProcessors));
    line("Logical Processors: %1\n", QString::number(m_iLogicalProcessors));
    line("Manufacturer: %1\n", OrUnknown(m_sManufacturer));
    line("Name: %1\n", OrUnknown(m_sProcessorName));
    line("Version: %1\n", OrUnknown(m_sProcessorVersion));
    line("Description: %1\n", OrUnknown(m_sDescription));
    line("Address Width: %1\n", QString::number(m_iAddressWidth));
    line("Number of Cores: %1\n", QString::number(m_iCores));
    line("Max Core Speed: %1 MHz\n", QString::number(m_iMaxClockMHz));
    report += QStringLiteral("\nVIDEO\n");
    line("Card Name: %1\n", OrUnknown(m_sCardName));
    line("Memory: %1 MB\n", QString::number(m_iAdapterMemory >> 20));
    line("Driver Name: %1\n", OrUnknown(m_sDisplayDrivers));
    line("Driver Version: %1\n", OrUnknown(m_sDriverVersion));
    line("Video Mode: %1\n", OrUnknown(m_sVideoMode));
    return report;
}
