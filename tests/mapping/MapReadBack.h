#pragma once
// Reads map files back through independent readers: ImageMagick for every format it
// knows, tifffile for the tags and samples of TIFF files.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <map>
#include <utility>
#include <vector>

namespace readback {

inline QString Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Texel (x, y), row 0 at the top (the file's stored orientation applied), as ImageMagick
// reports its 8-bit samples.
using Pixels = std::map<std::pair<int, int>, std::vector<int>>;

inline Pixels MagickPixels(const QString &path)
{
    Pixels pixels;
    const QString text = Run(QStringLiteral("convert"), {path, QStringLiteral("-auto-orient"), QStringLiteral("-depth"), QStringLiteral("8"),
                                                         QStringLiteral("txt:-")});
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || !line.contains(QLatin1Char(':')))
            continue;
        const QStringList place = line.section(QLatin1Char(':'), 0, 0).split(QLatin1Char(','));
        const QString values = line.section(QLatin1Char('('), 1, 1).section(QLatin1Char(')'), 0, 0);
        std::vector<int> samples;
        for (const QString &v : values.split(QLatin1Char(',')))
            samples.push_back(qRound(v.toDouble()));
        pixels[{place.value(0).toInt(), place.value(1).toInt()}] = samples;
    }
    return pixels;
}

// ImageMagick's "width height channels depth".
inline QString MagickIdentify(const QString &path)
{
    return Run(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h %[channels] %z"), path})
        .trimmed();
}

struct TiffContents {
    std::map<int, std::vector<long long>> tags;
    std::vector<int> shape;
    std::vector<double> samples;  // in file order, top row first
};

inline TiffContents ReadTiff(const QString &path)
{
    static const char *const kScript =
        "import sys, tifffile\n"
        "with tifffile.TiffFile(sys.argv[1]) as t:\n"
        "    p = t.pages[0]\n"
        "    for code in (256, 257, 258, 262, 277, 278, 284, 338, 339):\n"
        "        tag = p.tags.get(code)\n"
        "        if tag is None: continue\n"
        "        v = tag.value if isinstance(tag.value, (tuple, list)) else [tag.value]\n"
        "        print('tag', code, *[int(x) for x in v])\n"
        "    a = p.asarray()\n"
        "    print('shape', *a.shape)\n"
        "    print('data', *[repr(float(x)) for x in a.ravel()])\n";
    TiffContents contents;
    // The system's Python, which the package of tifffile serves.
    const QString text = Run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(kScript), path});
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString kind = words.takeFirst();
        if (kind == QLatin1String("tag")) {
            const int code = words.takeFirst().toInt();
            for (const QString &w : words)
                contents.tags[code].push_back(w.toLongLong());
        } else if (kind == QLatin1String("shape")) {
            for (const QString &w : words)
                contents.shape.push_back(w.toInt());
        } else if (kind == QLatin1String("data")) {
            for (const QString &w : words)
                contents.samples.push_back(w.toDouble());
        }
    }
    return contents;
}

}  // namespace readback
