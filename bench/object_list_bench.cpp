// The object list's refresh over 1,000 and 10,000 objects of 3 levels and 2 layers each
// (an object makes 2 + levels + layers rows), set against building the same rows (same
// texts, icons and root) in a bare QTreeWidget in the same run. Target: the refresh takes at
// most 1.5 times the bare build. Runs on the offscreen platform; one thread.
#include "foundation/ShellServices.h"
#include "gui/outliner/SceneInfoDialog.h"
#include "gui/properties/ObjectFigures.h"
#include "mesh/object/Layer3D.h"
#include "mesh/object/LayerLevel.h"
#include "mesh/object/MeshHost.h"
#include "mesh/object/Object.h"
#include "scene/Scene.h"
#include "support/MeshFixtures.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QIcon>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <map>
#include <memory>
#include <unordered_map>

namespace {

// Swap files go to a folder of their own, under names that never collide.
class BenchShell : public General::ShellServices {
public:
    QString TempFolder() const override { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

class BenchMeshes : public MeshHost {
public:
    int GetMeshId(const SubdivLevel *level) const override
    {
        auto [it, added] = m_ids.try_emplace(level, int(m_ids.size()));
        return it->second;
    }

private:
    mutable std::unordered_map<const SubdivLevel *, int> m_ids;
};

std::unique_ptr<Object> MakeObject(int index)
{
    std::vector<General::Vector> points;
    for (unsigned j = 0; j <= 3; ++j)
        for (unsigned i = 0; i <= 3; ++i)
            points.emplace_back(float(i), float(j), float(index));
    std::vector<std::array<unsigned, 4>> quads;
    for (unsigned j = 0; j < 3; ++j)
        for (unsigned i = 0; i < 3; ++i)
            quads.push_back({j * 4 + i, j * 4 + i + 1, j * 4 + i + 5, j * 4 + i + 4});
    auto object = fixtures::MakeQuads<Object>(points, quads);
    object->SetObjectName(QStringLiteral("object%1").arg(index));
    object->CreateLayer(nullptr, nullptr)->SetName(QStringLiteral("layer a"));
    object->CreateLayer(nullptr, nullptr)->SetName(QStringLiteral("layer b"));
    object->GetNextLevel(true)->GetNextLevel(true);
    return object;
}

// The scene of the size asked for; the benchmarks of one size run together, so it is
// made once per size.
std::unique_ptr<Scene> scene;

Scene &SceneOf(int objects)
{
    static int made = -1;
    if (made != objects) {
        scene.reset();
        scene = std::make_unique<Scene>();
        for (int i = 0; i < objects; ++i)
            scene->AddObject(MakeObject(i).release());
        made = objects;
    }
    return *scene;
}

int RowCount(const QTreeWidgetItem *item)
{
    int rows = 1;
    for (int i = 0; i < item->childCount(); ++i)
        rows += RowCount(item->child(i));
    return rows;
}

void BM_ObjectListRefresh(benchmark::State &state)
{
    SceneOf(int(state.range(0)));
    GUI::SceneInfoDialog dialog(nullptr, "Object List");
    for (auto _ : state)
        dialog.Refresh();
    state.counters["rows"] = RowCount(dialog.GetTree()->topLevelItem(0));
}

// The same rows with the same texts and icons in a plain tree, no checks and no bookkeeping.
void BM_BareTree(benchmark::State &state)
{
    Scene &scene = SceneOf(int(state.range(0)));
    QTreeWidget tree;
    tree.setColumnCount(7);
    const QIcon geometry(QStringLiteral("Icons/object_geometry.png"));
    const QIcon layerIcon(QStringLiteral("Icons/object_layer.png"));
    const auto mib = [](double value) { return QString::number(value, 'f', 2); };
    const auto columns = [&](QTreeWidgetItem *row, const GUI::LevelFigures &f) {
        row->setText(1, QString::number(f.polygons));
        row->setText(2, QString::number(f.inRam));
        row->setText(3, QString::number(f.hidden));
        row->setText(4, QString::number(f.vertices));
        row->setText(5, mib(f.mib));
    };
    for (auto _ : state) {
        tree.clear();
        auto *root = new QTreeWidgetItem;
        root->setText(0, QStringLiteral("Scene"));
        GUI::LevelFigures totals;
        for (Object *object = scene.m_pObjects; object; object = object->m_pNextObject) {
            auto *row = new QTreeWidgetItem(root);
            row->setText(0, object->General::Node::GetName());
            row->setIcon(0, geometry);
            auto *transform = new QTreeWidgetItem(row);
            transform->setText(0, QStringLiteral("Transformation"));
            transform->setIcon(0, geometry);
            GUI::LevelFigures sum;
            for (SubdivLevel *level = object; level; level = level->GetNextLevel(false)) {
                const GUI::LevelFigures figures = GUI::LevelFiguresOf(*level);
                sum += figures;
                auto *levelRow = new QTreeWidgetItem(row);
                levelRow->setText(0, QStringLiteral("level_%1").arg(level->GetLevelIndex()));
                levelRow->setIcon(0, geometry);
                columns(levelRow, figures);
            }
            columns(row, sum);
            totals += sum;
            for (Layer3D *layer = object->GetFirstLayer(); layer; layer = layer->GetNextInTree()) {
                uint64_t entries = 0;
                for (SubdivLevel *level = object; level; level = level->GetNextLevel(false))
                    if (const LayerLevel *data = layer->GetLevel(level))
                        entries += data->m_iVertexCount;
                auto *layerRow = new QTreeWidgetItem(row);
                layerRow->setText(0, layer->GetName());
                layerRow->setIcon(0, layerIcon);
                layerRow->setText(3, QString::number(entries));
                layerRow->setText(4, mib(double(entries) * 20.0 / 1048576.0));
            }
        }
        columns(root, totals);
        tree.addTopLevelItem(root);
        root->setExpanded(true);
    }
    state.counters["rows"] = RowCount(tree.topLevelItem(0));
}

BENCHMARK(BM_ObjectListRefresh)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTree)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ObjectListRefresh)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareTree)->Arg(10000)->Unit(benchmark::kMillisecond);

// Prints refresh / bare build after the runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nobject list refresh / bare QTreeWidget build of the same rows (target <= 1.5):\n");
        for (const char *size : {"1000", "10000"}) {
            const auto ours = m_times.find(std::string("BM_ObjectListRefresh/") + size);
            const auto bare = m_times.find(std::string("BM_BareTree/") + size);
            if (ours != m_times.end() && bare != m_times.end() && bare->second > 0.0)
                std::printf("  %6s objects: %.2f\n", size, ours->second / bare->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    BenchShell shell;
    General::InstallShell(&shell);
    BenchMeshes meshes;
    MeshHost::Install(&meshes);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    scene.reset();
    MeshHost::Install(nullptr);
    General::InstallShell(nullptr);
    return 0;
}
