#pragma once
// A fresh temporary folder, made current for the test and removed after it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

class TempFolder : public testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kalvo-test-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    root_ = templ;
    ASSERT_EQ(getcwd(previous_, sizeof previous_), previous_);
    ASSERT_EQ(chdir(root_.c_str()), 0);
  }
  void TearDown() override {
    if (chdir(previous_) != 0) ADD_FAILURE() << "cannot leave " << root_;
    const std::string command = "chmod -R u+rwx '" + root_ + "' && rm -rf '" + root_ + "'";
    if (system(command.c_str()) != 0) ADD_FAILURE() << "cannot remove " << root_;
  }

  static void Write(const std::string &path, const std::string &content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string Read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<none>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static bool Exists(const std::string &path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
  }
  // Names in a folder, sorted, "." and ".." left out.
  static std::string List(const std::string &folder);

  std::string root_;
  char previous_[4096];
};

#include <dirent.h>

#include <set>

inline std::string TempFolder::List(const std::string &folder) {
  std::set<std::string> names;
  if (DIR *dir = opendir(folder.c_str())) {
    while (const dirent *entry = readdir(dir))
      if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
        names.insert(entry->d_name);
    closedir(dir);
  }
  std::string joined;
  for (const auto &name : names) joined += (joined.empty() ? "" : " ") + name;
  return joined;
}
