#include "messages/report.h"

#include "messages/caption.h"
#include "platform/win32_api.h"

void ReportMessage(const char *text, UINT icon) {
  char caption[kCaptionSize];
  const char *commandLine = GetCommandLineA();
  DeriveCaption(commandLine != nullptr ? commandLine : "", ActiveSpelling(), caption);
  MessageBoxA(nullptr, text, caption, MB_OK | icon);
}
