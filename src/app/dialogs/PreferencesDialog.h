#pragma once
// The Preferences tool window: eleven collapsible groups of editors, each named after the
// setting it edits. There is no OK or Cancel: every editor writes back at once (Update),
// the folder buttons ask for a folder, and a click on a colour swatch asks for a colour.
// Number fields that do not hold a number in their bounds keep the stored value and are
// marked; a folder that does not exist or cannot be written is put back.

#include "gui/dialogs/Dialog.h"

class QLineEdit;
class QWidget;

namespace GUI {

class CollapsableFrame;

class PreferencesDialog : public Dialog {
    Q_OBJECT

public:
    static constexpr const char *kClassName = "PreferencesDialog";

    PreferencesDialog(QWidget *parent, const char *name);
    ~PreferencesDialog() override;

    // Fills every editor from the model, then refreshes the older windows of the chain.
    void Refresh() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // The newest open window (null when none is open).
    static PreferencesDialog *First();
    // Whether the field was refused at the last write-back.
    static bool IsMarked(const QWidget *field);

public slots:
    void Update();
    void OnChangeLinearUnit(int index);
    void ZoomSensitivityChanged(float value);
    void PanSensitivityChanged(float value);
    void RotateSensitivityChanged(float value);
    void OnSetLogPath();
    void OnSetTempPath();
    void OnSetStampPath();
    void OnSetStencilPath();
    void OnSetShadersPath();
    void OnSetSettingsPath();

    // Registers the window class with the dialog registry ("PreferencesDialog", "Preferences").
    static void Register();

private:
    template <class T> T *Child(const char *name) const;
    void BuildGroups();
    void EnableDependents();
    void ChooseFolder(QString &folder, bool appendToPaths);
    void ReadFolder(const char *key, QString &folder, bool isSettings);

    bool m_bRefreshing = false;
};

}  // namespace GUI
