/* Test helper, run under Wine: prints the platform's own answers to the
   questions the platform double answers by its own tables, so that tests
   can hold the double (and the program) to them.
     platform_probe errors CODE...     "<code> <text>", the system's text, in UTF-8
     platform_probe fold               "<unit> <upper>" for every UTF-16 code
                                       unit that RtlUpcaseUnicodeChar, the fold
                                       of file names, changes
     platform_probe ansi CP            "<unit> <byte>..." for every code unit
                                       that code page CP gives bytes for, best
                                       fit included, without the default '?'
     platform_probe bytes CP           "<byte> <unit>|- <lead>" for every byte:
                                       what it reads as alone, and whether it
                                       leads a double-byte character
     platform_probe exact CP           "<unit> <byte>..." for every code unit
                                       that code page CP spells exactly, without
                                       best fit
     platform_probe pairs CP           "<lead><trail> <unit>" for every two-byte
                                       character of a double-byte code page CP
     platform_probe devices NAME...    "<name> 1|0": whether a path takes the
                                       name (UTF-8, \xNN escapes) for a device
     platform_probe short DIR NAME...  "<name> <short name>|-", of a file it makes
                                       of each name, alone in a folder of its own
   Numbers are hexadecimal, four digits a code unit, two a byte. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

typedef WCHAR(WINAPI *Upcase)(WCHAR);
typedef ULONG(WINAPI *IsDosDevice)(PCWSTR);

static FARPROC NtdllFunction(const char *name) {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
}

/* A name given on the command line: UTF-8 with \xNN escapes, so that any
   bytes reach the probe whatever Wine's code page for arguments. */
static void WideName(const char *text, WCHAR *wide, int size) {
  char bytes[MAX_PATH];
  int length = 0;
  while (*text != '\0' && length < MAX_PATH - 1) {
    if (text[0] == '\\' && text[1] == 'x' && text[2] != '\0' && text[3] != '\0') {
      char hex[3] = {text[2], text[3], '\0'};
      bytes[length++] = (char)strtol(hex, NULL, 16);
      text += 4;
    } else {
      bytes[length++] = *text++;
    }
  }
  bytes[length] = '\0';
  MultiByteToWideChar(CP_UTF8, 0, bytes, -1, wide, size);
}

/* Every code unit that code page `page` gives bytes for, as the flags ask,
   without the default '?'. */
static void PrintSpellings(UINT page, DWORD flags) {
  int c, n, k;
  for (c = 0; c < 0x10000; ++c) {
    WCHAR unit = (WCHAR)c;
    char out[8];
    BOOL defaulted = FALSE;
    if (c >= 0xD800 && c < 0xE000) continue;
    n = WideCharToMultiByte(page, flags, &unit, 1, out, sizeof out, NULL, &defaulted);
    if (n <= 0 || defaulted) continue;
    printf("%04X", c);
    for (k = 0; k < n; ++k) printf(" %02X", (unsigned char)out[k]);
    printf("\n");
  }
}

int main(int argc, char **argv) {
  int i, c;
  if (argc >= 2 && strcmp(argv[1], "errors") == 0) {
    for (i = 2; i < argc; ++i) {
      WCHAR wide[512];
      char text[1536];
      DWORD code = (DWORD)strtoul(argv[i], NULL, 10);
      DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                                    code, 0, wide, 512, NULL);
      while (length > 0 && wcschr(L"\r\n ", wide[length - 1]) != NULL) --length;
      if (length == 0) continue;
      length = WideCharToMultiByte(CP_UTF8, 0, wide, (int)length, text, sizeof text, NULL, NULL);
      printf("%lu %.*s\n", (unsigned long)code, (int)length, text);
    }
  } else if (argc == 2 && strcmp(argv[1], "fold") == 0) {
    Upcase upcase = (Upcase)NtdllFunction("RtlUpcaseUnicodeChar");
    for (c = 0; c < 0x10000; ++c)
      if (upcase((WCHAR)c) != c) printf("%04X %04X\n", c, upcase((WCHAR)c));
  } else if (argc == 3 && (strcmp(argv[1], "ansi") == 0 || strcmp(argv[1], "exact") == 0)) {
    PrintSpellings((UINT)atoi(argv[2]), strcmp(argv[1], "exact") == 0 ? WC_NO_BEST_FIT_CHARS : 0);
  } else if (argc == 3 && strcmp(argv[1], "pairs") == 0) {
    UINT page = (UINT)atoi(argv[2]);
    int lead, trail;
    for (lead = 0; lead < 0x100; ++lead) {
      if (!IsDBCSLeadByteEx(page, (BYTE)lead)) continue;
      for (trail = 0; trail < 0x100; ++trail) {
        char pair[2] = {(char)lead, (char)trail};
        WCHAR unit;
        if (MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, pair, 2, &unit, 1) == 1)
          printf("%02X%02X %04X\n", lead, trail, unit);
      }
    }
  } else if (argc == 3 && strcmp(argv[1], "bytes") == 0) {
    UINT page = (UINT)atoi(argv[2]);
    for (c = 0; c < 0x100; ++c) {
      char byte = (char)c;
      WCHAR unit;
      int read = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1);
      if (read == 1) printf("%02X %04X %d\n", c, unit, IsDBCSLeadByteEx(page, (BYTE)c) ? 1 : 0);
      else printf("%02X - %d\n", c, IsDBCSLeadByteEx(page, (BYTE)c) ? 1 : 0);
    }
  } else if (argc >= 2 && strcmp(argv[1], "devices") == 0) {
    IsDosDevice isDevice = (IsDosDevice)NtdllFunction("RtlIsDosDeviceName_U");
    for (i = 2; i < argc; ++i) {
      WCHAR name[MAX_PATH];
      WideName(argv[i], name, MAX_PATH);
      printf("%s %d\n", argv[i], isDevice(name) != 0 ? 1 : 0);
    }
  } else if (argc >= 3 && strcmp(argv[1], "short") == 0) {
    for (i = 3; i < argc; ++i) {
      WCHAR folder[MAX_PATH], name[MAX_PATH], path[2 * MAX_PATH];
      WIN32_FIND_DATAW found;
      HANDLE file, search;
      char shortName[3 * 14];
      MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, folder, MAX_PATH);
      WideName(argv[i], name, MAX_PATH);
      /* Each name in a folder of its own, so that none is another's short name. */
      swprintf(path, 2 * MAX_PATH, L"%ls\\%d", folder, i);
      CreateDirectoryW(path, NULL);
      swprintf(path, 2 * MAX_PATH, L"%ls\\%d\\%ls", folder, i, name);
      file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
      search = FindFirstFileW(path, &found);
      if (search == INVALID_HANDLE_VALUE) {
        printf("%s ?\n", argv[i]);
        continue;
      }
      FindClose(search);
      WideCharToMultiByte(CP_UTF8, 0, found.cAlternateFileName, -1, shortName, sizeof shortName, NULL,
                          NULL);
      printf("%s %s\n", argv[i], shortName[0] != '\0' ? shortName : "-");
    }
  } else {
    fprintf(stderr, "usage: see the opening comment of platform_probe.c\n");
    return 2;
  }
  return 0;
}
