#pragma once
// Runs the whole program over the test double and checks what every run
// must keep: no unit lost, and a final word and status that tell the truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "install/paths.h"
#include "install/texts.h"
#include "tests/fake_platform.h"

namespace runs {

using Units = std::map<std::string, std::string>;  // name -> content

const char kKit[] = "C:\\Kit";
const char kLib[] = "C:\\Kit\\LIB";
const std::string kInstalled = TextOf(kTextInstalled);
const std::string kRemedy = TextOf(kTextRemedyInUse);
const std::string kLibRemedy = TextOf(kTextRemedyLib);
// The double's process id makes this run's staging file name.
const char kStagingName[] = "~kalvo-4242.tmp";

// Runs the program as a new process would: from zero-filled path buffers.
inline int RunInstaller() {
  memset(WorkDir, 0, sizeof WorkDir);
  memset(InstallRoot, 0, sizeof InstallRoot);
  memset(TargetPath, 0, sizeof TargetPath);
  memset(StagingPath, 0, sizeof StagingPath);
  NameSlot = TargetPath;
  char tail[] = "";
  return WinMain(nullptr, nullptr, tail, SW_SHOWDEFAULT);
}

// Puts each unit in the kit, read-only when `readOnly` says so.
inline void AddUnits(const Units &units, bool (*readOnly)(const std::string &) = nullptr) {
  for (const auto &unit : units)
    fake::AddFile(std::string(kKit) + "\\" + unit.first, unit.second,
                  readOnly != nullptr && readOnly(unit.first));
}

inline std::string Lookup(const std::string &directory, const std::string &name) {
  auto it = fake::Files().find(directory + "\\" + name);
  return it == fake::Files().end() || it->second.directory ? std::string("<none>")
                                                           : it->second.content;
}

inline bool StartsWith(const std::string &text, const char *prefix) {
  return text.rfind(prefix, 0) == 0;
}

inline std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text of `key` with `count` where it says {n}.
inline std::string Counted(TextKey key, unsigned count) {
  std::string text = TextOf(key);
  return text.replace(text.find(kCountMark), sizeof kCountMark - 1, std::to_string(count));
}

inline std::string LeftLine(unsigned count) {
  return Counted(count == 1 ? kTextLeftOne : kTextLeftMany, count);
}

// The reason the box gives for an error code: the double's text for it,
// or the number where the system has none.
inline std::string ReasonOf(DWORD code) {
  const std::string text = fake::SystemText(code);
  return text.empty() ? Counted(kTextSystemError, code) : text;
}

// Every unit is whole in the kit or in LIB; status 0 only when every unit is
// in LIB; status 1 counts the units left and names the first five of them
// (returned as name -> reason), or says that the search broke off; status 2
// only when nothing moved. The box, when shown, says the same.
inline std::map<std::string, std::string> ExpectLosslessAndTruthful(const Units &units,
                                                                    int status) {
  std::map<std::string, std::string> named;
  std::vector<std::string> left;
  int movedAway = 0;
  for (const auto &unit : units) {
    const bool inKit = Lookup(kKit, unit.first) == unit.second;
    const bool inLib = Lookup(kLib, unit.first) == unit.second;
    EXPECT_TRUE(inKit || inLib) << unit.first << " was lost";
    if (!inLib) left.push_back(unit.first);
    movedAway += inKit ? 0 : 1;
  }
  const bool shown = !fake::Boxes().empty();
  const std::vector<std::string> lines = Lines(shown ? fake::Boxes().back().text : "");
  // Success is a plain box; anything else shows a warning or an error icon.
  const UINT icons[] = {MB_OK, MB_OK | MB_ICONWARNING, MB_OK | MB_ICONERROR};
  if (shown && status >= 0 && status <= 2) EXPECT_EQ(fake::Boxes().back().style, icons[status]);
  switch (status) {
    case 0:
      EXPECT_TRUE(left.empty());
      if (shown) EXPECT_EQ(lines, std::vector<std::string>{kInstalled});
      break;
    case 1:
      if (!shown || lines[0].find("searched") != std::string::npos) break;
      EXPECT_EQ(lines[0], LeftLine(static_cast<unsigned>(left.size())));
      EXPECT_NE(lines.back().find("install again"), std::string::npos) << "no closing line";
      for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const size_t colon = lines[i].find(": ");
        if (StartsWith(lines[i], "and ")) {
          EXPECT_EQ(lines[i], Counted(kTextMoreLeft, static_cast<unsigned>(left.size() - 5)));
        } else if (colon != std::string::npos) {
          named[lines[i].substr(0, colon)] = lines[i].substr(colon + 2);
        } else {
          ADD_FAILURE() << "unexpected line: " << lines[i];
        }
      }
      EXPECT_EQ(named.size(), left.size() < 5 ? left.size() : 5);
      for (const auto &unit : named) {
        // A long name is shown cut, with a mark.
        const std::string shown = unit.first;
        const bool cut = shown.size() > 3 && shown.compare(shown.size() - 3, 3, "...") == 0;
        EXPECT_TRUE(std::any_of(
            left.begin(), left.end(),
            [&](const std::string &name) {
              return name == shown ||
                     (cut && StartsWith(name, shown.substr(0, shown.size() - 3).c_str()));
            }))
            << shown << " is named but is in LIB";
      }
      break;
    case 2:
      EXPECT_EQ(movedAway, 0);
      if (shown) EXPECT_TRUE(StartsWith(lines[0], "KALVO was not installed: ")) << lines[0];
      break;
    default:
      ADD_FAILURE() << "unexpected exit status " << status;
  }
  return named;
}

}  // namespace runs
