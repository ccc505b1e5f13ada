#include "scene/Brush.h"

#include "foundation/curves/CurvePointTable.h"
#include "foundation/Stream.h"

namespace {

// The first stream version that holds each group of fields.
enum : int {
    kRestartFields = 14,
    kConnect = 15,
    kSharedSizes = 21,
    kNames = 22,
    kBeforePairs = 45,
    kMaximums = 53,
    kHidden = 56,
    kGroupAndFalloff = 57,
    kSecondSetting = 71,
    kDirection = 73,
    kSmoothLayer = 86,
    kFinalSetting = 88,
    kTableFlags = 94,
    kSharedSizeFlag = 120,
    kFlag4 = 125,
    kSpacedDab = 151,
    kFalloffCurve = 135,
    kMoveIconRenamed = 219,
};

}  // namespace

bool Brush::Serialize(Stream &stream, float *sharedSizes)
{
    const int v = stream.GetVersion();
    const bool storing = stream.IsStoring();
    // Reading fills a copy that replaces this record only when the whole record arrived.
    Brush read;
    if (!storing)
        read = *this;
    Brush &b = storing ? *this : read;
    float shared[2] = {s_fSharedSize[0], s_fSharedSize[1]};
    if (!storing && stream.HasError())
        return false;  // whatever came before is already misaligned

    stream.Serialize(b.m_aPairs[0].size).Serialize(b.m_aPairs[0].strength);
    stream.Serialize(b.m_aPairs[1].size).Serialize(b.m_aPairs[1].strength);
    stream.Serialize(b.m_bWindowSpace).Serialize(b.m_bTrue2).Serialize(b.m_bTrue1);
    if (v >= kRestartFields) {
        stream.Serialize(b.m_bAfterWindow1).Serialize(b.m_bAfterWindow2).Serialize(b.m_bRestart);
        stream.Serialize(b.m_iStrokeSetting);
    }
    if (v >= kConnect)
        stream.Serialize(b.m_bConnect);
    if (v >= kSharedSizes)
        stream.Serialize(shared[0]).Serialize(shared[1]);
    if (v >= kNames)
        stream.Serialize(b.m_sName).Serialize(b.m_sIconName).Serialize(b.m_iType);
    if (v >= kBeforePairs)
        stream.Serialize(b.m_bBeforePairs);
    if (v >= kMaximums) {
        stream.Serialize(b.m_fSizeMaximum).Serialize(b.m_fStrengthMaximum);
        stream.Serialize(b.m_fSetting1).Serialize(b.m_fSetting2);
    }
    if (v >= kHidden)
        stream.Serialize(b.m_bHidden);
    bool falloff = true;
    if (v >= kGroupAndFalloff) {
        stream.Serialize(b.m_sGroup);
        if (v >= kFalloffCurve) {
            falloff = b.m_falloff.Serialize(stream);
        } else if (storing) {
            CurvePointTable none;  // this program keeps curves; old forms get an empty table
            falloff = none.Serialize(stream);
        } else {
            falloff = b.ReadPointTable(stream);
        }
    }
    if (falloff) {
        if (v >= kSecondSetting)
            stream.Serialize(b.m_iSecondSetting);
        if (v >= kDirection)
            stream.Serialize(b.m_iDirection);
        if (v >= kSmoothLayer)
            stream.Serialize(b.m_bSmoothLayer);
        if (v >= kFinalSetting)
            stream.Serialize(b.m_iFinalSetting);
        if (v >= kTableFlags)
            stream.Serialize(b.m_bFlag1).Serialize(b.m_bFlag2);
        if (v >= kSharedSizeFlag)
            stream.Serialize(b.m_bSharedSize);
        if (v >= kFlag4)
            stream.Serialize(b.m_bAfterFlag4).Serialize(b.m_bFlag4);
        if (v >= kSpacedDab)
            stream.Serialize(b.m_bSpacedDab).Serialize(b.m_iSpacing);
    }

    if (!falloff || stream.HasError()) {
        stream.SetError();
        return false;
    }
    if (storing)
        return !stream.HasError();
    if (v < kMoveIconRenamed && read.m_sName == QLatin1String("Move"))
        read.m_sIconName = QStringLiteral("deform");
    *this = read;
    float *target = sharedSizes ? sharedSizes : s_fSharedSize;
    target[0] = shared[0];
    target[1] = shared[1];
    return true;
}
