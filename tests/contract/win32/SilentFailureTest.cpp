// A Windows call can fail without setting an error (a driver or print provider that forgets
// SetLastError). Each wrapper must still report a failure: a failed call read as error 0
// would make the installer go on as if the printer or port existed. The calls are replaced in
// this program's import table by stand-ins that fail with the error cleared.
#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/contract/ContractPlatform.h"

namespace {

// Points this program's import of `function` from `module` at `replacement` while it lives.
class ImportPatch {
public:
    ImportPatch(const char* module, const char* function, void* replacement) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0) return;
        for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name != 0; ++entry) {
            if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), module) != 0) continue;
            const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
            auto* addresses = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                slot_ = reinterpret_cast<void**>(&addresses->u1.Function);
                original_ = *slot_;
                write(replacement);
                return;
            }
        }
    }
    ~ImportPatch() {
        if (slot_ != nullptr) write(original_);
    }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool active() const { return slot_ != nullptr; }

private:
    void write(void* value) {
        DWORD oldProtection = 0;
        VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &oldProtection);
        *slot_ = value;
        VirtualProtect(slot_, sizeof(void*), oldProtection, &oldProtection);
    }

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

HANDLE WINAPI silentAddPrinter(LPSTR, DWORD, LPBYTE) {
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}
BOOL WINAPI silentOpenPrinter(LPSTR, LPHANDLE handle, LPPRINTER_DEFAULTSA) {
    if (handle != nullptr) *handle = nullptr;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}
BOOL WINAPI silentEnumPorts(LPSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
    *needed = 0;
    *returned = 0;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}
BOOL WINAPI silentEnumPrinters(DWORD, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
    *needed = 0;
    *returned = 0;
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}
BOOL WINAPI silentAddPrinterDriverEx(LPSTR, DWORD, LPBYTE, DWORD) {
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}
BOOL WINAPI silentCopyFile(LPCSTR, LPCSTR, BOOL) {
    SetLastError(ERROR_SUCCESS);
    return FALSE;
}

platform::Spooler& spooler() { return contractPlatform().spooler; }

TEST(SilentFailure, EveryWrapperReportsAFailedCallWhoseErrorWasNeverSet) {
    {
        ImportPatch patch("winspool.drv", "AddPrinterA", reinterpret_cast<void*>(&silentAddPrinter));
        ASSERT_TRUE(patch.active()) << "AddPrinterA is not imported from winspool.drv";
        platform::PrinterInfo2 printer;
        printer.printerName = "Silent failure";
        printer.portName = "LPT1:";
        printer.driverName = "Generic / Text Only";
        printer.printProcessor = "WinPrint";
        printer.datatype = "RAW";
        platform::PrinterHandlePtr created;
        EXPECT_EQ(ERROR_GEN_FAILURE, spooler().addPrinter(printer, created));
        EXPECT_EQ(nullptr, created);
    }
    {
        ImportPatch patch("winspool.drv", "OpenPrinterA", reinterpret_cast<void*>(&silentOpenPrinter));
        ASSERT_TRUE(patch.active());
        platform::PrinterHandlePtr opened;
        EXPECT_EQ(ERROR_GEN_FAILURE, spooler().openPrinter("Silent failure", {"RAW", PRINTER_ALL_ACCESS}, opened));
        EXPECT_EQ(nullptr, opened);
    }
    {
        ImportPatch patch("winspool.drv", "EnumPortsA", reinterpret_cast<void*>(&silentEnumPorts));
        ASSERT_TRUE(patch.active());
        std::vector<platform::PortInfo2> ports;
        EXPECT_EQ(ERROR_GEN_FAILURE, spooler().enumPorts(ports));
    }
    {
        ImportPatch patch("winspool.drv", "EnumPrintersA", reinterpret_cast<void*>(&silentEnumPrinters));
        ASSERT_TRUE(patch.active());
        std::vector<platform::PrinterEntry> printers;
        EXPECT_EQ(ERROR_GEN_FAILURE, spooler().enumPrinters(PRINTER_ENUM_LOCAL, printers));
    }
    {
        ImportPatch patch("winspool.drv", "AddPrinterDriverExA", reinterpret_cast<void*>(&silentAddPrinterDriverEx));
        ASSERT_TRUE(patch.active());
        platform::DriverInfo3 driver;
        driver.name = "Silent failure";
        EXPECT_EQ(ERROR_GEN_FAILURE, spooler().addPrinterDriverEx(driver, APD_COPY_ALL_FILES));
    }
    {
        ImportPatch patch("kernel32.dll", "CopyFileA", reinterpret_cast<void*>(&silentCopyFile));
        ASSERT_TRUE(patch.active());
        EXPECT_EQ(ERROR_GEN_FAILURE, contractPlatform().files.copyFile("C:\\a.txt", "C:\\b.txt", false));
    }
}

}  // namespace
