// The preferences record of the settings file: fields in file order, each gated on the
// first (and for dropped fields the last) stream version that holds it.
#include "app/settings/Preferences.h"
#include "app/settings/SettingsText.h"

#include "foundation/Stream.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace {

class RecordIo {
public:
    explicit RecordIo(Stream &stream) : m_stream(stream), m_iVersion(stream.GetVersion()) {}

    bool From(int first) const { return m_iVersion >= first; }
    bool Between(int first, int last) const { return m_iVersion >= first && m_iVersion <= last; }
    bool Storing() const { return m_stream.IsStoring(); }

    template <class... T> void operator()(T &...values) { (Field(values), ...); }
    // A byte that is written as 0 and read over.
    void Skipped(int bytes)
    {
        const unsigned char zero[4] = {0, 0, 0, 0};
        unsigned char dropped[4];
        m_stream.Transfer(Storing() ? const_cast<unsigned char *>(zero) : dropped, uint64_t(bytes));
    }

    Stream &m_stream;

private:
    void Field(bool &value) { m_stream.Serialize(value); }
    void Field(int &value) { m_stream.Serialize(value); }
    void Field(float &value) { m_stream.Serialize(value); }
    void Field(QString &value) { SerializeText(m_stream, value); }
    void Field(General::Color &value) { (*this)(value.r, value.g, value.b, value.a); }
    void Field(General::Vector &value) { (*this)(value.x, value.y, value.z); }

    int m_iVersion;
};

// Folders read from the file replace the current ones only when they are still usable and
// the folders were not chosen during this start.
void KeepFolder(QString &current, const QString &stored, bool justSet)
{
    if (!justSet && IsWritableFolder(stored))
        current = stored;
}

void BakingGroup(RecordIo &io, PreferenceValues &p)
{
    io(p.BakeWidth, p.BakeHeight, p.BakeText1, p.BakeFlag1, p.BakeFlag2, p.BakeFlag3, p.BakeValue2, p.BakeScale,
       p.BakeValue4, p.BakeValue5, p.BakeValue6);
    if (io.From(115)) {
        io(p.BakeValue7);
    } else {
        bool flag = p.BakeValue7 != 0;
        io(flag);
        p.BakeValue7 = flag ? 1 : 0;
    }
    io.Skipped(1);
    io(p.NormalMapMask, p.DisplacementMapMask, p.BakeFlag5);
    if (io.From(104))
        io(p.BakeFlag6);
    if (io.From(105))
        io(p.BakeText2, p.BakeText3);
    if (io.From(119))
        io(p.ImportSizeFactor);
}

// Transfers the record in the stream's direction between the file and `p`, `normals` and
// `offsets`; the folders of items kept by rule go through `folders`.
void Transfer(Stream &stream, PreferenceValues &p, std::vector<General::Vector> &normals,
              std::vector<General::Vector> &offsets, QString (&folders)[5])
{
    RecordIo io(stream);
    const bool storing = io.Storing();
    if (io.Between(221, 222))
        io.Skipped(1);
    if (io.From(223))
        io(p.Control);
    if (io.From(224))
        io(p.RollArea);
    io(p.SaveReminder);
    if (io.From(202))
        io(p.MaximumTextureSize);
    io(p.ViewPickOption, p.DollyWithFocus, p.SpareFlagA, p.SpareFlagB, p.ImportFocusEmptyScene, p.ImportFocusAlways,
       p.ViewCommandFlag, p.PressureLow, p.PressureHigh, p.GridLines, p.GridSpacing);

    // Mirror pairs: as many as the count says, each a normal and an offset.
    io(p.MirrorCount);
    if (p.MirrorCount > 0) {
        const unsigned count = unsigned(p.MirrorCount);
        if (!storing && !stream.Expect(uint64_t(count) * 24))
            return;
        normals.resize(count, General::Vector(0.0f, 0.0f, 0.0f));
        offsets.resize(count, General::Vector(0.0f, 0.0f, 0.0f));
        for (unsigned i = 0; i < count; ++i)
            io(normals[i], offsets[i]);
    }
    if (io.From(215))
        io(p.MirrorLocal);
    if (io.Between(88, 119))
        io.Skipped(1);
    io(p.SculptBothSides, p.Grid, p.GridAxis, p.ViewportBottom, p.ViewportFlat, p.ViewportTop, p.DollyAmount,
       p.LinearUnit, p.LastSceneFolder, p.LastExportFolder, p.SpareFlagC, p.StencilInvert, p.StencilVisibility,
       p.StencilMultiplier, p.StencilHideWhenSculpt, p.SpareFlagF, p.PositionJitter, p.RotateJitter, p.ScaleJitter,
       p.StrengthJitter, p.FlipRandomizeX, p.OrientToStroke, p.Selection, p.Frozen, p.ActiveLayer, p.ViewColor2,
       p.CommandOption, p.LayerDisplay, p.LayerMask, p.UseDraftRender, p.DraftPoints, p.FaceCountLimit,
       p.SpareFlagD, p.SpareValueA, p.SelectedFaceCount, p.VisibleFaceCount, p.StencilFlipHorizontal,
       p.StencilFlipVertical, p.SubdivideUVs, p.ViewColor1);
    io.Skipped(1);
    io(p.IconFiles);
    io(folders[0], folders[1]);
    if (io.From(153))
        io(p.TextureFolder);
    io(p.ReminderTime, p.ObjectListBg, p.BuildupRate, p.SelectionMode, p.SelectionOption,
       p.StencilRotateSensitivity, p.InactiveLevels, p.SpareFlagE, p.LockLocalBorder);
    io(folders[2], folders[3], folders[4], p.ShowFrozenVertices);
    if (io.Between(89, 150))
        io.Skipped(1);
    if (io.Between(91, 150))
        io.Skipped(4);
    if (io.From(92))
        BakingGroup(io, p);
    if (io.From(93))
        io(p.BakeValue8, p.BakeValue9);
    if (io.From(95))
        io(p.BakeFlag4);
    if (io.Between(95, 116))
        io.Skipped(1);
    if (io.From(116))
        io(p.BakeFlag7, p.BakeFlag8);
    if (io.From(117))
        io(p.BakeValue3);
    if (io.Between(96, 100))
        io.Skipped(1);
    if (io.From(97))
        io(p.FlipRandomizeY);
    if (io.From(99))
        io(p.FreezeInactive);
    if (io.From(100))
        io(p.BakeValue1);
    if (io.From(103))
        io(p.AuxText1, p.AuxValue, p.AuxInt1, p.AuxInt2, p.AuxInt3, p.AuxInt5, p.AuxInt4, p.AuxInt6, p.AuxText2,
           p.AuxText3, p.AuxText4);
    if (io.From(107))
        io(p.LocalFocus);
    if (io.From(109))
        io(p.ImagePlaneFolder);
    if (io.From(112))
        io(p.ExpertSouthFrame, p.ExpertEastFrame, p.ExpertMenuBar, p.ExpertStatusBar);
    if (io.Between(121, 151))
        io.Skipped(1);
    if (io.From(121))
        io(p.ShaderFiles);
    if (io.From(134))
        io(p.FalloffFill, p.FalloffHull, p.FalloffCurve);
    if (io.From(136))
        io(p.DragBoxSize);
    if (io.From(213))
        io(p.SmallFileSize);
    if (io.From(216))
        io(p.StencilOffset);
    if (io.From(217))
        io(p.SmoothPositions, p.SmoothUVs);
    if (io.From(225))
        io(p.CreateBackup);

}

