// Imports generated OBJ files of about 170 MB and 700 MB (a grid of quads with texture
// coordinates) to a level-0 mesh with adjacency, and parses the same files with
// tinyobjloader (parse only, no mesh built); ObjEntry sets the scene's whole import entry
// against tinyobjloader's parse followed by an indexed mesh build. Each side runs in its own child process, so
// that its peak resident memory is its own and neither side inherits the other's warm
// pages; the file is read once before either, so both find it in the page cache. Besides
// the wall-clock rates the ratio of the two children's CPU times is printed, which a busy
// machine disturbs less.
// Run: build/release/bench/obj_bench --benchmark_counters_tabular=true
#include "foundation/Containers.h"
#include "foundation/Memory.h"
#include "mesh/core/MeshTopology.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "scene/SceneGlobals.h"
#include "scene/readers/ObjImporter.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Writes an n × n grid of quads with one texture coordinate per vertex, once.
std::string GridFile(int n)
{
    const std::string path =
        QFile::encodeName(QDir::temp().filePath(QStringLiteral("tevrin_obj_bench_%1.obj").arg(n))).toStdString();
    if (QFile::exists(QString::fromStdString(path)))
        return path;
    const std::string partial = path + ".part";
    std::FILE *f = std::fopen(partial.c_str(), "wb");
    if (!f)
        return {};
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            std::fprintf(f, "v %.6f %.6f %.6f\n", x * 0.01, y * 0.01, 0.001 * ((x * 7 + y * 13) % 101));
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x)
            std::fprintf(f, "vt %.6f %.6f\n", double(x) / n, double(y) / n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int a = y * (n + 1) + x + 1, b = a + 1, c = a + n + 2, d = a + n + 1;
            std::fprintf(f, "f %d/%d %d/%d %d/%d %d/%d\n", a, a, b, b, c, c, d, d);
        }
    std::fclose(f);
    std::rename(partial.c_str(), path.c_str());
    return path;
}

uint64_t FileSize(const std::string &path) { return uint64_t(QFile(QString::fromStdString(path)).size()); }

// Reads the file once so that both sides start from the page cache.
void Warm(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    static char buffer[1 << 20];
    while (f && std::fread(buffer, 1, sizeof buffer, f) == sizeof buffer) {
    }
    if (f)
        std::fclose(f);
}

struct ChildResult {
    double seconds = 0;
    uint64_t bytes = 0;     // what the side built: the finished mesh, or the parsed arrays
    uint64_t peakRss = 0;   // bytes
    double cpuSeconds = 0;  // user and system time of the whole child: steadier than wall time on a busy machine
    bool ok = false;
};

// Runs `work` (returning seconds and bytes) in a child process; the parent gets its peak memory.
template <class Work>
ChildResult InChild(Work work)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const ChildResult r = work();
        const ssize_t written = write(pipeEnds[1], &r, sizeof r);
        _exit(written == ssize_t(sizeof r) ? 0 : 1);
    }
    close(pipeEnds[1]);
    ChildResult result;
    const bool got = read(pipeEnds[0], &result, sizeof result) == ssize_t(sizeof result);
    close(pipeEnds[0]);
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    result.ok = got && WIFEXITED(status) && WEXITSTATUS(status) == 0 && result.ok;
    result.peakRss = uint64_t(usage.ru_maxrss) * 1024;
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        1e-6 * double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    return result;
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

ChildResult ImportOurs(const std::string &path)
{
    ChildResult r;
    const auto start = std::chrono::steady_clock::now();
    Object *object = nullptr;
    {
        ObjImporter importer(path.c_str(), nullptr);
        object = importer.DoImport();
    }
    if (!object)
        return r;
    object->CalculateAdjacency();
    r.seconds = Since(start);
    // What stays counted once the importer is gone is the finished mesh.
    r.bytes = General::GetCountedMemory();
    r.ok = object->m_iFaceCount > 0 && object->m_eType == Mesh::typeQuadric;
    Importer::DeleteChain(object);
    return r;
}

ChildResult ParseTinyObj(const std::string &path)
{
    ChildResult r;
    const auto start = std::chrono::steady_clock::now();
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    r.ok = reader.ParseFromFile(path, config);
    r.seconds = Since(start);
    const auto &a = reader.GetAttrib();
    r.bytes = (a.vertices.size() + a.texcoords.size()) * sizeof(float);
    for (const auto &shape : reader.GetShapes())
        r.bytes += shape.mesh.indices.size() * sizeof(tinyobj::index_t) + shape.mesh.num_face_vertices.size();
    r.ok = r.ok && !reader.GetShapes().empty();
    return r;
}

// What `tevrin FILE` waits for: the scene's import entry, which reads the file, builds the
// level with its adjacency and normals, and places it in the scene with its octree.
ChildResult ImportEntry(const std::string &path)
{
    ChildResult r;
    Scene scene;
    const auto start = std::chrono::steady_clock::now();
    Object *object = scene.Import(QString::fromStdString(path), true, false, true);
    r.seconds = Since(start);
    r.bytes = General::GetCountedMemory();
    r.ok = object && object->m_iFaceCount > 0;
    return r;
}

