// Saves and loads a scene of one object of about 6M quads as a zip archive, and packs and
// unpacks the same plain stream with the system's `zip -1` and `unzip` in the same run.
// Rates are stream megabytes per second; ratios above 1 mean ours is faster.
// Run: build/bench/bench/scene_bench --benchmark_counters_tabular=true
#include "mesh/object/Object.h"
#include "mesh/surface/Material.h"
#include "platform/Processors.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "support/MeshFixtures.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <sys/resource.h>

namespace {

constexpr unsigned kSide = 2450;  // 6.0M quads

double Time(const std::function<bool()> &run, bool &ok)
{
    const auto start = std::chrono::steady_clock::now();
    ok = run() && ok;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Shell(const QString &command) { return std::system(command.toLocal8Bit().constData()) == 0; }

void SceneFileVersusZip(benchmark::State &state)
{
    InitializeSceneGlobals();
    if (Surface::Materials().Count() == 0)
        Surface::InitMaterials();
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("scene.stream"));
    const QString ours = dir.filePath(QStringLiteral("scene.tev"));
    const QString theirs = dir.filePath(QStringLiteral("theirs.zip"));
    const QString unpacked = dir.filePath(QStringLiteral("unpacked"));
    auto scene = std::make_unique<Scene>();
    scene->AddObject(fixtures::MakeWavySheet<Object>(kSide, kSide, 7).release());
    // A scene the program saved carries its octree (a load builds one when the file has none).
    Scene::BuildOctrees(scene->m_pObjects);
    bool ok = scene->Save(QStringLiteral("scene"), true, plain);
    const double megabytes = double(QFileInfo(plain).size()) / 1e6;
    for (auto _ : state) {
        const double save = Time([&] { return scene->Save(ours, true); }, ok);
        const double zip = Time([&] { return Shell(QStringLiteral("zip -1 -q -j '%1' '%2'").arg(theirs, plain)); }, ok);
        const double load = Time([&] { return scene->Load(ours, false, false); }, ok);
        const double unzip =
            Time([&] { return Shell(QStringLiteral("unzip -o -q '%1' -d '%2'").arg(theirs, unpacked)); }, ok);
        state.counters["stream_MB"] = megabytes;
        state.counters["save_MBps"] = megabytes / save;
        state.counters["zip1_MBps"] = megabytes / zip;
        state.counters["save_ratio"] = zip / save;
        state.counters["load_MBps"] = megabytes / load;
        state.counters["unzip_MBps"] = megabytes / unzip;
        state.counters["load_ratio"] = unzip / load;
        state.counters["archive_MB"] = double(QFileInfo(ours).size()) / 1e6;
        state.counters["zip1_archive_MB"] = double(QFileInfo(theirs).size()) / 1e6;
        // The save deflates on every processor the process may run on (see taskset).
        state.counters["save_threads"] = Platform::AvailableProcessors();
        QFile::remove(theirs);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["bytes_per_face"] = double(usage.ru_maxrss) * 1024.0 / (double(kSide) * kSide);
    if (!ok)
        state.SkipWithError("a save, load, zip or unzip failed");
}

BENCHMARK(SceneFileVersusZip)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
