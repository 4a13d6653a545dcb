#include "tests/kit/double.h"

#include <map>

#include "tests/fake_platform.h"
#include "tests/run_installer.h"

namespace kits {

namespace {

const char kRoot[] = "C:\\";

std::string Windows(std::string path) {
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string KitDir(const Kit &kit) { return kRoot + Windows(DoubleKitFolder(kit)); }

// A link's target as a path in the kit: relative to the link's folder.
std::string TargetInKit(const Entry &link) {
  std::vector<std::string> names;
  const size_t slash = link.path.rfind('/');
  std::string path =
      (slash == std::string::npos ? "" : link.path.substr(0, slash + 1)) + link.content;
  std::string name;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') {
      name += path[i];
      continue;
    }
    if (name == ".." && !names.empty() && names.back() != "..")
      names.pop_back();
    else if (!name.empty() && name != ".")
      names.push_back(name);
    name.clear();
  }
  std::string joined;
  for (const std::string &n : names) joined += (joined.empty() ? "" : "/") + n;
  return joined;
}

// A kit's path as the double's: "../" steps out of the kit's folder.
bool OnDouble(const Kit &kit, std::string path, std::string *full) {
  if (path.find('\\') != std::string::npos) return false;  // no Windows path can hold it
  std::string base = KitDir(kit);
  while (path.rfind("../", 0) == 0) {
    base = base.substr(0, base.rfind('\\'));
    if (base.size() < 3) base = kRoot;
    path = path.substr(3);
  }
  path = StagingName(path, std::to_string(fake::kProcessId));
  *full = path.empty() ? base : (base.back() == '\\' ? base : base + "\\") + Windows(path);
  return true;
}

bool LayEntry(const Kit &kit, const Entry &entry, std::string *error) {
  std::string path, target;
  if (!OnDouble(kit, entry.path, &path)) return *error = "no Windows path for " + entry.path, false;
  switch (entry.kind) {
    case kFile:
      fake::AddFile(path, ContentOf(entry.content), entry.readOnly);  // the double keeps no times
      break;
    case kDirectory:
      fake::AddDirectory(path);
      break;
    case kFifo:
      fake::AddFile(path, "");
      fake::Files()[path].special = true;
      break;
    case kLink:  // a link to a folder, as a junction is
      if (!OnDouble(kit, TargetInKit(entry), &target) || !fake::Files().count(target) ||
          !fake::Files()[target].directory)
        return *error = "the double links folders only: " + entry.path, false;
      fake::AddFolderLink(path, target);
      break;
    case kHardLink:
      return *error = "the double has no hard links: " + entry.path, false;
  }
  return true;
}

int OpOf(const std::string &name) {
  for (int op = 0; op < fake::kOpCount; ++op)
    if (name == fake::kOpNames[op]) return op;
  return -1;
}

bool LayOnDouble(const Kit &kit, size_t phase, std::string *error) {
  for (const Entry &entry : kit.phases[phase])
    if (!LayEntry(kit, entry, error)) return false;
  return true;
}

// Has each action done just before its call. What another process made or
// removed meanwhile counts as what stood there before the run (*done).
bool SetActions(const Kit &kit, std::vector<std::string> *done, std::string *error) {
  std::map<std::pair<int, int>, std::vector<const Action *>> byCall;
  for (const Action &action : kit.actions) {
    if (OpOf(action.op) < 0) return *error = "no call " + action.op, false;
    byCall[{OpOf(action.op), action.nth}].push_back(&action);
  }
  std::map<int, int> calls;
  for (const auto &call : byCall)
    if (++calls[call.first.first] > 1) return *error = "one action a call: " + kit.name, false;
  for (const auto &call : byCall) {
    const std::vector<const Action *> actions = call.second;
    fake::BeforeCall(static_cast<fake::Op>(call.first.first), call.first.second,
                     [&kit, actions, done] {
                       std::string ignored, path;
                       for (const Action *action : actions) {
                         if (action->remove && OnDouble(kit, action->entry.path, &path))
                           fake::Files().erase(path);
                         else if (!action->remove)
                           LayEntry(kit, action->entry, &ignored);
                         if (OnDouble(kit, action->entry.path, &path)) done->push_back(path);
                       }
                     });
  }
  return true;
}

std::string PathInSnapshot(const std::string &path) {
  std::string relative = path.substr(3);
  for (char &c : relative)
    if (c == '\\') c = '/';
  return relative;
}

Snapshot SnapshotDouble(const fake::Tree &files = fake::Files()) {
  Snapshot snapshot;
  for (const auto &entry : files) {
    if (entry.first.size() <= 3) continue;
    const std::string path = PathInSnapshot(entry.first);
    Node node;
    node.kind = entry.second.directory ? kDirectory : entry.second.special ? kFifo : kFile;
    node.hash = node.kind == kFile ? HashOf(entry.second.content) : 0;
    node.readOnly = entry.second.readOnly;
    snapshot[path] = node;
  }
  return snapshot;
}

// Another process's doing is no doing of the run's: what it made or
// removed by `after` counts as what stood there before.
void CountAsBefore(const std::vector<std::string> &done, Run *run) {
  for (const std::string &path : done) {
    const std::string name = PathInSnapshot(path);
    auto made = run->after.find(name);
    if (made == run->after.end())
      run->before.erase(name);
    else
      run->before[name] = made->second;
  }
}

// Lays out the kit afresh, then runs each phase, calling `judge` on each
// run, and with `cuts` also on what the disk holds at each instant a power
// cut could strike; false with *error when the kit cannot be laid out here.
template <typename Judge>
bool Play(const Kit &kit, const Fail *extra, Judge judge, std::string *error, bool cuts = false) {
  std::string commandLine = "\"" + KitDir(kit) + "\\" + kit.program + "\"";
  for (const std::string &arg : kit.args) commandLine += " " + arg;
  if (kit.args.empty()) commandLine += " ";
  fake::Reset(KitDir(kit), commandLine);
  if (kit.caseSensitive) fake::MakeCaseSensitive(KitDir(kit));
  fake::SetCodePage(kit.codePage);
  std::vector<Fail> fails = kit.fails;
  if (extra != nullptr) fails.push_back(*extra);
  for (const Fail &fail : fails) {
    if (OpOf(fail.op) < 0) return *error = "no call " + fail.op, false;
    fake::FailCall(static_cast<fake::Op>(OpOf(fail.op)), fail.nth, ErrorCode(fail.error),
                   fail.count);
  }
  std::vector<std::string> done;
  if (!SetActions(kit, &done, error)) return false;
  for (size_t phase = 0; phase < kit.phases.size(); ++phase) {
    if (!LayOnDouble(kit, phase, error)) return false;
    Run run;
    run.before = SnapshotDouble();
    const size_t boxes = fake::Boxes().size();
    int callsBefore[fake::kOpCount];
    for (int op = 0; op < fake::kOpCount; ++op)
      callsBefore[op] = fake::Calls(static_cast<fake::Op>(op));
    done.clear();
    const std::string which =
        kit.phases.size() > 1 ? "run " + std::to_string(phase + 1) + ": " : "";
    int cut = 0;
    const auto judgeCut = [&] {
      Run atCut;
      atCut.cut = true;
      atCut.before = run.before;
      atCut.after = SnapshotDouble(fake::Durable());
      CountAsBefore(done, &atCut);
      judge(atCut, which + "power cut " + std::to_string(++cut) + ": ");
    };
    if (cuts) fake::BeforeEachChange(judgeCut);
    run.status = RunInstaller();
    fake::BeforeEachChange(nullptr);
    if (cuts) judgeCut();
    run.after = SnapshotDouble();
    run.handlesLeftOpen = fake::OpenHandles();
    CountAsBefore(done, &run);
    run.boxShown = fake::Boxes().size() > boxes;
    if (run.boxShown) {
      run.text = fake::AnsiToUtf8(fake::Boxes().back().text);
      run.caption = fake::AnsiToUtf8(fake::Boxes().back().caption);
      run.style = static_cast<int>(fake::Boxes().back().style);
    }
    // The calls of this run alone, as the Wine runner counts them.
    run.callsCounted = true;
    for (int op = 0; op < fake::kOpCount; ++op)
      run.calls[fake::kOpNames[op]] = fake::Calls(static_cast<fake::Op>(op)) - callsBefore[op];
    if (!cuts) judge(run, which);
  }
  return true;
}

}  // namespace

