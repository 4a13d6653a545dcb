#pragma once
// Reading a box the tests see: its lines, and a text of the program's with
// its count put where the text says kCountMark.
#include <sstream>
#include <string>
#include <vector>

#include "install/texts.h"

inline std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string WithCount(std::string text, size_t count) {
  const size_t mark = text.find(kCountMark);
  return mark == std::string::npos
             ? text
             : text.replace(mark, sizeof kCountMark - 1, std::to_string(count));
}
