#pragma once
// The file, window and context-menu commands' view of the main window: Qt's file
// dialogs through GUI::ModalDialogs, the file preferences, the recent-files list, full
// screen, quit, the "Texture Baking" window, new displacement operations and pop-up menus.

#include "interaction/files/FileServices.h"

class Tevrin;

class AppFileServices : public FileServices {
public:
    explicit AppFileServices(Tevrin &window) : m_rWindow(window) {}
    ~AppFileServices() override;

    QString GetSaveFileName(const QString &caption, const QString &folder, const QString &filter,
                            QString &chosenFilter) override;
    QString GetOpenFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QStringList GetOpenFileNames(const QString &caption, const QString &folder, const QString &filter) override;
    bool AskImportOptions(bool uv, ImportChoice &choice) override;
    bool AskExportOptions(bool severalLevels, bool uv, ExportChoice &choice) override;
    int ChooseFromMenu(const QList<MenuRow> &rows, const QPoint &globalPosition) override;

    QString GetSceneFolder() const override;
    void SetSceneFolder(const QString &folder) override;
    QString GetExportFolder() const override;
    bool KeepsBackup() const override;

    void AddRecentFile(const QString &file) override;
    void ToggleFullScreen() override;
    void Quit() override;
    void ShowTextureBake() override;
    void ShowProperties(const QString &type, General::Node *node, bool lock) override;
    void EditMaterial(General::Node *material) override;
    void ShowMeshDisplace() override;

private:
    Tevrin &m_rWindow;
};
