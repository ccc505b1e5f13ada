// Writes and reads back a 256 MiB store through Stream and the same bytes with plain
// fwrite/fread, so the cost of the stream's chunking and bookkeeping shows as a ratio.
// Run: build/release/bench/stream_bench --benchmark_counters_tabular=true
#include "foundation/Stream.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>

namespace {
constexpr unsigned kItems = (256u << 20) / sizeof(int);

QString TempPath(const char *name) { return QDir::temp().filePath(QString::fromLatin1(name)); }

General::Store<int> &Data()
{
    static General::Store<int> store("bench data");
    if (!store.HasItems()) {
        store.SetItemCount(kItems, false);
        for (unsigned i = 0; i < kItems; ++i)
            store[i] = int(i * 2654435761u);
    }
    return store;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// One write and one read through Stream, then the same through stdio; ratios are plain time / stream time.
void StreamVersusStdio(benchmark::State &state)
{
    General::Store<int> &data = Data();
    // Both targets are allocated and touched before timing, so neither side pays for fresh pages.
    General::Store<int> back("bench back");
    back.SetItemCount(kItems, false);
    back.Fill(0);
    std::vector<int> plainBack(kItems);
    const QString streamPath = TempPath("tevrin_bench_stream.bin");
    const QByteArray plainPath = QFile::encodeName(TempPath("tevrin_bench_plain.bin"));
    auto streamWriteOnce = [&] {
        Stream out(streamPath, true, uint64_t(kItems) * 4);
        out.WriteArray(data);
    };
    auto streamReadOnce = [&] {
        Stream in(streamPath, false);
        in.ReadArray(back);
    };
    auto plainWriteOnce = [&] {
        std::FILE *f = std::fopen(plainPath.constData(), "w+b");
        const unsigned count = kItems;
        std::fwrite(&count, 4, 1, f);
        std::fwrite(data.begin(), 4, kItems, f);
        std::fclose(f);
    };
    auto plainReadOnce = [&] {
        std::FILE *f = std::fopen(plainPath.constData(), "rb");
        unsigned count = 0;
        benchmark::DoNotOptimize(std::fread(&count, 4, 1, f));
        benchmark::DoNotOptimize(std::fread(plainBack.data(), 4, count, f));
        std::fclose(f);
    };
    auto timed = [](auto &&work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return Seconds(std::chrono::steady_clock::now() - start);
    };
    double streamWrite = 0, streamRead = 0, plainWrite = 0, plainRead = 0;
    bool streamFirst = true;
    for (auto _ : state) {
        // The side that goes second meets the first one's dirty pages being written back,
        // so the order alternates.
        if (streamFirst) {
            streamWrite += timed(streamWriteOnce);
            streamRead += timed(streamReadOnce);
        }
        plainWrite += timed(plainWriteOnce);
        plainRead += timed(plainReadOnce);
        if (!streamFirst) {
            streamWrite += timed(streamWriteOnce);
            streamRead += timed(streamReadOnce);
        }
        streamFirst = !streamFirst;
    }
    QFile::remove(streamPath);
    QFile::remove(QFile::decodeName(plainPath));
    const double mib = 256.0 * double(state.iterations());
    state.counters["stream_write_MiB_s"] = mib / streamWrite;
    state.counters["stream_read_MiB_s"] = mib / streamRead;
    state.counters["plain_write_MiB_s"] = mib / plainWrite;
    state.counters["plain_read_MiB_s"] = mib / plainRead;
    // Target: at least 0.9 both ways.
    state.counters["write_ratio"] = plainWrite / streamWrite;
    state.counters["read_ratio"] = plainRead / streamRead;
}
BENCHMARK(StreamVersusStdio)->Unit(benchmark::kMillisecond)->Iterations(4);
}  // namespace

BENCHMARK_MAIN();
