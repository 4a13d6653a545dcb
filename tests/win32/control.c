/* The control: a bare program that shows a message box with the Common
   Controls 6 manifest and does nothing to protect its DLL search. Where it
   loads a planted DLL, a test of that protection can prove something. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)show;
  MessageBoxA(NULL, "control", "control", MB_OK);
  return 0;
}
