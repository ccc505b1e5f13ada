#include "app/system/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void Write(const QDir &root, const QString &path, const QByteArray &text)
{
    ASSERT_TRUE(root.mkpath(QFileInfo(root.filePath(path)).path()));
    QFile file(root.filePath(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray Processor(int id, int package)
{
    return "processor\t: " + QByteArray::number(id) +
           "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\nmodel name\t: Intel(R) Core(TM) i7-8700 CPU @ "
           "3.20GHz\nstepping\t: 10\ncpu MHz\t\t: 800.000\nphysical id\t: " +
           QByteArray::number(package) + "\ncpu cores\t: 2\n\n";
}

QString Line(const QString &report, const QString &start)
{
    for (const QString &line : report.split(QLatin1Char('\n')))
        if (line.startsWith(start))
            return line;
    return QString();
}

}  // namespace

TEST(SystemInfo, TheReportShowsWhatTheSystemFilesSay)
{
    QTemporaryDir dir;
    const QDir root(dir.path());
    Write(root, QStringLiteral("etc/os-release"), "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    Write(root, QStringLiteral("proc/meminfo"), "MemTotal:       16318436 kB\nMemFree: 1 kB\nSwapTotal:       1048572 kB\n");
    Write(root, QStringLiteral("proc/cpuinfo"), Processor(0, 0) + Processor(1, 0) + Processor(2, 1) + Processor(3, 1));
    Write(root, QStringLiteral("sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "4600000\n");
    SystemInfo info(dir.path());
    info.SetVideo(QStringLiteral("Mesa llvmpipe"), QStringLiteral("Mesa"), QStringLiteral("4.5 (Compatibility Profile)"));
    const QString report = info.GetReport();
    EXPECT_TRUE(report.startsWith(QLatin1String("OPERATING SYSTEM\nName: Debian GNU/Linux 12 (bookworm)\n")))
        << qPrintable(report);
    EXPECT_EQ(Line(report, QStringLiteral("Service Pack")), QStringLiteral("Service Pack: 0.0"));
    EXPECT_EQ(Line(report, QStringLiteral("Total Physical")), QStringLiteral("Total Physical Memory: 15935 MB"));
    EXPECT_EQ(Line(report, QStringLiteral("Total Virtual")), QStringLiteral("Total Virtual Memory: 16959 MB"));
    EXPECT_EQ(Line(report, QStringLiteral("Number of Processors")), QStringLiteral("Number of Processors: 2"));
    EXPECT_EQ(Line(report, QStringLiteral("Logical")), QStringLiteral("Logical Processors: 4"));
    EXPECT_EQ(Line(report, QStringLiteral("Number of Cores")), QStringLiteral("Number of Cores: 4"));
    EXPECT_EQ(Line(report, QStringLiteral("Manufacturer")), QStringLiteral("Manufacturer: GenuineIntel"));
    EXPECT_TRUE(report.contains(QLatin1String("\nName: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\n")));
    EXPECT_EQ(Line(report, QStringLiteral("Max Core")), QStringLiteral("Max Core Speed: 4600 MHz"));
    EXPECT_TRUE(report.contains(QLatin1String("\nVIDEO\nCard Name: Mesa llvmpipe\nMemory: 0 MB\nDriver Name: Mesa\n"
                                              "Driver Version: 4.5 (Compatibility Profile)\n")))
        << qPrintable(report);
    // A second report is the same.
    EXPECT_EQ(info.GetReport(), report);
}

TEST(SystemInfo, WhatCannotBeReadShowsAsUnknownOrZero)
{
    QTemporaryDir dir;
    SystemInfo info(dir.path());
    const QString report = info.GetReport();
    EXPECT_EQ(Line(report, QStringLiteral("Name")), QStringLiteral("Name: unknown"));
    EXPECT_EQ(Line(report, QStringLiteral("Total Physical")), QStringLiteral("Total Physical Memory: 0 MB"));
    EXPECT_EQ(Line(report, QStringLiteral("Logical")), QStringLiteral("Logical Processors: 0"));
    EXPECT_EQ(Line(report, QStringLiteral("Max Core")), QStringLiteral("Max Core Speed: 0 MHz"));
    EXPECT_EQ(Line(report, QStringLiteral("Card Name")), QStringLiteral("Card Name: unknown"));
}

TEST(SystemInfo, ThisMachineReportsRealValues)
{
    const QString report = SystemInfo().GetReport();
    EXPECT_NE(Line(report, QStringLiteral("Total Physical")), QStringLiteral("Total Physical Memory: 0 MB"));
    EXPECT_NE(Line(report, QStringLiteral("Logical")), QStringLiteral("Logical Processors: 0"));
    EXPECT_NE(Line(report, QStringLiteral("Architecture")), QStringLiteral("Architecture: unknown"));
    std::printf("%s", qPrintable(report));
}
