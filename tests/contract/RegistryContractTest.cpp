// The registry behaviour the installer relies on. These tests run unchanged against the
// simulated machine and, cross-compiled, against Wine's registry: where they disagree, the
// simulated machine is wrong until shown otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

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

// Chinese names have no case: a name that differs only in the second byte of a double-byte
// character (B0 41 癆, B0 61 癮) is another key and another value, although that byte looks
// like an ASCII letter. Two printers named so must not share their records.
TEST_F(RegistryContract, TheTrailByteOfADoubleByteCharacterIsNeverFolded) {
    const std::string upper = "\xB0\x41";
    const std::string lower = "\xB0\x61";
    RegKey first = create("\\打印机" + upper);
    RegKey second = create("\\打印机" + lower);
    ASSERT_EQ(registry.setValue(first, "Port", win::REG_SZ, platform::regSz("COM1:")), win::ERROR_SUCCESS);
    ASSERT_EQ(registry.setValue(second, "Port", win::REG_SZ, platform::regSz("USB001")), win::ERROR_SUCCESS);
    RegValue value;
    ASSERT_EQ(registry.queryValue(first, "Port", 64, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.data, platform::regSz("COM1:"));

    RegKey parent = create("");
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; registry.enumKey(parent, i, name) == win::ERROR_SUCCESS; ++i) names.push_back(name);
    EXPECT_EQ(names.size(), 2u);

    ASSERT_EQ(registry.setValue(parent, "值" + upper, win::REG_SZ, platform::regSz("a")), win::ERROR_SUCCESS);
    ASSERT_EQ(registry.setValue(parent, "值" + lower, win::REG_SZ, platform::regSz("b")), win::ERROR_SUCCESS);
    ASSERT_EQ(registry.queryValue(parent, "值" + upper, 64, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.data, platform::regSz("a"));
    // ASCII letters still fold, also after a double-byte character.
    ASSERT_EQ(registry.queryValue(parent, "值" + lower, 64, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.data, platform::regSz("b"));
    RegKey folded;
    EXPECT_EQ(registry.openKey(hkcu(), "SOFTWARE\\DRIVERINSTALLERCONTRACT\\打印机" + upper, win::KEY_READ, folded),
              win::ERROR_SUCCESS);
}

// The spooler's printer records are read and written through CurrentControlSet, and the
// hardware profile through HKEY_CURRENT_CONFIG: each is another name of one key, the control
// set in use (ControlSet001 on a machine that never booted the last known good one) and the
// current hardware profile under it.
TEST_F(RegistryContract, CurrentControlSetAndCurrentConfigNameTheKeysInUse) {
    const RegKey hklm = registry.rootKey(platform::RegRoot::LocalMachine);
    const std::string sub = "Control\\DriverInstallerContractAlias";
    RegKey written;
    ASSERT_EQ(registry.createKey(hklm, "SYSTEM\\CurrentControlSet\\" + sub, win::KEY_ALL_ACCESS, written),
              win::ERROR_SUCCESS);
    ASSERT_EQ(registry.setValue(written, "Through", win::REG_SZ, platform::regSz("CurrentControlSet")),
              win::ERROR_SUCCESS);
    RegKey read;
    const long viaControlSet = registry.openKey(hklm, "SYSTEM\\ControlSet001\\" + sub, win::KEY_READ, read);
    RegValue value;
    if (contractIsWine() && viaControlSet == win::ERROR_FILE_NOT_FOUND) {
        // Wine 8 keeps CurrentControlSet as a key of its own, with no ControlSet001 beside it.
        std::printf("note: Wine has no ControlSet001; CurrentControlSet is a key of its own\n");
    } else {
        ASSERT_EQ(viaControlSet, win::ERROR_SUCCESS);
        ASSERT_EQ(registry.queryValue(read, "Through", 64, value), win::ERROR_SUCCESS);
        EXPECT_EQ(value.data, platform::regSz("CurrentControlSet"));
    }

    const RegKey hkcc = registry.rootKey(platform::RegRoot::CurrentConfig);
    RegKey config;
    ASSERT_EQ(registry.createKey(hkcc, "Software\\DriverInstallerContractAlias", win::KEY_ALL_ACCESS, config),
              win::ERROR_SUCCESS);
    ASSERT_EQ(registry.setValue(config, "Through", win::REG_SZ, platform::regSz("HKCC")), win::ERROR_SUCCESS);
    RegKey profile;
    ASSERT_EQ(registry.openKey(hklm,
                               "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\"
                               "DriverInstallerContractAlias",
                               win::KEY_READ, profile),
              win::ERROR_SUCCESS);
    ASSERT_EQ(registry.queryValue(profile, "Through", 64, value), win::ERROR_SUCCESS);
    EXPECT_EQ(value.data, platform::regSz("HKCC"));

    read.reset();
    written.reset();
    config.reset();
    profile.reset();
    EXPECT_EQ(registry.deleteTree(hklm, "SYSTEM\\CurrentControlSet\\" + sub), win::ERROR_SUCCESS);
    EXPECT_EQ(registry.deleteTree(hkcc, "Software\\DriverInstallerContractAlias"), win::ERROR_SUCCESS);
    RegKey gone;
    EXPECT_EQ(registry.openKey(hklm, "SYSTEM\\CurrentControlSet\\" + sub, win::KEY_READ, gone),
              win::ERROR_FILE_NOT_FOUND);
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

// The printer records the installer replaces are trees several levels deep (PrinterDriverData,
// DsSpooler ...); the whole tree goes, siblings and values included, and nothing beside it.
TEST_F(RegistryContract, DeleteTreeTakesEveryLevelAndOnlyTheTree) {
    for (const char* sub : {"\\Tree\\A\\One\\Deep", "\\Tree\\A\\Two", "\\Tree\\热敏\\打印机", "\\Tree\\B", "\\Kept"}) {
        RegKey key = create(sub);
        ASSERT_EQ(registry.setValue(key, "v", win::REG_SZ, platform::regSz("x")), win::ERROR_SUCCESS);
    }
    EXPECT_EQ(registry.deleteTree(hkcu(), kBase + "\\Tree"), win::ERROR_SUCCESS);
    RegKey probe;
    EXPECT_EQ(registry.openKey(hkcu(), kBase + "\\Tree", win::KEY_READ, probe), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.openKey(hkcu(), kBase + "\\Kept", win::KEY_READ, probe), win::ERROR_SUCCESS);
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
