// One application object of the program's own kind, on the offscreen platform, for the
// whole run; the map extraction classes registered.
#include "app/startup/TevrinApplication.h"
#include "mapping/MappingGlobals.h"

#include <gtest/gtest.h>

namespace {

class AppEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        s_pApplication = new TevrinApplication(s_iArgc, s_aArgv);
        InitializeMappingGlobals();
    }
    void TearDown() override
    {
        delete s_pApplication;
        s_pApplication = nullptr;
    }

    static inline TevrinApplication *s_pApplication = nullptr;
    static inline int s_iArgc = 1;
    static inline char s_sName[16] = "app_tests";
    static inline char *s_aArgv[2] = {s_sName, nullptr};
};

testing::Environment *const s_pEnvironment = testing::AddGlobalTestEnvironment(new AppEnvironment);

}  // namespace
