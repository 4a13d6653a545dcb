// The process's first code, ahead of the C runtime's start-up (the linker
// makes it the entry point). Before anything can load a DLL by name, it
// restricts the loader to System32 and loads from there the DLLs that the
// message box and its theming pull in later, so that a DLL of such a name
// planted beside install.exe, or in the folder it runs in (often a
// Downloads folder), is never loaded. Then the runtime starts as usual and
// calls WinMain. Every failure here is ignored: the run goes on as before.
#include <windows.h>

#include <cstring>

// The mingw-w64 runtime's own entry for GUI programs: it starts the runtime,
// calls WinMain and exits with its result.
extern "C" int WinMainCRTStartup(void);

namespace {

// Not KnownDLLs, and loaded only after start-up, by name:
//   uxtheme, msimg32   the themed box (Common Controls 6) and its drawing
//   dwmapi             window frames, asked for by uxtheme and user32
//   version            read by Common Controls and the shell
//   cryptbase          loaded by advapi32 on Windows 7
//   textinputframework, coremessaging, coreuicomponents, wintypes
//                      Windows 10 and 11 input stack, once a window has focus
// A DLL missing from a Windows version is simply not loaded.
const char *const kPreloadedDlls[] = {
    "uxtheme.dll",       "msimg32.dll",          "dwmapi.dll",
    "version.dll",       "cryptbase.dll",        "textinputframework.dll",
    "coremessaging.dll", "coreuicomponents.dll", "wintypes.dll",
};

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFn)(DWORD);

// Windows 7 without its 2011 loader update lacks the function.
bool SearchSystem32Only() {
  const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return false;
  const FARPROC found = GetProcAddress(kernel32, "SetDefaultDllDirectories");
  if (found == nullptr) return false;
  SetDefaultDllDirectoriesFn setDefault;
  memcpy(&setDefault, &found, sizeof setDefault);
  return setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

// Where the flag above is not understood, by the full path in System32.
void LoadFromSystem32(const char *name) {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  const size_t nameLength = strlen(name);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return;
  path[length] = '\\';
  memcpy(path + length + 1, name, nameLength + 1);
  LoadLibraryA(path);
}

void HardenDllSearch() {
  const bool system32Only = SearchSystem32Only();
  // Takes the current folder out of the search, where the above is missing.
  SetDllDirectoryA("");
  for (const char *name : kPreloadedDlls) {
    if (system32Only)
      LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    else
      LoadFromSystem32(name);
  }
}

}  // namespace

extern "C" void KalvoStartup(void) {
  HardenDllSearch();
  WinMainCRTStartup();
}
