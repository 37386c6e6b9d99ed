// The registry behaviour the installer relies on. These tests run unchanged against the
// simulated machine and, cross-compiled, against Wine's registry: where they disagree, the
// simulated machine is wrong until shown otherwise.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/WinConstants.h"
#include "ports/PortInventory.h"
#include "tests/contract/ContractPlatform.h"

namespace {

using platform::RegKey;
using platform::RegValue;

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override { registry.deleteTree(hkcu(), kBase); }
    void TearDown() override { registry.deleteTree(hkcu(), kBase); }

    RegKey hkcu() { return registry.rootKey(platform::RegRoot::CurrentUser); }
    RegKey create(const std::string& sub, std::uint32_t access = win::KEY_ALL_ACCESS) {
        RegKey key;
        EXPECT_EQ(registry.createKey(hkcu(), kBase + sub, access, key), win::ERROR_SUCCESS);
        return key;
    }

    static inline const std::string kBase = "Software\\DriverInstallerContract";
    platform::Registry& registry = contractPlatform().registry;
};

TEST_F(RegistryContract, OpenNeedsAnExistingKeyAndNamesFoldCase) {
    RegKey missing;
    EXPECT_EQ(registry.openKey(hkcu(), kBase + "\\Missing", win::KEY_READ, missing), win::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(missing.valid());

    // Creating a deep key creates its parents.
    create("\\Outer\\Inner");
    RegKey opened;
    EXPECT_EQ(registry.openKey(hkcu(), "SOFTWARE\\driverinstallercontract\\OUTER\\inner", win::KEY_READ, opened),
              win::ERROR_SUCCESS);
    EXPECT_TRUE(opened.valid());
}

TEST_F(RegistryContract, ValuesKeepTheirBytesAndTypes) {
    RegKey key = create("\\Values");
    const std::string text = platform::regSz("打印机,winspool,COM1:");
    ASSERT_EQ(registry.setValue(key, "Device", win::REG_SZ, text), win::ERROR_SUCCESS);
    ASSERT_EQ(registry.setValue(key, "PrinterOnLine", win::REG_DWORD, std::string("\x01\x00\x00\x00", 4)),
              win::ERROR_SUCCESS);

    RegValue value;
    ASSERT_EQ(registry.queryValue(key, "DEVICE", 256, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.type, win::REG_SZ);
    EXPECT_EQ(value.data, text);
    EXPECT_EQ(platform::regSzText(value.data), "打印机,winspool,COM1:");

    ASSERT_EQ(registry.queryValue(key, "printeronline", 4, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.type, win::REG_DWORD);
    EXPECT_EQ(value.data, std::string("\x01\x00\x00\x00", 4));

    EXPECT_EQ(registry.queryValue(key, "Device", static_cast<std::uint32_t>(text.size() - 1), value),
              win::ERROR_MORE_DATA);
    EXPECT_EQ(registry.queryValue(key, "Absent", 256, value), win::ERROR_FILE_NOT_FOUND);

    // Writing a name again in another case replaces the value.
    ASSERT_EQ(registry.setValue(key, "device", win::REG_SZ, platform::regSz("x")), win::ERROR_SUCCESS);
    ASSERT_EQ(registry.queryValue(key, "Device", 256, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.data, platform::regSz("x"));
}

TEST_F(RegistryContract, EnumerationVisitsEveryValueOnceThenEnds) {
    RegKey key = create("\\Enum");
    for (const char* name : {"\\Device\\Serial1", "\\Device\\Serial0", "Other"}) {
        ASSERT_EQ(registry.setValue(key, name, win::REG_SZ, platform::regSz(std::string(name) + "-data")),
                  win::ERROR_SUCCESS);
    }
    std::vector<std::string> names;
    RegValue value;
    std::uint32_t index = 0;
    for (; registry.enumValue(key, index, 128, 128, value) == win::ERROR_SUCCESS; ++index) {
        EXPECT_EQ(value.data, platform::regSz(value.name + "-data"));
        names.push_back(value.name);
    }
    EXPECT_EQ(index, 3u);
    EXPECT_EQ(registry.enumValue(key, 3, 128, 128, value), win::ERROR_NO_MORE_ITEMS);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Other", "\\Device\\Serial0", "\\Device\\Serial1"}));
}

TEST_F(RegistryContract, EnumerationRefusesWhatDoesNotFitTheBuffers) {
    // One value per case, so that the enumeration index names it.
    struct Case {
        std::string name;
        std::string data;
        long expected;
    };
    const std::vector<Case> cases{
        {std::string(127, 'n'), platform::regSz("COM1"), win::ERROR_SUCCESS},  // name and NUL fill 128
        {std::string(128, 'n'), platform::regSz("COM1"), win::ERROR_MORE_DATA},
        {"data128", platform::regSz(std::string(127, 'd')), win::ERROR_SUCCESS},
        {"data129", platform::regSz(std::string(128, 'd')), win::ERROR_MORE_DATA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.substr(0, 10) + " / " + std::to_string(c.data.size()));
        RegKey key = create("\\Limits" + std::to_string(&c - cases.data()));
        ASSERT_EQ(registry.setValue(key, c.name, win::REG_SZ, c.data), win::ERROR_SUCCESS);
        RegValue value;
        EXPECT_EQ(registry.enumValue(key, 0, 128, 128, value), c.expected);
        if (c.expected == win::ERROR_SUCCESS) {
            EXPECT_EQ(value.name, c.name);
            EXPECT_EQ(platform::regSzText(value.data), platform::regSzText(c.data));
        }
        EXPECT_EQ(registry.enumValue(key, 1, 128, 128, value), win::ERROR_NO_MORE_ITEMS);
    }
}

TEST_F(RegistryContract, AccessRightsAreChecked) {
    create("\\ReadOnly");
    RegKey key;
    ASSERT_EQ(registry.openKey(hkcu(), kBase + "\\ReadOnly", win::KEY_READ, key), win::ERROR_SUCCESS);
    EXPECT_EQ(registry.setValue(key, "v", win::REG_SZ, platform::regSz("x")), win::ERROR_ACCESS_DENIED);
}

TEST_F(RegistryContract, AHandleToADeletedKeyFails) {
    RegKey key = create("\\Doomed");
    ASSERT_EQ(registry.setValue(key, "v", win::REG_SZ, platform::regSz("x")), win::ERROR_SUCCESS);
    EXPECT_EQ(registry.deleteTree(hkcu(), kBase + "\\Doomed"), win::ERROR_SUCCESS);
    RegValue value;
    const long status = registry.enumValue(key, 0, 128, 128, value);
    EXPECT_NE(status, win::ERROR_SUCCESS);
    EXPECT_NE(status, win::ERROR_NO_MORE_ITEMS);
    RegKey reopened;
    EXPECT_EQ(registry.openKey(hkcu(), kBase + "\\Doomed", win::KEY_READ, reopened), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.deleteTree(hkcu(), kBase + "\\Doomed"), win::ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryContract, SerialDeviceMapReadsAsTheInventoryReadsIt) {
    // Whatever the machine's device map holds, the inventory lists each device value's data
    // with ":" appended, in value order.
    StringList expected;
    RegKey key;
    if (registry.openKey(registry.rootKey(platform::RegRoot::LocalMachine), "HARDWARE\\DEVICEMAP\\SERIALCOMM",
                         win::KEY_READ, key) == win::ERROR_SUCCESS) {
        RegValue value;
        for (std::uint32_t i = 0; registry.enumValue(key, i, 128, 128, value) != win::ERROR_NO_MORE_ITEMS; ++i) {
            if (value.name.rfind("\\Device\\", 0) == 0) expected.push_back(platform::regSzText(value.data) + ":");
        }
    }
    StringList list;
    EXPECT_EQ(readSerialCommPorts(registry, list), !expected.empty());
    EXPECT_EQ(list, expected);
    for (const auto& port : list) EXPECT_EQ(port.back(), ':');
}

}  // namespace
