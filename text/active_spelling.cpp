// The spelling of the code page this process runs in, asked of the
// platform; kept apart from the rules so that they run without one.
#include <cstring>

#include "platform/win32_api.h"
#include "text/spelling.h"

Spelling ActiveSpelling() {
  Spelling spelling{Spelling::kSingleByte, {}};
  if (GetACP() == CP_UTF8) {
    spelling.kind = Spelling::kUtf8;
    return spelling;
  }
  CPINFO info;
  if (GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) {
    spelling.kind = Spelling::kDoubleByte;
    static_assert(sizeof info.LeadByte == kLeadRangeBytes, "lead byte ranges");
    memcpy(spelling.leadRanges, info.LeadByte, kLeadRangeBytes);
  }
  return spelling;
}
