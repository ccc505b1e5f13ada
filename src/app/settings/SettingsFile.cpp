#include "app/settings/SettingsFile.h"

#include "app/settings/Preferences.h"
#include "app/settings/SettingsWriter.h"
#include "foundation/curves/CurvePointTable.h"
#include "foundation/Diagnostics.h"
#include "foundation/Stream.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"
#include "viewport/view/ViewToggles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

QString Tr(const char *text) { return QCoreApplication::translate("SettingsFile", text); }

// Everything a settings file holds, read but not yet applied.
struct Scratch {
    PreferencesRecord preferences;
    std::vector<std::unique_ptr<Brush>> tools;  // one per stored record
    std::vector<bool> hidden;
    float sharedSize[2] = {0.0f, 0.0f};
    std::unique_ptr<Surface::Material> material;
    WindowPlacement window;
    ViewToggles view;
    bool hasFalloffCurves = false;
    std::vector<std::unique_ptr<General::NURBSCurve>> falloffs;
};

// The smallest stored tool and falloff records: every field of the oldest form.
constexpr uint64_t kSmallestTool = 19;
constexpr uint64_t kSmallestCurve = 4;

bool ReadCount(Stream &stream, unsigned &count, uint64_t smallestItem)
{
    if (stream.Read(&count, 4) != 4)
        return false;
    return stream.Expect(uint64_t(count) * smallestItem);
}

bool ReadTools(Stream &stream, Scratch &scratch)
{
    unsigned count = 0;
    if (!ReadCount(stream, count, kSmallestTool))
        return false;
    const auto &tools = Brush::Tools();
    // The record reader moves the shared sizes: keep them until the whole file is read.
    const float shared[2] = {Brush::s_fSharedSize[0], Brush::s_fSharedSize[1]};
    bool ok = true;
    for (unsigned i = 0; i < count && ok; ++i) {
        auto tool = std::make_unique<Brush>(QString(), 0, QString(), 1, QString());
        if (i < tools.size())
            *tool = *tools[i];
        ok = tool->Serialize(stream);
        scratch.tools.push_back(std::move(tool));
    }
    scratch.sharedSize[0] = Brush::s_fSharedSize[0];
    scratch.sharedSize[1] = Brush::s_fSharedSize[1];
    Brush::s_fSharedSize[0] = shared[0];
    Brush::s_fSharedSize[1] = shared[1];
    return ok;
}

bool ReadFalloffs(Stream &stream, Scratch &scratch)
{
    const int version = stream.GetVersion();
    if (!((version >= 98 && version <= 119) || version >= 130))
        return true;
    unsigned count = 0;
    if (!ReadCount(stream, count, kSmallestCurve))
        return false;
    if (version < 135) {
        // Older falloff tables: read and dropped.
        for (unsigned i = 0; i < count; ++i) {
            CurvePointTable table;
            if (!table.Serialize(stream))
                return false;
        }
        return true;
    }
    scratch.hasFalloffCurves = true;
    const auto &falloffs = Brush::Falloffs();
    for (unsigned i = 0; i < count; ++i) {
        auto curve = std::make_unique<General::NURBSCurve>(3);
        if (i < falloffs.size())
            *curve = *falloffs[i];
        if (!curve->Serialize(stream))
            return false;
        scratch.falloffs.push_back(std::move(curve));
    }
    return true;
}

bool ReadAll(Stream &stream, const SettingsParts &parts, Scratch &scratch)
{
    if (!parts.preferences->ReadRecord(stream, scratch.preferences) || !ReadTools(stream, scratch))
        return false;
    unsigned materials = 0;
    stream.Read(&materials, 4);  // the count of the writer's list; one record follows
    scratch.material = std::make_unique<Surface::Material>(-1);
    if (stream.HasError() || !scratch.material->Serialize(stream))
        return false;
    WindowPlacement &w = scratch.window;
    stream.Serialize(w.maximized).Serialize(w.x).Serialize(w.y).Serialize(w.width).Serialize(w.height);
    if (parts.view)
        scratch.view = *parts.view;
    if (stream.HasError() || !scratch.view.Serialize(stream))
        return false;
    return ReadFalloffs(stream, scratch) && !stream.HasError();
}

void ApplyTools(Scratch &scratch)
{
    auto &tools = Brush::Tools();
    const size_t count = scratch.tools.size();
    while (tools.size() < count)
        tools.push_back(std::make_unique<Brush>(QString(), 0, QString(), 1, QString()));
    for (size_t i = 0; i < count; ++i) {
        const Brush &record = *scratch.tools[i];
        Brush &tool = *tools[i];
        const QString name = tool.m_sName;
        tool.CopySettings(record);
        tool.m_iType = record.m_iType;
        tool.m_sGroup.clear();
        // Tools made from the trays keep the stored name; the others keep their own.
        if (!record.m_bHidden)
            tool.m_sName = name;
    }
    tools.resize(count);
    Brush::s_fSharedSize[0] = scratch.sharedSize[0];
    Brush::s_fSharedSize[1] = scratch.sharedSize[1];
    CreateDefaultTools();
}

