#pragma once
// What a run tells the person watching it, tile by tile: one row per tile with its region,
// time, map files and the share of the low surface it covers. The engine calls it on the
// thread that started the run; the progress dialog implements it, tests record it.

#include <QString>

namespace MapExtraction {

class MapProgress {
public:
    virtual ~MapProgress() = default;
    // A new row; `progress` counts finished tiles plus the current tile's fraction.
    virtual void NewRow(double progress, unsigned total) = 0;
    virtual void SetTileId(int id) = 0;
    virtual void SetRegion(float uMin, float vMin, float uMax, float vMax) = 0;
    virtual void SetTime(unsigned milliseconds) = 0;
    virtual void SetSplit() = 0;
    virtual void SetSkipped() = 0;
    virtual void SetNormalMapName(const QString &path) = 0;
    virtual void SetDisplacementMapName(const QString &path) = 0;
    virtual void SetSurfaceRate(double rate) = 0;
    virtual void Finish() = 0;
};

}  // namespace MapExtraction
