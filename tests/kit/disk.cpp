#include "tests/kit/disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace kits {

const char kStagingStandIn[] = "~kalvo-STAGING";

namespace {

// Every laid-out file is this old, so that a copy that loses its
// last-write time shows; one marked newer is from the future.
constexpr time_t kLaidOutTime = 1614834367;  // 2021-03-04 05:06:07 UTC
constexpr time_t kNewerTime = 2051222400;    // 2035-01-01

bool Refuse(std::string *error, const std::string &what) {
  *error = what;
  return false;
}

std::string ParentOf(const std::string &path) { return path.substr(0, path.rfind('/')); }

// The kit's folder: root/<folder>, or a path of exactly folderLength bytes.
std::string KitDirUnder(const Kit &kit, const std::string &root) {
  if (kit.folderLength == 0) return root + "/" + kit.folder;
  std::string path = root;
  while (kit.folderLength - static_cast<int>(path.size()) > 201)
    path += "/" + std::string(200, 'd');
  return path + "/" + std::string(kit.folderLength - path.size() - 1, 'k');
}

// A kit's path as a path on disk: "../" steps out of the kit's folder.
std::string OnDisk(const std::string &kitDir, std::string path) {
  std::string base = kitDir;
  while (path.rfind("../", 0) == 0) {
    base = ParentOf(base);
    path = path.substr(3);
  }
  return base + "/" + StagingName(path, "STAGING");
}

bool MakeFolders(const std::string &path) {
  for (size_t slash = 1; (slash = path.find('/', slash)) != std::string::npos; ++slash)
    mkdir(path.substr(0, slash).c_str(), 0755);
  return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WriteFile(const std::string &path, const Entry &entry) {
  unlink(path.c_str());
  std::ofstream out(path, std::ios::binary);
  out << ContentOf(entry.content);
  out.close();
  const time_t when = entry.newer ? kNewerTime : kLaidOutTime;
  const timespec times[2] = {{when, 0}, {when, 0}};
  return out && utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 &&
         chmod(path.c_str(), entry.readOnly ? 0444 : 0644) == 0;
}

std::uint64_t HashFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return HashOf(bytes.str());
}

void Walk(const std::string &root, const std::string &relative, Snapshot *snapshot) {
  DIR *dir = opendir((relative.empty() ? root : root + "/" + relative).c_str());
  if (dir == nullptr) return;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string rel = relative.empty() ? name : relative + "/" + name;
    const std::string path = root + "/" + rel;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    Node node;
    node.readOnly = (st.st_mode & 0222) == 0;
    if (S_ISDIR(st.st_mode)) {
      node.kind = kDirectory;
      Walk(root, rel, snapshot);
    } else if (S_ISLNK(st.st_mode)) {
      node.kind = kLink;
      char target[4096];
      const ssize_t length = readlink(path.c_str(), target, sizeof target);
      node.target.assign(target, length > 0 ? length : 0);
      struct stat pointed;
      if (stat(path.c_str(), &pointed) == 0 && S_ISREG(pointed.st_mode)) node.hash = HashFile(path);
      node.toFolder = stat(path.c_str(), &pointed) == 0 && S_ISDIR(pointed.st_mode);
      node.readOnly = false;
    } else if (S_ISREG(st.st_mode)) {
      node.hash = HashFile(path);
      node.mtime = st.st_mtim.tv_sec;
    } else {
      node.kind = kFifo;
    }
    (*snapshot)[rel] = node;
  }
  closedir(dir);
}

std::string Hex(const std::string &bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex = "x";  // never empty
  for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

std::string Unhex(const std::string &hex) {
  std::string bytes;
  for (size_t i = 1; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

}  // namespace

bool LayOnDisk(const Kit &kit, size_t phase, const std::string &root, std::string *kitDir,
               std::string *error) {
  *kitDir = KitDirUnder(kit, root);
  if (phase == 0 && !MakeFolders(*kitDir)) return Refuse(error, "cannot make " + *kitDir);
  for (const Entry &entry : kit.phases[phase]) {
    const std::string path = OnDisk(*kitDir, entry.path);
    if (!MakeFolders(ParentOf(path))) return Refuse(error, "cannot make " + ParentOf(path));
    bool made = true;
    switch (entry.kind) {
      case kFile:
        made = WriteFile(path, entry);
        break;
      case kDirectory:
        made = MakeFolders(path);
        break;
      case kLink:
        made = symlink(entry.content.c_str(), path.c_str()) == 0;
        break;
      case kHardLink:
        made = link(OnDisk(*kitDir, entry.content).c_str(), path.c_str()) == 0;
        break;
      case kFifo:
        made = mkfifo(path.c_str(), 0644) == 0;
        break;
    }
    if (!made) return Refuse(error, "cannot lay out " + path);
  }
  return true;
}

Snapshot SnapshotDisk(const std::string &root) {
  Snapshot snapshot;
  Walk(root, "", &snapshot);
  return snapshot;
}

bool SaveSnapshot(const Snapshot &snapshot, const std::string &path) {
  std::ofstream out(path);
  for (const auto &entry : snapshot) {
    const Node &n = entry.second;
    out << Hex(entry.first) << ' ' << n.kind << ' ' << n.toFolder << ' ' << n.hash << ' '
        << n.readOnly << ' ' << Hex(n.target) << ' ' << n.mtime << '\n';
  }
  return static_cast<bool>(out);
}

bool LoadSnapshot(const std::string &path, Snapshot *snapshot) {
  std::ifstream in(path);
  if (!in) return false;
  std::string name, target;
  int kind;
  Node node;
  while (in >> name >> kind >> node.toFolder >> node.hash >> node.readOnly >> target >>
         node.mtime) {
    node.kind = static_cast<EntryKind>(kind);
    node.target = Unhex(target);
    (*snapshot)[Unhex(name)] = node;
  }
  return true;
}

}  // namespace kits
