#pragma once
// Every user setting of the program as plain fields with their defaults. Copyable, so a
// settings file is read into a copy and applied only once the whole record arrived.
// Fractions (jitters, stencil values, roll area) are stored 0 to 1; times in milliseconds.

#include "foundation/math/Color.h"

#include <QString>

struct PreferenceValues {
    // --- interface and navigation ----------------------------------------------------
    bool ViewPickOption = false;
    bool SpareFlagA = true;
    bool SpareFlagB = false;
    bool ImportFocusEmptyScene = true;  // frame an import when the scene was empty
    bool ImportFocusAlways = false;     // frame every import (both false: never)
    bool DollyWithFocus = true;
    bool SculptBothSides = true;
    bool ViewCommandFlag = false;
    bool SpareFlagC = false;
    bool CommandOption = true;
    bool SubdivideUVs = true;
    bool SmoothUVs = false;
    bool SmoothPositions = true;
    bool LockLocalBorder = true;
    // Tablet pressure range: a pressure p maps to (p - low) / (high - low), clamped to 0..1.
    int PressureLow = 0;
    int PressureHigh = 1;
    int GridLines = 20;
    int GridSpacing = 100;
    int InactiveLevels = 2;  // 0 none, 1 hide, 2 shade
    bool FreezeInactive = true;
    bool LayerDisplay = false;
    bool UseDraftRender = true;
    bool ShowFrozenVertices = false;
    int DraftPoints = 1;
    int FaceCountLimit = 1000000;
    bool SpareFlagD = true;
    bool SelectedFaceCount = true;
    bool VisibleFaceCount = true;
    int SpareValueA = 1;
    int ReminderTime = 3600000;  // save-reminder interval
    float StencilRotateSensitivity = 30.0f;
    int Control = 0;  // navigation scheme: 0 default, 1 trackball
    float RollArea = 0.5f;
    // Largest texture side used; the main window sets it at start-up.
    int MaximumTextureSize = 0;
    bool SaveReminder = true;
    bool SpareFlagE = false;
    bool LocalFocus = false;
    float DollyAmount = 25.0f;
    int LinearUnit = 1;  // 0 millimetre, 1 centimetre, 2 metre, 3 inch
    // Factor from the internal centimetre to each LinearUnit; never stored.
    float UnitScale[4] = {10.0f, 1.0f, 0.01f, 0.3937f};
    bool ExpertSouthFrame = true;
    bool ExpertEastFrame = true;
    bool ExpertMenuBar = false;
    bool ExpertStatusBar = true;
    int DragBoxSize = 20;  // pick box of curve editing, in pixels
    bool SmallFileSize = false;
    bool CreateBackup = false;
    // Set for benchmark playback and recording; never stored.
    bool BenchmarkSceneFlag1 = false;
    bool BenchmarkSceneFlag2 = false;

    // --- brush stroke and stencil --------------------------------------------------------
    bool StencilInvert = false;
    float StencilVisibility = 1.0f;
    float StencilMultiplier = 1.0f;
    float StencilOffset = 1.0f;
    bool StencilHideWhenSculpt = true;
    bool SpareFlagF = false;
    bool StencilFlipHorizontal = false;
    bool StencilFlipVertical = false;
    float ScaleJitter = 0.0f;
    float RotateJitter = 0.0f;
    float PositionJitter = 0.0f;
    bool FlipRandomizeX = false;
    bool FlipRandomizeY = false;
    float StrengthJitter = 0.0f;
    bool OrientToStroke = false;
    int BuildupRate = 40;
    // A sample whose strength falls below the previous one's by more than this fraction is dropped.
    float PressureDropLimit = 0.75f;
    bool ToolOption = false;
    int SelectionMode = 0;
    int SelectionOption = 1;
    int MirrorCount = 0;  // 0 off, -1 tangent, else the mirror pairs in use
    bool MirrorLocal = true;

