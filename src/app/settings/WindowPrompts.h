#pragma once
// The first-start questions of an interactive run: a question box to take over a found
// settings file and the folder dialog, both through the modal-dialog service.

#include "app/settings/Preferences.h"

class QWidget;

class WindowPrompts : public PreferencesPrompts {
public:
    explicit WindowPrompts(QWidget *parent = nullptr) : m_pParent(parent) {}
    bool TakeOverSettings(const QString &folder) override;
    void ChooseFolders(PreferenceValues &preferences) override;

private:
    QWidget *m_pParent;
};
