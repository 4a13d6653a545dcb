/* Test helper, run under Wine beside the program under test: Wine's trace
   cuts a long box text, so this reads every message box that shows, whole,
   from its text control, and writes it as UTF-8 to <folder>/<n>-<process
   id>.txt, n counting the boxes read (written under another name first,
   then renamed, so a reader never sees half of it). It polls until it is
   killed. */
#include <stdio.h>
#include <windows.h>

#define TEXT_ID 0xFFFF /* the static control of a message box's text */
#define MAX_BOXES 4096
#define MAX_TEXT 16384

/* The boxes read, by window and process: Wine gives a later process's
   window the handle of one that is gone. */
static struct {
  HWND box;
  DWORD pid;
} Seen[MAX_BOXES];
static int SeenCount;
static int ReadCount; /* every box read, for the files' names */
static WCHAR Text[MAX_TEXT];
static char Utf8[4 * MAX_TEXT];

static BOOL CALLBACK ReadBox(HWND box, LPARAM folder) {
  WCHAR kind[16];
  HWND text = GetDlgItem(box, TEXT_ID);
  int i, length;
  DWORD_PTR answer = 0;
  DWORD pid = 0;
  char path[MAX_PATH], part[MAX_PATH];
  FILE *out;
  if (!GetClassNameW(box, kind, 16) || lstrcmpW(kind, L"#32770") != 0 || text == NULL ||
      !IsWindowVisible(box))
    return TRUE;
  GetWindowThreadProcessId(box, &pid);
  for (i = 0; i < SeenCount; ++i)
    if (Seen[i].box == box && Seen[i].pid == pid) return TRUE;
  /* Asked with a time limit: a box whose process is ending never answers. */
  if (!SendMessageTimeoutW(text, WM_GETTEXT, MAX_TEXT, (LPARAM)Text, SMTO_ABORTIFHUNG, 500, &answer))
    return TRUE;
  length = (int)answer;
  length = WideCharToMultiByte(CP_UTF8, 0, Text, length, Utf8, sizeof Utf8, NULL, NULL);
  snprintf(path, sizeof path, "%s/%05d-%lu.txt", (const char *)folder, ReadCount,
           (unsigned long)pid);
  snprintf(part, sizeof part, "%s.part", path);
  if ((out = fopen(part, "wb")) == NULL) return TRUE;
  fwrite(Utf8, 1, (size_t)length, out);
  fclose(out);
  if (!MoveFileExA(part, path, MOVEFILE_REPLACE_EXISTING)) return TRUE;
  if (SeenCount < MAX_BOXES) {
    Seen[SeenCount].box = box;
    Seen[SeenCount++].pid = pid;
  }
  ++ReadCount;
  return TRUE;
}

/* A box read is forgotten once its window is no more. */
static void ForgetClosedBoxes(void) {
  int i, kept = 0;
  for (i = 0; i < SeenCount; ++i)
    if (IsWindow(Seen[i].box)) Seen[kept++] = Seen[i];
  SeenCount = kept;
}

int main(int argc, char **argv) {
  if (argc != 2) return 2;
  for (;;) {
    ForgetClosedBoxes();
    EnumWindows(ReadBox, (LPARAM)argv[1]);
    Sleep(50);
  }
}
