#pragma once
// A test double of the platform seam: an in-memory Windows file system that
// records every call and can make any single call fail.
#include <map>
#include <string>
#include <vector>

#include "platform/win32_api.h"

namespace fake {

enum Op {
  kGetCurrentDirectory,
  kSetCurrentDirectory,
  kCreateDirectory,
  kFindFirstFile,
  kFindNextFile,
  kFindClose,
  kCopyFile,
  kDeleteFile,
  kMessageBox,
  kOpCount
};
extern const char *const kOpNames[kOpCount];

struct Node {
  bool directory = false;
  bool readOnly = false;
  bool special = false;  // a device or pipe: listed, but never copied
  std::string content;
};

// Windows names: case-insensitive, case-preserving.
struct NameLess {
  bool operator()(const std::string &a, const std::string &b) const;
};
using Tree = std::map<std::string, Node, NameLess>;

struct Box {
  std::string caption;
  std::string text;
};

// Empties everything and makes `cwd` (created with its parents) current.
void Reset(const std::string &cwd, const std::string &commandLine = "\"C:\\Kit\\install.exe\" ");
void AddDirectory(const std::string &path);
void AddFile(const std::string &path, const std::string &content, bool readOnly = false);

// The nth call (counted from 1) of `op` fails and has no effect.
void FailCall(Op op, int nth);
int Calls(Op op);

Tree &Files();
const std::vector<std::string> &Log();
const std::vector<Box> &Boxes();

}  // namespace fake
