#pragma once
// A tool record: the operation type a tool builds, its texts, its two size/strength
// pairs, its falloff curve and its settings. Every tool of the program is one record in
// the global tool list, in tray order; scene and settings files store the records, so
// the scene layer owns them and the operations read them while they run.

#include "foundation/curves/NURBSCurve.h"

#include <QString>

#include <memory>
#include <vector>

class Stream;

class Brush {
public:
    struct Pair {
        float size = 25.0f;
        float strength = 15.0f;
    };

    Brush(const QString &name = QString(), int type = 0, const QString &iconName = QString(), int direction = 0,
          const QString &description = QString());
    Brush(const Brush &) = delete;
    Brush &operator=(const Brush &other) = default;

    // The current pair (pair 2 in window space); a shared size lives in the global of that pair.
    float GetSize() const;
    void SetSize(float size);
    float GetStrength() const;
    void SetStrength(float strength);

    // "Icons/tool_<icon name>.png"; without an icon name, the tool's group (its category word).
    QString IconPath() const;
    // Every setting except the type id and the description.
    void CopySettings(const Brush &other);

    // Both directions, fields gated by the stream's version. A record that is short or
    // whose falloff is refused leaves the record (and the shared sizes) as they were,
    // with the stream's error flag set; the result is false then. Reading with
    // `sharedSizes` puts the file's shared sizes there instead of into the globals.
    bool Serialize(Stream &stream, float *sharedSizes = nullptr);

    // The global tool list, in tray order (owned).
    static std::vector<std::unique_ptr<Brush>> &Tools();
    // The default falloff curves (owned).
    static std::vector<std::unique_ptr<General::NURBSCurve>> &Falloffs();
    // The first tool of that name, or null.
    static Brush *Find(const QString &name);
    // The first tool of that type whose hidden flag is clear, or null.
    static Brush *FindByType(int type);
    // The sizes of the two pairs shared by every tool whose shared-size flag is set.
    static float s_fSharedSize[2];
    // Whether new sculpt tools update their buffers incrementally (a preference).
    static bool s_bIncrementalUpdate;

    int m_iType;
    QString m_sName;
    QString m_sIconName;
    QString m_sGroup;
    QString m_sDescription;
    int m_iStrokeSetting = 25;  // 0 for the soft tools and "Scratch"
    int m_iSecondSetting = 0;
    bool m_bHidden = false;
    bool m_bFlag1 = false;
    bool m_bFlag2 = true;
    bool m_bBeforePairs = false;
    Pair m_aPairs[2];
    bool m_bConnect = true;
    bool m_bWindowSpace = false;  // pair 2, and the falloff measured in window positions
    bool m_bAfterWindow1 = false;
    bool m_bAfterWindow2 = false;
    bool m_bRestart = false;  // every sample restarts the stroke segment
    bool m_bTrue1 = true;
    bool m_bTrue2 = true;
    float m_fSetting1 = 0.1f;
    float m_fSetting2 = 0.1f;
    float m_fSizeMaximum = 100.0f;
    float m_fStrengthMaximum = 100.0f;
    int m_iDirection;
    bool m_bSmoothLayer = true;  // the table's flag 3, inverted
    bool m_bSharedSize = true;
    bool m_bFlag4 = false;
    bool m_bAfterFlag4 = false;
    bool m_bSpacedDab = false;
    QString m_sStampImage;      // the default stamp image path
    int m_iStampSetting = -1;   // the falloff index to apply when the tool is next chosen; -1 none
    int m_iSpacing = 40;  // percent of the size between spaced dabs
    bool m_bPlaneUpdate = true;
    bool m_bSurface = false;
    bool m_bSmoothValues1 = false;
    bool m_bSmoothValues2 = true;
    bool m_bIncremental = false;
    General::NURBSCurve m_falloff{3};
    int m_iFinalSetting = 2;  // the current falloff's index in the falloff list

    // How a stroke reads the pointer; the brush panel sets them (not in the stored record).
    bool m_bInvert = false;          // mode 0 strokes as 2 and 2 as 0
    bool m_bDeferredStroke = false;  // the stroke applies once, at the release
    bool m_bSmoothStroke = false;    // "Curved Stroke": samples along a curve at the stroke spacing
    bool m_bPressureSize = false;
    int m_iMinSizePercent = 25;
    bool m_bPressureStrength = false;
    int m_iMinStrengthPercent = 0;
    bool m_bFixedStampSize = false;
    bool m_bStretchStamp = false;       // the brush panel's "StretchStamp", beside its stamp drag
    bool m_bPlainRedraw = false;        // each sample redraws the whole view
    bool m_bOrientToSurface = false;    // the ring lies in the surface, not across the view
    bool m_bProjectThrough = false;     // the brush panel's "ProjectThrough"
    QString m_sStampFile;               // the stamp this tool loads when it becomes current

private:
    // The falloff of a file between versions 57 and 134: a point table, its points
    // becoming the control points of the curve. False when the table is refused.
    bool ReadPointTable(Stream &stream);
};

// Builds a tool with both pairs set to (size, strength) and inserts it into the tool list
// at `index` unless a tool of that name exists (the new record is then dropped and
// null returned).
Brush *AddTool(int index, const QString &name, const QString &description, int type, const QString &group,
               int direction, float size, float strength, bool flag1, bool flag2, bool flag3, bool flag4);
// Appends the tools of the default table that the list lacks.
void CreateDefaultTools();
// What the program sets on the tool list once the settings are read, whatever they held:
// the flag of types 1 and 17, the direction of type 17 and of "Smear" (which also loses
// its layer smoothing), and the icon of "Move".
void FixUpTools();
// Builds the eight default falloffs (once) and the default tools.
void CreateDefaultFalloffs();