// The peer's parse followed by the indexed mesh a program builds from it: one vertex per
// distinct position and texture-coordinate pair, faces as indices into them.
ChildResult TinyObjIndexed(const std::string &path)
{
    ChildResult r;
    const auto start = std::chrono::steady_clock::now();
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    if (!reader.ParseFromFile(path, config) || reader.GetShapes().empty())
        return r;
    const auto &a = reader.GetAttrib();
    std::unordered_map<uint64_t, uint32_t> vertexOf;
    std::vector<float> positions, uvs;
    std::vector<uint32_t> corners;
    size_t cornerCount = 0;
    for (const auto &shape : reader.GetShapes())
        cornerCount += shape.mesh.indices.size();
    vertexOf.reserve(a.vertices.size() / 3);
    corners.reserve(cornerCount);
    for (const auto &shape : reader.GetShapes())
        for (const tinyobj::index_t &index : shape.mesh.indices) {
            const uint64_t key = (uint64_t(uint32_t(index.vertex_index)) << 32) | uint32_t(index.texcoord_index);
            const auto [it, added] = vertexOf.emplace(key, uint32_t(positions.size() / 3));
            if (added) {
                positions.insert(positions.end(), &a.vertices[3 * size_t(index.vertex_index)],
                                 &a.vertices[3 * size_t(index.vertex_index)] + 3);
                if (index.texcoord_index >= 0)
                    uvs.insert(uvs.end(), &a.texcoords[2 * size_t(index.texcoord_index)],
                               &a.texcoords[2 * size_t(index.texcoord_index)] + 2);
            }
            corners.push_back(it->second);
        }
    r.seconds = Since(start);
    r.bytes = (positions.size() + uvs.size()) * sizeof(float) + corners.size() * sizeof(uint32_t);
    r.ok = !corners.empty();
    return r;
}

// Runs our side and the peer's on the generated file of side state.range(0), each in its
// own child process from a warm page cache, and sets the common counters under the names
// `oursName` and `theirsName`. False (the run skipped) when either side failed.
template <class Ours, class Theirs>
bool RunSides(benchmark::State &state, Ours oursSide, Theirs theirsSide, const std::string &oursName,
              const std::string &theirsName, ChildResult &ours, ChildResult &theirs)
{
    InitializeSceneGlobals();
    const std::string path = GridFile(int(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("cannot write the generated file");
        return false;
    }
    const double megabytes = double(FileSize(path)) / 1e6;
    for (auto _ : state) {
        Warm(path);
        ours = InChild([&] { return oursSide(path); });
        Warm(path);
        theirs = InChild([&] { return theirsSide(path); });
    }
    if (!ours.ok || !theirs.ok) {
        state.SkipWithError("an import failed");
        return false;
    }
    state.counters["file_MB"] = megabytes;
    state.counters[oursName + "_MBps"] = megabytes / ours.seconds;
    state.counters[theirsName + "_MBps"] = megabytes / theirs.seconds;
    state.counters["speed_ratio"] = theirs.seconds / ours.seconds;
    state.counters["cpu_ratio"] = theirs.cpuSeconds / ours.cpuSeconds;
    state.counters[oursName + "_peak_MB"] = double(ours.peakRss) / 1e6;
    state.counters["tinyobj_peak_MB"] = double(theirs.peakRss) / 1e6;
    return true;
}

// The whole import entry against the peer's parse and indexed mesh build, each in its own
// child process on all the processors the process may use.
void ObjEntry(benchmark::State &state)
{
    ChildResult ours, theirs;
    RunSides(state, ImportEntry, TinyObjIndexed, "entry", "tinyobj_indexed", ours, theirs);
}

void ObjImport(benchmark::State &state)
{
    ChildResult ours, theirs;
    if (!RunSides(state, ImportOurs, ParseTinyObj, "ours", "tinyobj", ours, theirs))
        return;
    state.counters["mesh_MB"] = double(ours.bytes) / 1e6;
    state.counters["peak_per_mesh"] = double(ours.peakRss) / double(ours.bytes);
}


// The adjacency build alone on the imported mesh (range 1): the buckets on one thread (0)
// and on the threads the process may use (1), and face by face (2).
void ObjAdjacency(benchmark::State &state)
{
    InitializeSceneGlobals();
    const std::string path = GridFile(int(state.range(0)));
    Object *object = path.empty() ? nullptr : ObjImporter(path.c_str(), nullptr).DoImport();
    if (!object) {
        state.SkipWithError("the import failed");
        return;
    }
    const auto how = state.range(1) == 2 ? MeshTopology::AdjacencyBuild::FaceByFace : MeshTopology::AdjacencyBuild::Buckets;
    const unsigned threads = state.range(1) == 1 ? 0 : 1;
    for (auto _ : state) {
        object->m_bAdjacencyValid = false;
        MeshTopology::CalculateAdjacency(*object, threads, how);
    }
    state.counters["open_edges"] = object->m_iOpenEdges;
    Importer::DeleteChain(object);
}

}  // namespace

// About 170 MB and 700 MB.
BENCHMARK(ObjImport)->Arg(1250)->Arg(2540)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(ObjEntry)->Arg(1250)->Arg(2540)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(ObjAdjacency)
    ->Args({1250, 0})
    ->Args({1250, 1})
    ->Args({1250, 2})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_MAIN();
