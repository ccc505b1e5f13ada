#pragma once
// The program-wide settings object: every user setting with its default, the folders the
// program works in, and the mirror pairs of the brushes. Reachable through
// Preferences::Get() while it lives. The main window (or the batch road) creates it once;
// the settings file fills in the stored values later.
//
// Folders on Linux: the settings live in a folder under the user's configuration folder
// (recorded per user in the "paths" file there), the data (stamps, stencils, shaders,
// temporary files, logs) in the user's data folder.

#include "app/settings/PreferenceValues.h"
#include "foundation/Containers.h"
#include "foundation/math/Vector.h"

#include <QString>

#include <vector>

class Stream;

// A preferences record read from a file, not yet applied.
struct PreferencesRecord {
    PreferenceValues values;
    std::vector<General::Vector> normals, offsets;  // the mirror pairs the file holds
};

// The questions a first start asks; the window installs real ones, tests scripted ones.
// Without any (the batch road), no question is asked: a found settings file is not taken
// over and the default folders stand.
class PreferencesPrompts {
public:
    virtual ~PreferencesPrompts() = default;
    // A settings file was found in `folder`: true to copy it into the settings folder.
    virtual bool TakeOverSettings(const QString &folder) = 0;
    // Lets the user choose the settings and data folders (may change both); returns once confirmed.
    virtual void ChooseFolders(PreferenceValues &preferences) = 0;
};

class Preferences : public PreferenceValues {
public:
    // Sets every default, makes Get() refer to this object and sets the folders up.
    // `programFolder` holds the shipped "Stamps", "Stencils" and "Shaders" (empty: the
    // executable's folder).
    explicit Preferences(PreferencesPrompts *prompts = nullptr, const QString &programFolder = QString());
    ~Preferences();
    Preferences(const Preferences &) = delete;
    Preferences &operator=(const Preferences &) = delete;

    static Preferences *Get() { return s_pInstance; }

    // The per-user folder of the program's data before any setting moves it.
    static QString DefaultDataFolder();
    // Its temporary folder: usable before the preferences exist.
    static QString DefaultTempFolder();
    // The user's configuration folder of the program; it holds the "paths" file.
    static QString ConfigFolder();
    // The settings folder a first start proposes.
    static QString DefaultSettingsFolder();
    static QString PathsFile() { return ConfigFolder() + QStringLiteral("/paths"); }
    // A paths file past these is not read: a line ("user: folder") each time folders are set.
    static constexpr qint64 kMaxPathsBytes = 1 << 20;
    static constexpr qint64 kMaxPathsLine = 8192;

    // The settings record in the stream's direction. Reading fills a copy and applies it
    // only when the whole record arrived; false (stream error set) otherwise.
    bool Serialize(Stream &stream);
    // Reads the record into `record` (this object unchanged): the stored folders apply only
    // when usable and not chosen during this start, the fields never stored keep this
    // run's values. False (stream error set) when the record is cut or damaged.
    bool ReadRecord(Stream &stream, PreferencesRecord &record) const;
    void Apply(const PreferencesRecord &record);

    // Appends "user: settings folder" to the paths file; a file that cannot be opened is skipped.
    void AppendToPathsFile() const;
    // True when no usable line for this user was found; otherwise SettingFiles is set
    // from the last usable one.
    bool ReadPathsFile();
    // The folder holding the first "settings.sav" under `folder`, searched at most
    // kSearchDepth levels deep, each real folder once (links that loop are not followed
    // again); empty when there is none.
    static QString FindSettingsFile(const QString &folder);
    static constexpr int kSearchDepth = 8;

    // Mirror axes: item i of both stores belong together (MirrorCount of them in use).
    General::Store<General::Vector> MirrorNormals{"preferences normals"};
    General::Store<General::Vector> MirrorOffsets{"preferences mirror"};

private:
    void SetUpFolders(PreferencesPrompts *prompts, const QString &programFolder);

    static Preferences *s_pInstance;
};

// Splits "key: value": the key before the first colon (untrimmed), the value after it
// trimmed; a line without a colon gives two empty texts.
void SplitKeyValue(const QString &line, QString &key, QString &value);

// True when `folder` exists and a file can be created in it.
bool IsWritableFolder(const QString &folder);
