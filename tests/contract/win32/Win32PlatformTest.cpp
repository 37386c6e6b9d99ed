// What the Win32 layer adds on top of the calls it wraps: exact buffer sizes, the HKEYs in
// RegKey, the dialog procedure's mapping of messages, and waiting for a worker that talks to
// the window. Runs under Wine or Windows; the dialog tests need a display.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32DialogWindow.h"
#include "resources/resource.h"
#include "tests/contract/ContractPlatform.h"

namespace {

const char* const kScratchKey = "Software\\DriverInstallerWin32Test";

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ERROR_SUCCESS, registry().createKey(root(), kScratchKey, KEY_ALL_ACCESS, scratch_));
    }
    void TearDown() override {
        scratch_.reset();
        registry().deleteTree(root(), kScratchKey);
    }
    static platform::Registry& registry() { return contractPlatform().registry; }
    static platform::RegKey root() { return registry().rootKey(platform::RegRoot::CurrentUser); }

    platform::RegKey scratch_;
};

TEST_F(Win32RegistryTest, KeysAreRealHkeysAndRootsThePredefinedOnes) {
    // A value written through advapi32 on the handle is visible through the interface, and
    // the other way round: the handle is the HKEY, not a token of our own.
    const DWORD number = 0x12345678;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(reinterpret_cast<HKEY>(scratch_.handle()), "direct", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&number), sizeof(number)));
    platform::RegValue value;
    ASSERT_EQ(ERROR_SUCCESS, registry().queryValue(scratch_, "direct", 4, value));
    EXPECT_EQ(static_cast<std::uint32_t>(REG_DWORD), value.type);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&number), 4), value.data);

    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, KEY_READ, &opened));
    RegCloseKey(opened);
    platform::RegKey viaRoot;
    EXPECT_EQ(ERROR_SUCCESS, registry().openKey(root(), kScratchKey, KEY_READ, viaRoot));
}

TEST_F(Win32RegistryTest, EnumValueUsesExactlyTheGivenBufferSizes) {
    // The port inventory reads with 128-byte buffers: 127 bytes and the NUL fit, one more
    // does not, and a value that does not fit must not stop the enumeration.
    const std::string fitsName(127, 'n');
    const std::string longName(128, 'm');
    const std::string fitsData = platform::regSz(std::string(127, 'd'));
    ASSERT_EQ(ERROR_SUCCESS, registry().setValue(scratch_, fitsName, REG_SZ, fitsData));
    ASSERT_EQ(ERROR_SUCCESS, registry().setValue(scratch_, "longData", REG_SZ, platform::regSz(std::string(128, 'x'))));
    ASSERT_EQ(ERROR_SUCCESS, registry().setValue(scratch_, longName, REG_SZ, platform::regSz("COM9")));

    std::vector<long> results;
    std::vector<platform::RegValue> values;
    for (std::uint32_t index = 0; index < 10; ++index) {
        platform::RegValue value;
        const long status = registry().enumValue(scratch_, index, 128, 128, value);
        if (status == ERROR_NO_MORE_ITEMS) break;
        results.push_back(status);
        if (status == ERROR_SUCCESS) values.push_back(value);
    }
    ASSERT_EQ(3u, results.size());
    EXPECT_EQ(2, std::count(results.begin(), results.end(), ERROR_MORE_DATA));
    ASSERT_EQ(1u, values.size());
    EXPECT_EQ(fitsName, values[0].name);
    EXPECT_EQ(fitsData, values[0].data);
    EXPECT_EQ(static_cast<std::uint32_t>(REG_SZ), values[0].type);
}

TEST_F(Win32RegistryTest, QueryValueWithTooSmallOrEmptyBufferIsMoreData) {
    ASSERT_EQ(ERROR_SUCCESS, registry().setValue(scratch_, "text", REG_SZ, platform::regSz("LPT1:")));
    platform::RegValue value;
    EXPECT_EQ(ERROR_SUCCESS, registry().queryValue(scratch_, "text", 6, value));
    EXPECT_EQ(platform::regSz("LPT1:"), value.data);
    // A zero-byte buffer is still a buffer: the size-only form of the call would succeed.
    EXPECT_EQ(ERROR_MORE_DATA, registry().queryValue(scratch_, "text", 0, value));
    EXPECT_EQ(ERROR_MORE_DATA, registry().queryValue(scratch_, "text", 5, value));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry().queryValue(scratch_, "absent", 64, value));
}

