#pragma once
// The render-farm job file: 25 lines of keys for a render queue that runs this program
// once per frame, one frame per tile. The command line it carries is the batch road's own,
// written so that the program's command-line parser reads back the settings it came from;
// the queue replaces kFrameToken with the frame number, which names the one tile to bake.

#include <QString>

namespace MapExtraction {

class Info;

struct SpiderJob {
    static constexpr const char *kFrameToken = "%FRAME%";
    static constexpr const char *kProgram = "tevrin";
    static constexpr const char *kWindowsProgram = "tevrin.exe";

    QString title;
    QString lowMeshPath;   // the exported low mesh, reachable from every computer
    QString highMeshPath;  // the exported (or given) high mesh
    int workers = 1;

    // The switches after the program's name, each with a leading blank. Paths and masks
    // are quoted (a literal quote as three); `info` must have passed CheckLowResMesh.
    QString SwitchText(const Info &info) const;
    // The whole file, every line ending in "\n".
    QString FileText(const Info &info) const;
    // Writes the file whole or not at all; false with `error` set when it cannot.
    bool Write(const QString &file, const Info &info, QString *error) const;

    // A value as one word of the command line.
    static QString Quote(const QString &text);
};

}  // namespace MapExtraction
