#pragma once
// What map extraction needs of the interaction controller beyond the shell services: the
// outcome of a run. The user's cancel request comes through General::ShellServices like
// every other long operation's. The application installs its implementation.

#include "foundation/Installable.h"

#include <QString>

namespace MapExtraction {

class MappingHost : public General::Installable<MappingHost> {
public:
    virtual ~MappingHost() = default;
    // The outcome of a run started from its gate: an information box, or a warning box.
    virtual void ShowResult(const QString &title, const QString &text, bool warning) {}
};

}  // namespace MapExtraction
