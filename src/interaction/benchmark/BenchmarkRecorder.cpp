#include "interaction/benchmark/BenchmarkRecorder.h"

#include "foundation/Diagnostics.h"

BenchmarkRecorder::BenchmarkRecorder(const QString &file) : m_cFile(file)
{
    if (!m_cFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        Log("Cannot record the benchmark script %s\n", QFile::encodeName(file).constData());
}

void BenchmarkRecorder::WriteLine(const QString &line)
{
    if (!m_cFile.isOpen())
        return;
    m_cFile.write(line.toUtf8() + '\n');
    m_cFile.flush();
}

void BenchmarkRecorder::WriteKey(bool press, bool autoRepeat, uint32_t qtModifiers, int key)
{
    WriteLine(QStringLiteral("%1 %2 %3 %4")
                  .arg(QLatin1String(press ? "keypress" : "keyrelease"))
                  .arg(autoRepeat ? 1 : 0)
                  .arg(qtModifiers)
                  .arg(key));
}

void BenchmarkRecorder::WriteInput(uint8_t left, uint8_t middle, uint8_t right, float pressure, float x, float y,
                                   uint32_t modifiers, int press)
{
    QString line = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                       .arg(QLatin1String(press < 0 ? "inputmove" : "inputbutton"))
                       .arg(left ? 1 : 0)
                       .arg(middle ? 1 : 0)
                       .arg(right ? 1 : 0)
                       .arg(Number(pressure), Number(x), Number(y))
                       .arg(modifiers);
    if (press >= 0)
        line += press ? QStringLiteral(" 1") : QStringLiteral(" 0");
    WriteLine(line);
}

void BenchmarkRecorder::WriteImport(const QString &path, bool import, int mode)
{
    WriteLine(QStringLiteral("importobj \"%1\" %2 %3 %4").arg(path).arg(import ? 1 : 0).arg(mode == 1 ? 1 : 0).arg(mode));
}
