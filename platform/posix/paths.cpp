#include "platform/posix/paths.h"

#include <cstring>

std::string PosixPath(const char *windowsPath) {
  std::string path(windowsPath);
  for (char &c : path)
    if (c == '\\') c = '/';
  return path;
}

bool WindowsPath(const char *posixPath, std::string *out) {
  if (strchr(posixPath, '\\') != nullptr) return false;
  out->assign(posixPath);
  for (char &c : *out)
    if (c == '/') c = '\\';
  return true;
}

std::string DirectoryOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}
