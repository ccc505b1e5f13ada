#pragma once
// What map extraction needs of the interaction controller: the user's cancel request.
// The application installs its implementation; until then nothing is ever cancelled.

#include "foundation/Installable.h"

namespace MapExtraction {

class MappingHost : public General::Installable<MappingHost> {
public:
    virtual ~MappingHost() = default;
    // True once per cancel request: the request is cleared by the answer.
    virtual bool TakeCancelRequest() { return false; }
};

}  // namespace MapExtraction
