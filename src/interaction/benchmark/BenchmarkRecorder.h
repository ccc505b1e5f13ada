#pragma once
// The benchmark script being recorded: one text line per input event, scene load and
// mesh import, each flushed at once so that a killed session keeps what it did. Floats
// keep 9 significant digits, enough for every float to come back exactly.

#include <QFile>
#include <QString>

#include <cstdint>

class BenchmarkRecorder {
public:
    // Opens `file` for writing, replacing an old one.
    explicit BenchmarkRecorder(const QString &file);
    bool IsOpen() const { return m_cFile.isOpen(); }

    void WriteLine(const QString &line);
    // "keypress" or "keyrelease": auto-repeat, the event's Qt modifier flags, the Qt key.
    void WriteKey(bool press, bool autoRepeat, uint32_t qtModifiers, int key);
    // "inputbutton" (with the press field) or "inputmove" (without: press < 0); x and y
    // are fractions of the view.
    void WriteInput(uint8_t left, uint8_t middle, uint8_t right, float pressure, float x, float y,
                    uint32_t modifiers, int press);
    // "importobj": the path in double quotes, import (0 or 1), layer (mode 1) and the mode.
    void WriteImport(const QString &path, bool import, int mode);

    // A float as the script holds it.
    static QString Number(float value) { return QString::number(double(value), 'g', 9); }

private:
    QFile m_cFile;
};
