/* Prints the print spooler's lists for the installation tests, one fact a line, in the ANSI
 * code page: printer NAME|PORT|DRIVER, driver NAME, monitor NAME, port NAME.
 * Build: i686-w64-mingw32-gcc -O2 -o spooler-list.exe spooler-list.c -lwinspool */
#include <windows.h>
#include <winspool.h>
#include <stdio.h>
#include <stdlib.h>

static const char *str(const char *s) { return s ? s : "(null)"; }

/* The first call only sizes the buffer. */
#define ENUM(call, args_sized, args_filled, buf, needed, count)            \
    do {                                                                  \
        needed = count = 0;                                               \
        call args_sized;                                                  \
        buf = malloc(needed ? needed : 1);                                \
        if (!buf || !call args_filled) {                                  \
            printf("error %s %lu\n", #call, GetLastError());              \
            count = 0;                                                    \
        }                                                                 \
    } while (0)

int main(void)
{
    DWORD needed, count, i;
    BYTE *buf;

    ENUM(EnumPrintersA, (PRINTER_ENUM_LOCAL, NULL, 2, NULL, 0, &needed, &count),
         (PRINTER_ENUM_LOCAL, NULL, 2, buf, needed, &needed, &count), buf, needed, count);
    for (i = 0; i < count; i++) {
        PRINTER_INFO_2A *p = (PRINTER_INFO_2A *)buf + i;
        printf("printer %s|%s|%s\n", str(p->pPrinterName), str(p->pPortName), str(p->pDriverName));
    }
    free(buf);

    ENUM(EnumPrinterDriversA, (NULL, "Windows NT x86", 1, NULL, 0, &needed, &count),
         (NULL, "Windows NT x86", 1, buf, needed, &needed, &count), buf, needed, count);
    for (i = 0; i < count; i++)
        printf("driver %s\n", str(((DRIVER_INFO_1A *)buf)[i].pName));
    free(buf);

    ENUM(EnumMonitorsA, (NULL, 1, NULL, 0, &needed, &count),
         (NULL, 1, buf, needed, &needed, &count), buf, needed, count);
    for (i = 0; i < count; i++)
        printf("monitor %s\n", str(((MONITOR_INFO_1A *)buf)[i].pName));
    free(buf);

    ENUM(EnumPortsA, (NULL, 1, NULL, 0, &needed, &count),
         (NULL, 1, buf, needed, &needed, &count), buf, needed, count);
    for (i = 0; i < count; i++)
        printf("port %s\n", str(((PORT_INFO_1A *)buf)[i].pName));
    free(buf);
    return 0;
}