void ApplyFalloffs(Scratch &scratch)
{
    if (!scratch.hasFalloffCurves)
        return;
    auto &falloffs = Brush::Falloffs();
    const size_t count = scratch.falloffs.size();
    while (falloffs.size() < count)
        falloffs.push_back(std::make_unique<General::NURBSCurve>(3));
    for (size_t i = 0; i < count; ++i)
        *falloffs[i] = *scratch.falloffs[i];
    // The built-in curves stay unless the file held more than they are.
    if (count > 7 && falloffs.size() > count)
        falloffs.resize(count);
}

void Apply(const SettingsParts &parts, Scratch &scratch)
{
    parts.preferences->Apply(scratch.preferences);
    ApplyTools(scratch);
    // Settings load before any scene object holds a material.
    Surface::Material *material = scratch.material.release();
    Surface::Materials().Clear();
    Surface::Materials().Append(material);
    material->m_aDiffuseTexture.SetValue(QString());
    if (parts.window)
        *parts.window = scratch.window;
    if (parts.view)
        *parts.view = scratch.view;
    ApplyFalloffs(scratch);
}

SettingsLoad Refuse(const QString &path, const QString &why, bool keepAside = true)
{
    SettingsLoad result;
    result.outcome = SettingsLoad::Refused;
    if (!keepAside) {
        result.message = Tr("%1\nThe default settings are used, and the settings of this run are not saved there.")
                             .arg(why);
        Log("%s\n", result.message.toUtf8().constData());
        return result;
    }
    result.keptCopy = KeepAside(path);
    result.message = result.keptCopy.isEmpty()
                         ? Tr("%1\nThe default settings are used.").arg(why)
                         : Tr("%1\nThe default settings are used; the file was moved to %2.").arg(why, result.keptCopy);
    Log("%s\n", result.message.toUtf8().constData());
    return result;
}

}  // namespace

SettingsLoad LoadSettingsFile(const QString &path, const SettingsParts &parts)
{
    const QFileInfo info(path);
    // What is not a regular file stays where it is: moving a link or a device away helps nobody.
    if (info.isSymLink() && !info.exists())
        return Refuse(path, Tr("The settings file %1 is a link to nothing.").arg(path), false);
    if (!info.exists())
        return SettingsLoad{};
    if (!info.isFile())
        return Refuse(path, Tr("The settings file %1 is not a regular file.").arg(path), false);
    if (info.size() == 0)
        return SettingsLoad{};
    std::unique_ptr<Stream> stream;
    try {
        stream = std::make_unique<Stream>(path, false);
    } catch (const General::Error &) {
        return Refuse(path, Tr("The settings file %1 is of a newer version or damaged.").arg(path));
    }
    if (!stream->IsOpen())
        return Refuse(path, Tr("The settings file %1 cannot be read.").arg(path));
    const int version = stream->GetVersion();
    if (version <= 0)
        return Refuse(path, Tr("The settings file %1 is not a settings file (version %2).").arg(path).arg(version));
    if (version < kOldestSettingsVersion)
        return Refuse(path, Tr("The settings file %1 is of version %2, too old to be read.").arg(path).arg(version));
    Scratch scratch;
    if (!ReadAll(*stream, parts, scratch))
        return Refuse(path, Tr("The settings file %1 is damaged.").arg(path));
    stream.reset();
    Apply(parts, scratch);
    SettingsLoad result;
    result.outcome = SettingsLoad::Loaded;
    return result;
}

bool SaveSettingsFile(const QString &path, const SettingsParts &parts, const std::function<void()> &beforeReplace,
                      QString *error)
{
    return WriteReplacing(path, beforeReplace, [&parts](Stream &stream) {
        parts.preferences->Serialize(stream);
        unsigned count = unsigned(Brush::Tools().size());
        stream.Serialize(count);
        for (const auto &tool : Brush::Tools())
            tool->Serialize(stream);
        // One material record: the first material (a fresh default when there is none).
        Surface::MaterialList &materials = Surface::Materials();
        unsigned materialCount = unsigned(materials.Count());
        stream.Serialize(materialCount);
        if (Surface::Material *first = materials.First()) {
            first->Serialize(stream);
        } else {
            Surface::Material fallback(0);
            fallback.Serialize(stream);
        }
        WindowPlacement window = parts.window ? *parts.window : WindowPlacement{};
        stream.Serialize(window.maximized).Serialize(window.x).Serialize(window.y);
        stream.Serialize(window.width).Serialize(window.height);
        ViewToggles view = parts.view ? *parts.view : ViewToggles{};
        view.Serialize(stream);
        unsigned curves = unsigned(Brush::Falloffs().size());
        stream.Serialize(curves);
        for (const auto &curve : Brush::Falloffs())
            curve->Serialize(stream);
    }, error);
}

WindowPlacement PlacementOf(const QWidget &window)
{
    const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
    return WindowPlacement{window.isMaximized(), normal.x(), normal.y(), normal.width(), normal.height()};
}

bool ApplyPlacement(QWidget &window, const WindowPlacement &placement)
{
    if (placement.maximized)
        return true;
    if (placement.width > 0 && placement.height > 0)
        window.resize(placement.width, placement.height);
    window.move(placement.x, placement.y);
    return false;
}
