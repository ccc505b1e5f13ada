#pragma once
// What the file, window and context-menu commands need of the window above them: the file
// dialogs, the import and export options, the file preferences, the recent-files list,
// the window's full-screen, quit and tool windows, and the pop-up menus. The application
// installs its implementation; tests install scripted ones. Until then every dialog is
// cancelled and every window call does nothing.

#include "foundation/Installable.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace General {
class Node;
}

// The options of a layer or texture-coordinate import.
struct ImportChoice {
    int matchMode = 0;
    bool isolate = false;
    float tolerance = 0.001f;
};

// The options of a level export.
struct ExportChoice {
    bool perLevelFiles = false;
    bool regenerate = false;
    bool texCoords = true;
};

// One row of a pop-up menu: a separator when the text is empty; a row with sub-rows opens
// a submenu.
struct MenuRow {
    QString text;
    int id = -1;
    bool enabled = true;
    QList<MenuRow> rows;
};

class FileServices : public General::Installable<FileServices> {
public:
    virtual ~FileServices() = default;

    // --- dialogs (empty answers: cancelled) -----------------------------------------------
    // The save dialog without its own overwrite question; `chosenFilter` is the filter picked.
    virtual QString GetSaveFileName(const QString &caption, const QString &folder, const QString &filter,
                                    QString &chosenFilter)
    {
        return {};
    }
    virtual QString GetOpenFileName(const QString &caption, const QString &folder, const QString &filter)
    {
        return {};
    }
    virtual QStringList GetOpenFileNames(const QString &caption, const QString &folder, const QString &filter)
    {
        return {};
    }
    // The modal import options (texture coordinates when `uv`); false unless accepted.
    virtual bool AskImportOptions(bool uv, ImportChoice &choice) { return false; }
    // The modal export options; `severalLevels` offers one file per level, `uv` offers texture
    // coordinates. False unless accepted.
    virtual bool AskExportOptions(bool severalLevels, bool uv, ExportChoice &choice) { return false; }
    // The pop-up at the global position; the id of the chosen row, -1 when dismissed.
    virtual int ChooseFromMenu(const QList<MenuRow> &rows, const QPoint &globalPosition) { return -1; }

    // --- preferences ----------------------------------------------------------------------
    virtual QString GetSceneFolder() const { return {}; }
    virtual void SetSceneFolder(const QString &folder) {}
    virtual QString GetExportFolder() const { return {}; }
    // Whether a save keeps the replaced file as ".bak".
    virtual bool KeepsBackup() const { return false; }
    // Whether scene files are zip archives.
    virtual bool CompressesScenes() const { return true; }

    // --- main window ----------------------------------------------------------------------
    virtual void AddRecentFile(const QString &file) {}
    virtual void ToggleFullScreen() {}
    virtual void Quit() {}
    virtual void ShowTextureBake() {}
    // A new displacement operation on the active object, shown in the Properties window.
    virtual void ShowMeshDisplace() {}
    // A properties window for the node's page ("Camera", "Geometry", ...), locked to the
    // node when asked.
    virtual void ShowProperties(const QString &type, General::Node *node, bool lock) {}
    // The material's attributes in a floating panel.
    virtual void EditMaterial(General::Node *material) {}
};

inline FileServices &FileHost() { return FileServices::Get(); }
