#pragma once
// Runs the whole program over the test double and checks what every run
// must keep: no unit lost, and a final word and status that tell the truth.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/fake_platform.h"

namespace runs {

using Units = std::map<std::string, std::string>;  // name -> content

const char kKit[] = "C:\\Kit";
const char kLib[] = "C:\\Kit\\LIB";
const char kInstalled[] = "KALVO successfully installed!";

inline int RunInstaller() {
  char tail[] = "";
  return WinMain(nullptr, nullptr, tail, SW_SHOWDEFAULT);
}

inline std::string Lookup(const std::string &directory, const std::string &name) {
  auto it = fake::Files().find(directory + "\\" + name);
  return it == fake::Files().end() || it->second.directory ? std::string("<none>")
                                                           : it->second.content;
}

inline bool StartsWith(const std::string &text, const char *prefix) {
  return text.rfind(prefix, 0) == 0;
}

// Every unit is whole in the kit or in LIB; status 0 only when every unit is
// in LIB; status 1 names the number left when it can count them; status 2
// only when nothing moved. The box, when shown, says the same.
inline void ExpectLosslessAndTruthful(const Units &units, int status) {
  int notInLib = 0, movedAway = 0;
  for (const auto &unit : units) {
    const bool inKit = Lookup(kKit, unit.first) == unit.second;
    const bool inLib = Lookup(kLib, unit.first) == unit.second;
    EXPECT_TRUE(inKit || inLib) << unit.first << " was lost";
    notInLib += inLib ? 0 : 1;
    movedAway += inKit ? 0 : 1;
  }
  const std::string text = fake::Boxes().empty() ? "" : fake::Boxes().back().text;
  const bool shown = !fake::Boxes().empty();
  switch (status) {
    case 0:
      EXPECT_EQ(notInLib, 0);
      if (shown) EXPECT_EQ(text, kInstalled);
      break;
    case 1:
      if (shown) EXPECT_TRUE(StartsWith(text, "KALVO installation incomplete: ")) << text;
      if (shown && text.find("searched") == std::string::npos) {
        const std::string count = std::to_string(notInLib) + " unit file";
        EXPECT_TRUE(StartsWith(text, ("KALVO installation incomplete: " + count).c_str())) << text;
        EXPECT_GT(notInLib, 0);
      }
      break;
    case 2:
      EXPECT_EQ(movedAway, 0);
      if (shown) EXPECT_TRUE(StartsWith(text, "KALVO was not installed: ")) << text;
      break;
    default:
      ADD_FAILURE() << "unexpected exit status " << status;
  }
}

}  // namespace runs
