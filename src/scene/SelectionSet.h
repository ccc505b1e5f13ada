#pragma once
// A face selection stored under a name: per level, the numbers of the faces that were
// selected (the face's index, or its global number on a partial level). The scene keeps
// its sets in a chain; a set owns the sets after it.

#include "foundation/Containers.h"
#include "foundation/Node.h"

#include <QString>

#include <memory>
#include <vector>

class Mesh;
class Object;
class Scene;
class Stream;
class SubdivLevel;

class SelectionSet : public General::Node {
public:
    struct Entry {
        SubdivLevel *level = nullptr;
        General::Store<unsigned int> faces{"meshinfo faces"};
    };

    static General::TypeInfo s_typeInfo;
    const General::TypeInfo *GetTypeInfo() const override { return &s_typeInfo; }

    explicit SelectionSet(const QString &name = QString());
    // Deletes the rest of the chain after this set too (one set at a time, no recursion).
    ~SelectionSet() override;

    // A new entry for the level with no faces.
    Entry *AddLevel(SubdivLevel *level);
    // Takes out every entry of the level (which may be going: only its address is used);
    // true when the set still has entries.
    bool RemoveLevel(const Mesh *level);

    // This set's record, then the next set's, in the stream's direction: the name, the
    // entry count, then per entry the level's packed id in `scene` and the face numbers.
    // Writing with `written` numbers the levels against those objects alone (the objects
    // the file holds) and leaves out entries of any other object.
    // Reading fills the sets that exist in the chain. A record that is short or does not
    // hold together is refused: that set stays as it was, the stream's error flag is set
    // and the result is false. An id that names no level leaves its entry without one.
    bool Serialize(Stream &stream, Scene &scene, const std::vector<Object *> *written = nullptr);

    bool m_bActive = false;
    QString m_sSetName;
    SelectionSet *m_pNext = nullptr;  // owned
    std::vector<std::unique_ptr<Entry>> m_aEntries;
};