TEST_F(Win32RegistryTest, DeleteTreeRemovesTheKeyWithEverythingBelowIt) {
    platform::RegKey nested;
    ASSERT_EQ(ERROR_SUCCESS, registry().createKey(scratch_, "a\\b\\c", KEY_ALL_ACCESS, nested));
    ASSERT_EQ(ERROR_SUCCESS, registry().setValue(nested, "v", REG_SZ, platform::regSz("1")));
    nested.reset();
    std::string name;
    ASSERT_EQ(ERROR_SUCCESS, registry().enumKey(scratch_, 0, name));
    EXPECT_EQ("a", name);

    EXPECT_EQ(ERROR_SUCCESS, registry().deleteTree(scratch_, "a"));
    platform::RegKey gone;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry().openKey(scratch_, "a", KEY_READ, gone));
    EXPECT_FALSE(gone.valid());
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, registry().enumKey(scratch_, 0, name));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, registry().deleteTree(scratch_, "a"));
}

TEST(Win32ThreadsTest, BodyRunsOnAnotherThreadAndIsFreedWhenItReturns) {
    auto witness = std::make_shared<int>(0);
    std::atomic<DWORD> ranOn{0};
    platform::ThreadHandle thread = contractPlatform().threads.start([witness, &ranOn] { ranOn = GetCurrentThreadId(); });
    ASSERT_TRUE(thread.valid());
    while (!thread.state()->finished()) Sleep(1);
    EXPECT_NE(0u, ranOn.load());
    EXPECT_NE(GetCurrentThreadId(), ranOn.load());
    // The copy of the body held for the thread is gone with it.
    EXPECT_EQ(1, witness.use_count());
}

// A dialog handler that runs a scenario from onInitDialog and records what reached it.
class ScriptedHandler : public platform::DialogHandler {
public:
    std::function<void(platform::DialogWindow&)> onInit;
    std::function<bool(unsigned, std::intptr_t&)> onAnyMessage;
    std::vector<std::pair<int, int>> commands;
    int closes = 0;
    int destroys = 0;
    DWORD windowThread = 0;
    HWND hwnd = nullptr;

    bool onInitDialog(platform::DialogWindow& window) override {
        windowThread = GetCurrentThreadId();
        hwnd = dynamic_cast<win32::Win32DialogWindow&>(window).hwnd();
        if (onInit) onInit(window);
        return true;
    }
    void onCommand(int id, int notifyCode) override { commands.emplace_back(id, notifyCode); }
    bool onMessage(unsigned message, std::uintptr_t, std::intptr_t, std::intptr_t& result) override {
        return onAnyMessage && onAnyMessage(message, result);
    }
    void onClose() override { ++closes; }
    void onDestroy() override { ++destroys; }
};

platform::Ui& ui() { return contractPlatform().ui; }

TEST(Win32UiTest, MissingTemplateGivesMinusOne) {
    ScriptedHandler handler;
    EXPECT_EQ(-1, ui().runModal(9999, handler, nullptr));
    EXPECT_EQ(0, handler.destroys);
}

