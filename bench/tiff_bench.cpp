// Reading an 8192 x 8192 float TIFF through QTvTiff against a plain libtiff
// scanline loop over the same file in the same run. The counter "ratio" is the
// reader's rate over the plain rate; the goal is at least 0.8. "ratio_to_warm"
// compares with a loop into memory that was touched before, for information.
#include "foundation/images/QTvTiff.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kSize = 8192;

// One uncompressed float file per sample count, written once into a temporary folder.
QString FloatTiff(int samples)
{
    static QTemporaryDir dir;
    static std::map<int, QString> files;
    auto found = files.find(samples);
    if (found != files.end())
        return found->second;
    const QString path = dir.filePath(QStringLiteral("float%1.tif").arg(samples));
    TIFF *tif = TIFFOpen(path.toLocal8Bit().constData(), "w");
    if (!tif)
        return QString();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kSize);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kSize);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(32));
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_IEEEFP));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t(samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK));
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<float> row(size_t(kSize) * samples);
    for (uint32_t y = 0; y < kSize; ++y) {
        for (size_t i = 0; i < row.size(); ++i)
            row[i] = float(i + y) * 0.001f;
        if (TIFFWriteScanline(tif, row.data(), y, 0) != 1) {
            TIFFClose(tif);
            return QString();
        }
    }
    TIFFClose(tif);
    files[samples] = path;
    return path;
}

bool ReadScanlines(const QString &path, float *image)
{
    TIFF *tif = TIFFOpen(path.toLocal8Bit().constData(), "r");
    if (!tif)
        return false;
    const size_t line = size_t(TIFFScanlineSize(tif)) / sizeof(float);
    bool ok = true;
    for (uint32_t y = 0; y < kSize && ok; ++y)
        ok = TIFFReadScanline(tif, image + line * y, y, 0) != -1;
    benchmark::DoNotOptimize(image);
    TIFFClose(tif);
    return ok;
}

// The reference: the whole image, a scanline at a time, into one new buffer that is
// not cleared first. Like the reader it produces the image in fresh memory.
int s_iSamples = 1;
bool ReadPlain(const QString &path)
{
    std::unique_ptr<float[]> image(new float[size_t(kSize) * kSize * s_iSamples]);
    return ReadScanlines(path, image.get());
}

// For comparison only: into a buffer allocated and touched beforehand, which leaves out
// the page faults that any freshly read image costs.
std::vector<float> s_warmImage;
bool ReadPlainWarm(const QString &path)
{
    return ReadScanlines(path, s_warmImage.data());
}

bool ReadQTvTiff(const QString &path)
{
    QTvTiff tiff(path);
    TvChannels channels;
    const bool ok = tiff.readImage(channels);
    benchmark::DoNotOptimize(channels.data());
    return ok;
}

double Seconds(bool (*read)(const QString &), const QString &path, bool &ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = read(path) && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ReadFloatTiff(benchmark::State &state)
{
    const int samples = int(state.range(0));
    const QString path = FloatTiff(samples);
    if (path.isEmpty()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    s_iSamples = samples;
    s_warmImage.assign(size_t(kSize) * kSize * samples, 0.0f);
    double plain = 0.0, reader = 0.0, warm = 0.0;
    bool ok = true;
    bool plainFirst = true;
    for (auto _ : state) {
        // Alternate the order so that neither read always finds the other's pages warm.
        if (plainFirst) {
            plain += Seconds(ReadPlain, path, ok);
            reader += Seconds(ReadQTvTiff, path, ok);
        } else {
            reader += Seconds(ReadQTvTiff, path, ok);
            plain += Seconds(ReadPlain, path, ok);
        }
        plainFirst = !plainFirst;
        warm += Seconds(ReadPlainWarm, path, ok);
    }
    if (!ok) {
        state.SkipWithError("a read failed");
        return;
    }
    const double bytes = double(kSize) * kSize * samples * sizeof(float) * double(state.iterations());
    state.counters["plain_MBps"] = bytes / plain / 1e6;
    state.counters["QTvTiff_MBps"] = bytes / reader / 1e6;
    state.counters["ratio"] = plain / reader;
    state.counters["ratio_to_warm"] = warm / reader;
}

}  // namespace

BENCHMARK(BM_ReadFloatTiff)->Arg(1)->Arg(3)->ArgName("samples")->Unit(benchmark::kMillisecond)->Iterations(6);

BENCHMARK_MAIN();
