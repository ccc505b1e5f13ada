#include "foundation/CurveServices.h"

namespace General {

namespace {
CurveServices s_quiet;
CurveServices *s_pServices = &s_quiet;
}  // namespace

CurveServices &CurveHost() { return *s_pServices; }
void InstallCurveServices(CurveServices *services) { s_pServices = services ? services : &s_quiet; }

}  // namespace General
