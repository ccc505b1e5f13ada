#pragma once
// The modal dialog a first start shows: the settings folder and the application data
// folder, accepted only when both exist and a file can be made in each.

#include <QDialog>

class QLineEdit;

namespace GUI {

class PathPreferences : public QDialog {
    Q_OBJECT

public:
    PathPreferences(QWidget *parent, const QString &settingsFolder, const QString &dataFolder);

    QString GetSettingsFolder() const;
    QString GetDataFolder() const;

public slots:
    void OnSetSettingsPath();
    void OnSetDataPath();
    // Checks both folders; a refusal is a message and the dialog stays open with the input.
    void OnOK();

private:
    QLineEdit *m_pSettings;
    QLineEdit *m_pData;
};

}  // namespace GUI
