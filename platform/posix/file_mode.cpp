#include "platform/posix/file_mode.h"

#include <sys/stat.h>

mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t current = umask(0);
    umask(current);
    return current;
  }();
  return mask;
}
