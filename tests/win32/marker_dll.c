/* A DLL that only leaves a mark: loaded into a process, it creates
   "<its own path>.loaded" beside itself, then refuses to stay loaded so
   that the process goes on without it. Planted under the names of system
   DLLs, it shows which of them a program loads from where it was planted. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  char path[MAX_PATH + 8];
  DWORD length;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    lstrcpyA(path + length, ".loaded");
    CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  }
  return FALSE;
}
