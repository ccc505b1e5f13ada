#pragma once
// What map extraction needs of the interaction controller: the user's cancel request.
// The application installs its implementation; until then nothing is ever cancelled.

#include "foundation/Installable.h"

#include <QString>

namespace MapExtraction {

class MappingHost : public General::Installable<MappingHost> {
public:
    virtual ~MappingHost() = default;
    // True once per cancel request: the request is cleared by the answer.
    virtual bool TakeCancelRequest() { return false; }
    // The outcome of a run started from its gate: an information box, or a warning box.
    virtual void ShowResult(const QString &title, const QString &text, bool warning) {}
};

}  // namespace MapExtraction
