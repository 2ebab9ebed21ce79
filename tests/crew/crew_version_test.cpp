// Version of the installed crew-member system, read from its version file.
#include <string>

#include "crew_world.h"

using namespace crewtest;

TEST_F(CrewWorldTest, CompanionVersionCountsOnlyTheFirstThreeCharacters) {
    const CrewManager idle = {};                    // needs no set-up
    EXPECT_EQ(idle.ReadCompanionVersion(), -1.0f);  // no file
    const struct {
        std::string text;
        float version;
    } cases[] = {
        {"1.5", 1.5f},  {"2.0", 2.0f},
        {"1.25", 1.2f}, {"12.3", 12.0f},
        {"15", -1.0f},  {".75", -1.0f},
        {"a.5", 0.5f},  {"", -1.0f},
        {"9.9", 9.9f},  {std::string(100, '7'), -1.0f},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        std::ofstream("meshes/Vemo/ver.dtf", std::ios::binary) << c.text;
        EXPECT_EQ(idle.ReadCompanionVersion(), c.version);
    }
}