TEST(Win32UiTest, ControlsOfTheMainTemplateAnswerTheirMessages) {
    ScriptedHandler handler;
    handler.onInit = [](platform::DialogWindow& w) {
        EXPECT_FALSE(w.isItemEnabled(IDC_INSTALL));
        w.enableItem(IDC_INSTALL, true);
        EXPECT_TRUE(w.isItemEnabled(IDC_INSTALL));

        // Text longer than any fixed buffer would be, read back whole.
        const std::string longText(1000, 'p');
        EXPECT_TRUE(w.setItemText(IDC_PRINTER_NAME, longText));
        EXPECT_EQ(longText, w.itemText(IDC_PRINTER_NAME));
        EXPECT_EQ("", w.itemText(IDC_MODEL_COMBO));

        w.setButtonCheck(IDC_SET_DEFAULT, BST_CHECKED);
        EXPECT_EQ(BST_CHECKED, w.buttonCheck(IDC_SET_DEFAULT));

        EXPECT_EQ(0, w.comboAdd(IDC_MODEL_COMBO, "first"));
        EXPECT_EQ(1, w.comboAdd(IDC_MODEL_COMBO, "second"));
        EXPECT_EQ(0, w.comboInsert(IDC_MODEL_COMBO, 0, "prompt"));
        EXPECT_EQ(3, w.comboCount(IDC_MODEL_COMBO));
        EXPECT_EQ(CB_ERR, w.comboCurSel(IDC_MODEL_COMBO));
        EXPECT_EQ(2, w.comboSetCurSel(IDC_MODEL_COMBO, 2));
        EXPECT_EQ(2, w.comboCurSel(IDC_MODEL_COMBO));
        EXPECT_EQ("prompt", w.comboItemText(IDC_MODEL_COMBO, 0));
        EXPECT_EQ("second", w.comboItemText(IDC_MODEL_COMBO, 2));
        EXPECT_EQ("", w.comboItemText(IDC_MODEL_COMBO, 7));
        w.comboReset(IDC_MODEL_COMBO);
        EXPECT_EQ(0, w.comboCount(IDC_MODEL_COMBO));

        EXPECT_EQ(0, w.listHeaderColumnCount(IDC_CONNECTION_LIST));
        EXPECT_EQ(0, w.listInsertColumn(IDC_CONNECTION_LIST, 0, "kind", LVCFMT_LEFT));
        EXPECT_EQ(1, w.listInsertColumn(IDC_CONNECTION_LIST, 1, "note", LVCFMT_LEFT));
        EXPECT_EQ(2, w.listHeaderColumnCount(IDC_CONNECTION_LIST));
        EXPECT_TRUE(w.listSetColumnWidth(IDC_CONNECTION_LIST, 0, 120));
        EXPECT_EQ(0, w.listInsertItem(IDC_CONNECTION_LIST, 0, "COM"));
        EXPECT_EQ(1, w.listInsertItem(IDC_CONNECTION_LIST, 1, "USB"));
        const std::string longNote(600, 'z');  // more than the first read's buffer
        EXPECT_TRUE(w.listSetItemText(IDC_CONNECTION_LIST, 1, 1, longNote));
        EXPECT_EQ("USB", w.listItemText(IDC_CONNECTION_LIST, 1, 0));
        EXPECT_EQ(longNote, w.listItemText(IDC_CONNECTION_LIST, 1, 1));
        EXPECT_EQ(2, w.listItemCount(IDC_CONNECTION_LIST));

        const std::uint32_t both = LVIS_SELECTED | LVIS_FOCUSED;
        EXPECT_TRUE(w.listSetItemState(IDC_CONNECTION_LIST, 1, LVIS_SELECTED, both));
        EXPECT_EQ(static_cast<std::uint32_t>(LVIS_SELECTED), w.listItemState(IDC_CONNECTION_LIST, 1, both));
        EXPECT_EQ(0u, w.listItemState(IDC_CONNECTION_LIST, 0, both));

        const std::uint32_t style = w.listExtendedStyle(IDC_CONNECTION_LIST);
        w.listSetExtendedStyle(IDC_CONNECTION_LIST, 0, (style & ~LVS_EX_TRACKSELECT) | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        EXPECT_EQ(static_cast<std::uint32_t>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
                  w.listExtendedStyle(IDC_CONNECTION_LIST) & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TRACKSELECT));

        EXPECT_TRUE(w.listDeleteColumn(IDC_CONNECTION_LIST, 1));
        EXPECT_EQ(1, w.listHeaderColumnCount(IDC_CONNECTION_LIST));
        EXPECT_TRUE(w.listDeleteAllItems(IDC_CONNECTION_LIST));
        EXPECT_EQ(0, w.listItemCount(IDC_CONNECTION_LIST));

        EXPECT_EQ(0, w.progressSetPos(IDC_PROGRESS, 40));
        EXPECT_EQ(40, w.progressSetPos(IDC_PROGRESS, 100));
        w.endDialog(IDOK);
    };
    EXPECT_EQ(IDOK, ui().runModal(IDD_MAIN_DIALOG, handler, nullptr));
    EXPECT_EQ(1, handler.destroys);
}

TEST(Win32UiTest, ChineseTextKeepsItsCodePage936Bytes) {
    if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 936";
    ScriptedHandler handler;
    const std::string text = "设置为默认打印机";  // CP936 bytes, from the compiler's execution charset
    handler.onInit = [&text](platform::DialogWindow& w) {
        EXPECT_TRUE(w.setItemText(IDC_STATUS, text));
        EXPECT_EQ(text, w.itemText(IDC_STATUS));
        EXPECT_EQ(0, w.comboAdd(IDC_MODEL_COMBO, text));
        EXPECT_EQ(text, w.comboItemText(IDC_MODEL_COMBO, 0));
        w.listInsertColumn(IDC_CONNECTION_LIST, 0, text, LVCFMT_LEFT);
        EXPECT_EQ(0, w.listInsertItem(IDC_CONNECTION_LIST, 0, text));
        EXPECT_EQ(text, w.listItemText(IDC_CONNECTION_LIST, 0, 0));
        w.endDialog(IDOK);
    };
    EXPECT_EQ(IDOK, ui().runModal(IDD_MAIN_DIALOG, handler, nullptr));
}

