#include "scene/SelectionSet.h"

#include "foundation/Stream.h"
#include "mesh/levels/SubdivLevel.h"
#include "scene/Scene.h"

#include <algorithm>
#include <utility>

constinit General::TypeInfo SelectionSet::s_typeInfo{&General::Node::s_typeInfo, "SelectionSet",
                                                      &General::CreateNodes<SelectionSet>};

SelectionSet::SelectionSet(const QString &name) : m_sSetName(name) { m_sName = name; }

SelectionSet::~SelectionSet()
{
    while (SelectionSet *next = m_pNext) {
        m_pNext = next->m_pNext;
        next->m_pNext = nullptr;
        delete next;
    }
}

SelectionSet::Entry *SelectionSet::AddLevel(SubdivLevel *level)
{
    auto &entry = m_aEntries.emplace_back(std::make_unique<Entry>());
    entry->level = level;
    return entry.get();
}

bool SelectionSet::RemoveLevel(const Mesh *level)
{
    std::erase_if(m_aEntries, [&](const std::unique_ptr<Entry> &entry) {
        return static_cast<const Mesh *>(entry->level) == level;
    });
    return !m_aEntries.empty();
}

bool SelectionSet::Serialize(Stream &stream, Scene &scene, const std::vector<Object *> *written)
{
    for (SelectionSet *set = this; set; set = set->m_pNext) {
        if (stream.IsStoring()) {
            stream << set->m_sSetName;
            std::vector<std::pair<int, const Entry *>> kept;
            for (const auto &entry : set->m_aEntries) {
                const int id = written ? scene.GetMeshId(entry->level, *written) : scene.GetMeshId(entry->level);
                if (!written || id != -1)
                    kept.emplace_back(id, entry.get());
            }
            int count = int(kept.size());
            stream.Serialize(count);
            for (auto &[id, entry] : kept) {
                stream.Serialize(id);
                stream.WriteArray(entry->faces);
            }
            if (stream.HasError())
                return false;
            continue;
        }

        // Each entry needs at least its id and its face count.
        QString name;
        int count = 0;
        stream >> name;
        if (stream.HasError() || stream.Read(&count, 4) != 4 || count < 0 || !stream.Expect(uint64_t(count) * 8)) {
            stream.SetError();
            return false;
        }
        std::vector<std::unique_ptr<Entry>> entries;
        for (int i = 0; i < count; ++i) {
            auto entry = std::make_unique<Entry>();
            int id = -1;
            if (stream.Read(&id, 4) != 4 || !stream.ReadArray(entry->faces)) {
                stream.SetError();
                return false;
            }
            entry->level = scene.GetMeshById(id);
            entries.push_back(std::move(entry));
        }
        set->m_sSetName = name;
        set->m_sName = name;
        set->m_aEntries = std::move(entries);
    }
    return true;
}