// Values no dialog can set and the program cannot work with: a file holding them (a file
// of zeros after a valid header, say) is damaged, not a choice.
bool InRange(const PreferenceValues &p)
{
    const auto finite = [](std::initializer_list<float> values) {
        return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
    };
    return p.LinearUnit >= 0 && p.LinearUnit <= 3 && p.Control >= 0 && p.Control <= 1 && p.InactiveLevels >= 0 &&
           p.InactiveLevels <= 2 && p.DraftPoints >= 1 && p.DraftPoints <= 10 && p.DollyAmount > 0.0f &&
           p.RollArea >= 0.0f && p.RollArea <= 1.0f &&
           finite({p.DollyAmount, p.StencilVisibility, p.StencilMultiplier, p.StencilRotateSensitivity,
                   p.PositionJitter, p.RotateJitter, p.ScaleJitter, p.StrengthJitter});
}

}  // namespace

bool Preferences::Serialize(Stream &stream)
{
    if (stream.IsStoring()) {
        PreferencesRecord record;
        record.values = *this;
        for (unsigned i = 0; i < MirrorNormals.GetItemCount() && i < MirrorOffsets.GetItemCount(); ++i) {
            record.normals.push_back(MirrorNormals[i]);
            record.offsets.push_back(MirrorOffsets[i]);
        }
        QString folders[5] = {StampFiles, StencilFiles, LogFiles, TempFiles, SettingFiles};
        Transfer(stream, record.values, record.normals, record.offsets, folders);
        return !stream.HasError();
    }
    PreferencesRecord record;
    if (!ReadRecord(stream, record))
        return false;
    Apply(record);
    return true;
}

bool Preferences::ReadRecord(Stream &stream, PreferencesRecord &record) const
{
    if (stream.HasError())
        return false;
    PreferenceValues &p = record.values;
    p = *this;
    QString folders[5];
    Transfer(stream, p, record.normals, record.offsets, folders);
    if (!stream.HasError() && !InRange(p))
        stream.SetError();
    if (stream.HasError())
        return false;
    p.StampFiles = StampFiles;
    p.StencilFiles = StencilFiles;
    p.LogFiles = LogFiles;
    p.TempFiles = TempFiles;
    p.SettingFiles = SettingFiles;
    KeepFolder(p.StampFiles, folders[0], PathsJustSet);
    KeepFolder(p.StencilFiles, folders[1], PathsJustSet);
    KeepFolder(p.LogFiles, folders[2], PathsJustSet);
    KeepFolder(p.TempFiles, folders[3], PathsJustSet);
    KeepFolder(p.SettingFiles, folders[4], PathsJustSet);
    // Never stored: these keep this run's values.
    p.InactiveLevel = InactiveLevel;
    p.Locked = Locked;
    p.PressureDropLimit = PressureDropLimit;
    p.ToolOption = ToolOption;
    std::copy(std::begin(UnitScale), std::end(UnitScale), std::begin(p.UnitScale));
    p.UserName = UserName;
    p.DataFolder = DataFolder;
    p.PathsJustSet = PathsJustSet;
    p.BenchmarkSceneFlag1 = BenchmarkSceneFlag1;
    p.BenchmarkSceneFlag2 = BenchmarkSceneFlag2;
    return true;
}

void Preferences::Apply(const PreferencesRecord &record)
{
    static_cast<PreferenceValues &>(*this) = record.values;
    // The stores grow to hold each stored index; items past them stay.
    for (unsigned i = 0; i < record.normals.size(); ++i) {
        if (MirrorNormals.GetItemCount() <= i)
            MirrorNormals.SetItemCount(i + 1, true);
        if (MirrorOffsets.GetItemCount() <= i)
            MirrorOffsets.SetItemCount(i + 1, true);
        MirrorNormals[i] = record.normals[i];
        MirrorOffsets[i] = record.offsets[i];
    }
}
