#pragma once
// One preferences object for a fuzz run, its per-user folders in a private home.
#include "app/settings/Preferences.h"
#include "mesh/surface/Material.h"
#include "scene/Brush.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

inline Preferences &FuzzPreferences()
{
    static QTemporaryDir home;
    static std::unique_ptr<Preferences> preferences = [] {
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        CreateDefaultFalloffs();
        Surface::InitMaterials();
        return std::make_unique<Preferences>();
    }();
    return *preferences;
}