    // --- colours -------------------------------------------------------------------------
    General::Color ViewportTop{0.7422f, 0.789f, 0.785f, 1.0f};
    General::Color ViewportBottom{0.3516f, 0.3633f, 0.4023f, 1.0f};
    General::Color ViewportFlat{0.5117f, 0.539f, 0.5664f, 1.0f};
    General::Color Grid{0.8086f, 0.8086f, 0.8086f, 0.5f};
    General::Color GridAxis{0.8f, 0.7f, 0.3f, 0.5f};
    General::Color ViewColor1{0.5f, 0.5f, 0.5f, 1.0f};
    General::Color InactiveLevel{0.05f, 0.43f, 0.5f, 1.0f};
    General::Color Selection{0.94f, 0.94f, 0.48f, 1.0f};
    General::Color Frozen{0.5f, 0.7f, 1.0f, 1.0f};
    General::Color Locked{0.7f, 0.7f, 0.7f, 0.7f};  // shown by the dialog; never stored
    General::Color ActiveLayer{0.512f, 0.637f, 0.688f, 1.0f};
    General::Color ViewColor2{0.66f, 0.66f, 0.66f, 1.0f};
    General::Color LayerMask{0.6836f, 0.332f, 0.332f, 1.0f};
    General::Color ObjectListBg{0.914f, 0.91f, 0.9f, 1.0f};
    General::Color FalloffCurve{0.0f, 0.0f, 0.0f, 1.0f};
    General::Color FalloffHull{0.3828f, 0.3828f, 0.3828f, 1.0f};
    General::Color FalloffFill{0.7578f, 0.7578f, 0.7578f, 1.0f};

    // --- folders and names (the file folders end with a separator) -------------------------
    QString LastExportFolder;
    QString LastSceneFolder;
    QString StampFiles;
    QString StencilFiles;
    QString ShaderFiles;
    QString IconFiles = QStringLiteral("Icons/");
    QString ImagePlaneFolder = QStringLiteral("Icons/");
    QString UserName;
    QString LogFiles;      // log and crash logs
    QString TempFiles;     // undo, redo and level swap files
    QString SettingFiles;  // settings, window layout, hotkeys, recent files, trays, bookmarks
    QString DataFolder;
    QString TextureFolder = QStringLiteral("textures/");
    bool PathsJustSet = false;  // the folders were set up during this start

    // --- texture baking (the baking dialog's last run) ---------------------------------------
    int BakeWidth = 1024;
    int BakeHeight = 1024;
    QString BakeText1;
    bool BakeFlag1 = true;
    bool BakeFlag2 = true;
    bool BakeFlag3 = true;
    int BakeValue1 = 0;
    int BakeValue2 = 1;
    float BakeScale = 1.0f;
    int BakeValue3 = 2;
    bool BakeFlag4 = false;
    int BakeValue4 = 4;
    int BakeValue5 = 0;
    int BakeValue6 = 0;
    int BakeValue7 = 0;
    QString NormalMapMask = QStringLiteral("normal_dim%u_%i");
    QString DisplacementMapMask = QStringLiteral("displace_dim%u_%i");
    bool BakeFlag5 = true;
    int BakeValue8 = 1;
    int BakeValue9 = 1;
    bool BakeFlag6 = false;
    QString BakeText2;
    QString BakeText3;
    bool BakeFlag7 = true;
    bool BakeFlag8 = true;
    float ImportSizeFactor = 0.1f;  // the mesh readers multiply it into a length

    // --- kept in the settings file only -------------------------------------------------------
    QString AuxText1;
    float AuxValue = 0.0f;
    int AuxInt1 = 1;
    int AuxInt2 = 0;
    int AuxInt3 = 4;
    int AuxInt4 = 4;
    int AuxInt5 = 0;
    int AuxInt6 = 0;
    QString AuxText2;
    QString AuxText3;
    QString AuxText4;
};
