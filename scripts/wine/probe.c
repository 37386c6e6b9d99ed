/* Prints what the Windows environment under Wine reports, so the test
 * harness knows which code page, OS version and ports it is dealing with.
 * Build: i686-w64-mingw32-gcc -O2 -o probe.exe probe.c -lwinspool
 *   (or x86_64-w64-mingw32-gcc for a 64-bit prefix). */
#include <windows.h>
#include <winspool.h>
#include <stdio.h>
#include <stdlib.h>

static const char *str(const char *s) { return s ? s : "(null)"; }

int main(void)
{
    OSVERSIONINFOA ver;
    BOOL wow64 = FALSE;
    DWORD needed = 0, count = 0, i;
    HKEY key;

    printf("ACP=%u OEMCP=%u UserLCID=0x%04lx SystemLCID=0x%04lx\n",
           GetACP(), GetOEMCP(), (unsigned long)GetUserDefaultLCID(),
           (unsigned long)GetSystemDefaultLCID());

    /* IsWow64Process is missing on very old Windows, so resolve it at run time. */
    {
        typedef BOOL (WINAPI *wow64_fn)(HANDLE, PBOOL);
        wow64_fn fn = (wow64_fn)(void (*)(void))GetProcAddress(
            GetModuleHandleA("kernel32.dll"), "IsWow64Process");
        if (!fn)
            printf("IsWow64Process: not exported\n");
        else if (!fn(GetCurrentProcess(), &wow64))
            printf("IsWow64Process: failed, error %lu\n", GetLastError());
        else
            printf("IsWow64Process=%d pointer_bits=%u\n", wow64,
                   (unsigned)(sizeof(void *) * 8));
    }

    ver.dwOSVersionInfoSize = sizeof(ver);
    if (GetVersionExA(&ver))
        printf("Version=%lu.%lu build=%lu platform=%lu csd=\"%s\"\n",
               ver.dwMajorVersion, ver.dwMinorVersion, ver.dwBuildNumber,
               ver.dwPlatformId, ver.szCSDVersion);

    /* First call only sizes the buffer; it fails with ERROR_INSUFFICIENT_BUFFER. */
    EnumPortsA(NULL, 2, NULL, 0, &needed, &count);
    {
        BYTE *buf = needed ? malloc(needed) : NULL;
        if (buf && EnumPortsA(NULL, 2, buf, needed, &needed, &count)) {
            PORT_INFO_2A *p = (PORT_INFO_2A *)buf;
            printf("EnumPortsA level 2: %lu ports\n", count);
            for (i = 0; i < count; i++)
                printf("  port=\"%s\" monitor=\"%s\" desc=\"%s\" type=0x%lx\n",
                       str(p[i].pPortName), str(p[i].pMonitorName),
                       str(p[i].pDescription), p[i].fPortType);
        } else {
            printf("EnumPortsA level 2 failed, error %lu\n", GetLastError());
        }
        free(buf);
    }

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        char name[256];
        BYTE data[256];
        DWORD n, d, type;
        printf("SERIALCOMM:\n");
        for (i = 0;; i++) {
            n = sizeof(name);
            d = sizeof(data) - 1;
            if (RegEnumValueA(key, i, name, &n, NULL, &type, data, &d) != ERROR_SUCCESS)
                break;
            data[d] = 0;
            printf("  \"%s\" = \"%s\" (type %lu)\n", name,
                   type == REG_SZ ? (char *)data : "?", type);
        }
        if (i == 0)
            printf("  (no values)\n");
        RegCloseKey(key);
    } else {
        printf("SERIALCOMM: key missing\n");
    }
    fflush(stdout);
    return 0;
}
