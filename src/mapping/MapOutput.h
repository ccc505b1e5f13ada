#pragma once
// The map files of one extraction run: each tile's normal and displacement maps are
// saved as the tile is done, and once every tile is done the displacement maps that
// were first written as floats are normalised into their final format and range.
// Every map is written under a staged name beside its own and takes its name only when
// the whole run has succeeded, so a run that fails leaves the folder as it was.
// Nothing here asks the user: failures reach the caller (and the log).

#include <QString>

#include <vector>

namespace MapExtraction {

class Info;
class MapBuffer;

class MapOutput {
public:
    // The settings and the current tile come from `info`, which must outlive this.
    explicit MapOutput(Info &info) : m_cInfo(info) {}

    // Saves the current tile's maps (either may be null when not made). True without
    // writing anything for an empty tile when "Skip Empty Maps" is on. False when a file
    // cannot be written; GetError() then says which.
    bool SaveMaps(const MapBuffer *normal, const MapBuffer *displacement, unsigned newTexels);
    // Converts the temporary float displacement maps of every processed tile into the final
    // format, over the range of all of them (or the search distance), and removes them.
    // Throws General::Error (code 1) when a map cannot be loaded or saved.
    void NormalizeDisplacementMaps();
    // Gives every map of the run its own name (replacing an earlier map of that name) and
    // removes the temporary ones. False when a map cannot take its name: GetError() says
    // which, and the maps not yet renamed are removed.
    bool CommitRun();
    // Removes every file the run has written.
    void DiscardRun();

    // The name a map with the file name `base` (no extension) is written under until
    // the run commits.
    static QString StagedBase(const QString &base) { return base + QStringLiteral(".baking"); }

    const QString &GetError() const { return m_sError; }

    QString m_sDirectory;                      // ends in a separator
    int m_eWorkingDisplacementType = 0;        // the format tiles are first written in
    int m_eDisplacementFinalType = 0;          // the "Displacement Map Format" value
    int m_eNormalType = 0;                     // the normal map's format id
    QString m_sDisplacePostFilename;           // "_temp" while the working format differs
    // The files the last SaveMaps wrote (empty where it wrote none).
    QString m_sSavedNormal, m_sSavedDisplacement;

private:
    // Whether tile (u, v) is part of the run.
    bool IsProcessed(int u, int v);
    // Notes a file the run writes: `written` takes the name `final` at the commit, or is
    // removed then when `final` is empty. A file noted again keeps its first note.
    void Note(const QString &written, const QString &final);

    struct RunFile {
        QString written, final;
    };
    Info &m_cInfo;
    QString m_sError;
    std::vector<RunFile> m_aRunFiles;
};

}  // namespace MapExtraction
