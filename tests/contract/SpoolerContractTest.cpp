// The spooler's port enumeration as the inventory relies on it; runs against the simulated
// machine and against Wine's spooler.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/contract/ContractPlatform.h"

namespace {

TEST(SpoolerContract, EnumeratesTheLocalPortsWithTheirDescriptions) {
    platform::Spooler& spooler = contractPlatform().spooler;
    std::vector<platform::PortInfo2> first;
    ASSERT_EQ(spooler.enumPorts(first), 0);
    ASSERT_FALSE(first.empty());
    for (const auto& port : first) {
        EXPECT_FALSE(port.portName.empty());
        EXPECT_FALSE(port.description.empty()) << port.portName;
    }
    // Every desktop has the print-to-file port.
    EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](const auto& p) { return p.portName == "FILE:"; }));

    std::vector<platform::PortInfo2> second;
    ASSERT_EQ(spooler.enumPorts(second), 0);
    ASSERT_EQ(second.size(), first.size());
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(second[i].portName, first[i].portName);
}

}  // namespace