std::string DoubleKitFolder(const Kit &kit) {
  return kit.folderLength > 0 ? std::string(kit.folderLength - 3, 'k') : kit.folder;
}

ErrorTexts DoubleErrorTexts() {
  ErrorTexts texts;
  for (const auto &code : ErrorCodes()) {
    const std::string text = fake::SystemText(code.second);
    if (!text.empty()) texts[code.second] = text;
  }
  return texts;
}

std::vector<std::string> RunOnDouble(const Kit &kit, std::string *outcome) {
  std::vector<std::string> problems;
  std::string error;
  const ErrorTexts errors = DoubleErrorTexts();
  const bool played = Play(
      kit, nullptr,
      [&](const Run &run, const std::string &which) {
        for (const std::string &problem : Judge(kit, "double", DoubleKitFolder(kit), run, errors))
          problems.push_back(which + problem);
        if (outcome != nullptr)
          *outcome = OutcomeOf(kit, "double", DoubleKitFolder(kit), run, errors);
      },
      &error);
  if (!played) problems.push_back(error);
  return problems;
}

std::vector<std::string> RunPowerCuts(const Kit &kit, int *cuts) {
  std::vector<std::string> problems;
  std::string error;
  const ErrorTexts errors = DoubleErrorTexts();
  const bool played = Play(
      kit, nullptr,
      [&](const Run &run, const std::string &which) {
        ++*cuts;
        for (const std::string &problem : Judge(kit, "double", DoubleKitFolder(kit), run, errors))
          problems.push_back(which + problem);
      },
      &error, true);
  if (!played) problems.push_back(error);
  return problems;
}

std::vector<std::string> RunFaultMatrix(const Kit &kit, int *runs, std::vector<bool> *called) {
  std::vector<std::string> problems;
  std::string error;
  int calls[fake::kOpCount] = {};
  Play(
      kit, nullptr, [&](const Run &, const std::string &) {}, &error);
  for (int op = 0; op < fake::kOpCount; ++op) {
    calls[op] = fake::Calls(static_cast<fake::Op>(op));
    if (calls[op] > 0) (*called)[op] = true;
  }
  const ErrorTexts errors = DoubleErrorTexts();
  for (int op = 0; op < fake::kOpCount; ++op) {
    for (int nth = 1; nth <= calls[op]; ++nth) {
      const Fail fail{fake::kOpNames[op], nth, std::to_string(fake::kInjectedError), 1};
      const std::string which =
          std::string(fake::kOpNames[op]) + " call " + std::to_string(nth) + " fails: ";
      Play(
          kit, &fail,
          [&](const Run &run, const std::string &phase) {
            const Fault fault{fake::kOpNames[op], fake::kInjectedError, fake::RecordAtFailure()};
            for (const std::string &problem :
                 Judge(kit, "double", DoubleKitFolder(kit), run, errors, &fault))
              problems.push_back(which + phase + problem);
          },
          &error);
      ++*runs;
    }
  }
  if (!error.empty()) problems.push_back(error);
  return problems;
}

}  // namespace kits
