#pragma once
// A description of the machine for support: operating system, memory, processors and
// graphics, read from the system's own files the first time a report is asked for.

#include <QString>

#include <cstdint>

class SystemInfo {
public:
    // Reads under `root` ("/" for the machine itself): etc/os-release, proc/cpuinfo,
    // proc/meminfo and sys/devices/system/cpu; the kernel through uname.
    explicit SystemInfo(const QString &root = QStringLiteral("/"));

    // The program's one record.
    static SystemInfo &Get();

    // The report in three sections; gathers first when that has not been done. A value
    // that cannot be read shows as "unknown" (texts) or 0 (numbers).
    QString GetReport();
    // Fills the record; the graphics fields from the current OpenGL context and the
    // primary screen, when they exist. 0 on success.
    int Gather();

    // The graphics adapter, for a caller that holds an OpenGL context the report cannot see.
    void SetVideo(const QString &renderer, const QString &vendor, const QString &version);

    // --- operating system ---
    QString m_sOSName, m_sArchitecture, m_sUser, m_sOSVersion, m_sLanguage;
    int m_iServicePackMajor = 0, m_iServicePackMinor = 0;
    // --- memory (bytes) ---
    uint64_t m_iTotalPhysical = 0, m_iTotalVirtual = 0;
    // --- computer ---
    unsigned m_iProcessors = 0, m_iLogicalProcessors = 0;
    int m_iDomainRole = 0;
    // --- processor ---
    QString m_sManufacturer, m_sProcessorName, m_sDescription, m_sProcessorVersion;
    int m_iAddressWidth = 0;
    unsigned m_iCores = 0, m_iMaxClockMHz = 0;
    // --- video ---
    QString m_sCardName, m_sDisplayDrivers, m_sDriverVersion, m_sVideoMode;
    uint32_t m_iAdapterMemory = 0;

    bool m_bGathered = false;

private:
    void ReadOperatingSystem();
    void ReadMemory();
    void ReadProcessor();
    void ReadVideo();

    QString m_sRoot;
    bool m_bVideoGiven = false;
};
