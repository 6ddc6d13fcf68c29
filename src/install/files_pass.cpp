// The Files pass: every listed entry that the package holds is staged beside its target,
// then all are put in place; a target is never missing or partly written.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "install/install_script.h"
#include "install/script_words.h"
#include "package/extraction.h"
#include "package/staging.h"
#include "system/path.h"

namespace {

// What the staging sweep did with an entry.
enum class Staged : std::uint8_t { kNo, kNewFile, kReplacement };

// Folders of the pass whose staging leftovers are gone, by a hash of their path: a
// collision only leaves leftovers for another pass to remove.
class CleanedFolders {
 public:
  // True the first time `folder` is seen.
  bool Add(const String& folder) {
    const std::u16string_view units(reinterpret_cast<const char16_t*>(folder.data),
                                    static_cast<std::size_t>(folder.length));
    return hashes_.insert(std::hash<std::u16string_view>{}(units)).second;
  }

 private:
  std::unordered_set<std::size_t> hashes_;
};

// The targets of the Files entries, the expanded destination of a run of entries with
// one destination worked out once. ExpandPath of the joined path is the expanded
// destination and its separator followed by the name whenever the name holds no byte of
// a macro ('%', '{', '}'): no replacement can then reach into the name.
class FileTargets {
 public:
  explicit FileTargets(const InstallScript& script) : script_(script) {}

  // The target of the Files element `file`; `*name` receives its entry name.
  String Of(XmlNode& file, AnsiString* name) {
    name->AssignCString(file.GetAttribute(script_words::kName));
    if (name->length == 0 || std::strpbrk(name->data, "%{}") != nullptr) {
      return script_.FileTarget(file, name);
    }
    const char* destination = file.GetAttribute(script_words::kDestination);
    if (destination == nullptr || *destination == 0) destination = script_words::kAppPathMacro;
    if (!destination_.Equals(destination)) {
      destination_.AssignCString(destination);
      String joined;
      joined.AssignFromAnsi(destination_.data, destination_.length);
      if (!joined.EndsWith(TEXT("\\"))) joined.Append(TEXT("\\"));
      prefix_ = script_.ExpandPath(joined);
    }
    // CombinePath drops one leading backslash of the name.
    const std::int32_t skip = name->data[0] == '\\' ? 1 : 0;
    String wideName;
    wideName.AssignFromAnsi(name->data + skip, name->length - skip);
    String target(prefix_);
    target.Append(wideName);
    return target;
  }

 private:
  const InstallScript& script_;
  AnsiString destination_;  // as written; the null string before the first entry
  String prefix_;           // its expansion, with the separator
};

}  // namespace

String InstallScript::FileTarget(XmlNode& file, AnsiString* name) const {
  name->AssignCString(file.GetAttribute(script_words::kName));
  AnsiString destination(file.GetAttribute(script_words::kDestination));
  if (destination.length == 0) destination.AssignCString(script_words::kAppPathMacro);
  String wideName;
  wideName.AssignFromAnsi(name->data, name->length);
  String wideDestination;
  wideDestination.AssignFromAnsi(destination.data, destination.length);
  // "%AppPath%" is replaced after the join, so the join sees the macro, not the folder.
  return ExpandPath(CombinePath(wideDestination, wideName));
}

bool InstallScript::RunFilesPass() {
  if (filesNode_ == nullptr) return true;
  const std::int32_t count = filesNode_->children.Count();
  std::vector<Staged> staged(static_cast<std::size_t>(count), Staged::kNo);
  FileTargets targets(*this);

  // First every entry is written beside its target.
  String checkedFolder;
  CleanedFolders cleaned;
  bool allStaged = true;
  for (std::int32_t i = 0; i < count; ++i) {
    AnsiString name;
    const String target = targets.Of(*filesNode_->children.ItemAt(i), &name);
    const String folder = GetDirectoryName(target);
    const FolderCheck check = EnsureFolder(folder, checkedFolder);
    if (check != FolderCheck::kSameAsBefore && cleaned.Add(folder) &&
        check == FolderCheck::kExisted) {
      RemoveStagingLeftovers(folder);
    }
    // An entry the package does not hold is skipped, as ever; so is an empty name, which
    // names no file even where the package holds an entry without a name.
    if (name.length == 0 || package_->FindEntry(name.data) == nullptr) {
      Observe(name, target, FileOutcome::kNotInPackage);
      continue;
    }
    const StagingTarget found = InspectTarget(target);
    const String staging = StagingPath(target, i);
    if (found == StagingTarget::kNotReplaceable ||
        WriteEntry(*package_, name.data, staging) != EntryWrite::kWritten) {
      DeleteFileW(staging.data);
      Observe(name, target, FileOutcome::kNotWritten);
      allStaged = false;
      break;
    }
    staged[static_cast<std::size_t>(i)] =
        found == StagingTarget::kAbsent ? Staged::kNewFile : Staged::kReplacement;
  }
  if (!allStaged) {
    // Nothing is replaced: the staged files go, every old file stays as it was.
    for (std::int32_t i = 0; i < count; ++i) {
      if (staged[static_cast<std::size_t>(i)] == Staged::kNo) continue;
      AnsiString name;
      const String target = targets.Of(*filesNode_->children.ItemAt(i), &name);
      DeleteFileW(StagingPath(target, i).data);
      Observe(name, target, FileOutcome::kDiscarded);
    }
    return false;
  }

  // Then each is put in place in one step.
  bool allPlaced = true;
  for (std::int32_t i = 0; i < count; ++i) {
    const Staged state = staged[static_cast<std::size_t>(i)];
    if (state == Staged::kNo) continue;
    AnsiString name;
    const String target = targets.Of(*filesNode_->children.ItemAt(i), &name);
    const String staging = StagingPath(target, i);
    if (PutInPlace(staging, target, state == Staged::kReplacement)) {
      Observe(name, target, FileOutcome::kPlaced);
    } else {
      DeleteFileW(staging.data);
      Observe(name, target, FileOutcome::kNotPlaced);
      allPlaced = false;
    }
  }
  return allPlaced;
}
