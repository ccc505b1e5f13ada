#pragma once
// The outcome of a map extraction run, shown in a box on the main window.

#include "mapping/MappingHost.h"

class AppMappingHost : public MapExtraction::MappingHost {
public:
    void ShowResult(const QString &title, const QString &text, bool warning) override;
};