TEST(Win32UiTest, WorkerMessagesRunOnTheWindowThreadWhileItWaits) {
    // The worker blocks in sent messages; a wait that does not serve them would hang here.
    ScriptedHandler handler;
    const unsigned message = ui().registerWindowMessage("DriverInstallerWin32Test");
    EXPECT_EQ(message, ui().registerWindowMessage("DriverInstallerWin32Test"));
    std::vector<DWORD> handledOn;
    std::vector<std::intptr_t> replies;
    handler.onAnyMessage = [&](unsigned m, std::intptr_t& result) {
        if (m != message) return false;
        handledOn.push_back(GetCurrentThreadId());
        result = 1000 + static_cast<std::intptr_t>(handledOn.size());
        return true;
    };
    handler.onInit = [&](platform::DialogWindow& w) {
        platform::ThreadHandle worker = contractPlatform().threads.start([&w, &replies, message] {
            for (int i = 0; i < 3; ++i) replies.push_back(w.sendRegistered(message, 0, 0));
            w.setItemText(IDC_STATUS, "from the worker");
        });
        ASSERT_TRUE(worker.valid());
        w.waitForThread(worker);
        EXPECT_TRUE(worker.state()->finished());
        EXPECT_EQ("from the worker", w.itemText(IDC_STATUS));
        w.endDialog(77);
    };
    EXPECT_EQ(77, ui().runModal(IDD_MAIN_DIALOG, handler, nullptr));
    ASSERT_EQ(3u, handledOn.size());
    for (DWORD thread : handledOn) EXPECT_EQ(handler.windowThread, thread);
    // The handler's result reaches the sender through DWLP_MSGRESULT.
    EXPECT_EQ((std::vector<std::intptr_t>{1001, 1002, 1003}), replies);
}

// What the simulated machine's held boxes model: a box raised by a worker thread blocks that
// worker until it is answered, and its owner, on another thread, is disabled meanwhile.
TEST(Win32UiTest, AWorkersBoxBlocksItAndDisablesItsOwnerUntilAnswered) {
    ScriptedHandler handler;
    std::atomic<bool> ownerDisabledWhileOpen{false};
    std::atomic<bool> answered{false};
    std::atomic<bool> returnedBeforeAnswer{false};
    int answer = 0;
    handler.onInit = [&](platform::DialogWindow& w) {
        const HWND owner = handler.hwnd;
        platform::ThreadHandle worker = contractPlatform().threads.start([&] {
            answer = ui().messageBox(&w, "held", "Win32UiTestBox", MB_OKCANCEL);
            returnedBeforeAnswer = !answered;
        });
        ASSERT_TRUE(worker.valid());
        // The user: finds the box, looks at the owner, then presses OK.
        std::thread user([&] {
            HWND box = nullptr;
            for (int i = 0; i < 300 && box == nullptr; ++i) {
                box = FindWindowA(nullptr, "Win32UiTestBox");
                if (box == nullptr) Sleep(50);
            }
            if (box == nullptr) return;
            Sleep(200);
            ownerDisabledWhileOpen = !IsWindowEnabled(owner);
            answered = true;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        w.waitForThread(worker);
        user.join();
        EXPECT_TRUE(IsWindowEnabled(owner));
        w.endDialog(IDOK);
    };
    EXPECT_EQ(IDOK, ui().runModal(IDD_MAIN_DIALOG, handler, nullptr));
    EXPECT_TRUE(answered);
    EXPECT_FALSE(returnedBeforeAnswer);
    EXPECT_TRUE(ownerDisabledWhileOpen);
    EXPECT_EQ(IDOK, answer);
}

TEST(Win32UiTest, CloseBoxCancelAndOtherMessagesReachTheHandler) {
    ScriptedHandler handler;
    platform::DialogWindow* window = nullptr;
    handler.onInit = [&](platform::DialogWindow& w) {
        window = &w;
        // Queued, so they arrive through the modal loop like a user's actions.
        PostMessageA(handler.hwnd, WM_CLOSE, 0, 0);
        PostMessageA(handler.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        PostMessageA(handler.hwnd, WM_APP, 0, 0);
    };
    int apps = 0;
    handler.onAnyMessage = [&](unsigned m, std::intptr_t&) {
        if (m != WM_APP) return false;
        ++apps;
        window->endDialog(IDCANCEL);
        return true;
    };
    EXPECT_EQ(IDCANCEL, ui().runModal(IDD_MAIN_DIALOG, handler, nullptr));
    EXPECT_EQ(1, handler.closes);
    const auto cancels = std::count(handler.commands.begin(), handler.commands.end(),
                                    std::make_pair(static_cast<int>(IDCANCEL), static_cast<int>(BN_CLICKED)));
    EXPECT_EQ(1, cancels);
    EXPECT_EQ(1, apps);
    EXPECT_EQ(1, handler.destroys);
}

}  // namespace
