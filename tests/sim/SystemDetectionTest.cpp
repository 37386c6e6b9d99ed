// The Windows version class and the status line that names the system.
#include <gtest/gtest.h>

#include "app/MainDialog.h"
#include "platform/sim/SimMachine.h"

namespace {

TEST(SystemDetection, VersionClassesFollowPlatformMajorAndMinor) {
    struct Case {
        std::uint32_t platformId, major, minor;
        int versionClass;
    };
    const std::vector<Case> cases{
        {1, 4, 0, 1},   {1, 4, 10, 2},  {1, 4, 90, 3},  {1, 4, 3, -1},  {1, 5, 0, -1},  {2, 3, 51, 4},
        {2, 4, 0, 4},   {2, 5, 0, 5},   {2, 5, 1, 6},   {2, 5, 2, 7},   {2, 5, 3, -1},  {2, 6, 0, 8},
        {2, 6, 1, 9},   {2, 6, 2, 10},  {2, 6, 3, 11},  {2, 6, 4, -1},  {2, 7, 0, -1},  {2, 9, 9, -1},
        {2, 10, 0, 12}, {2, 10, 7, 12}, {2, 11, 0, -1}, {0, 3, 1, 5},   {3, 10, 0, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.platformId) + " " + std::to_string(c.major) + "." + std::to_string(c.minor));
        sim::SimSystemInfo system;
        system.setVersion(c.platformId, c.major, c.minor);
        EXPECT_EQ(getWindowsVersionClass(system), c.versionClass);
    }
}

TEST(SystemDetection, OlderSystemsAnswerThePlainStructure) {
    sim::SimSystemInfo system;
    system.setVersion(2, 4, 0);
    system.failVersionEx(true, false);
    EXPECT_EQ(getWindowsVersionClass(system), 4);
    system.failVersionEx(true, true);
    EXPECT_EQ(getWindowsVersionClass(system), -1);
}

}  // namespace
