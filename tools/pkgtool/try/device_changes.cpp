#include "try/device_changes.h"

#include <algorithm>

namespace pkgtool {

namespace {

const RegistryValue* FindValue(const std::vector<RegistryValue>& values, const std::string& name) {
  const auto found = std::find_if(values.begin(), values.end(),
                                  [&](const RegistryValue& value) { return value.name == name; });
  return found == values.end() ? nullptr : &*found;
}

void CompareFolders(const DeviceSnapshot& before, const DeviceSnapshot& after,
                    DeviceChanges& changes) {
  std::set_difference(after.folders.begin(), after.folders.end(), before.folders.begin(),
                      before.folders.end(), std::back_inserter(changes.foldersCreated));
  std::set_difference(before.folders.begin(), before.folders.end(), after.folders.begin(),
                      after.folders.end(), std::back_inserter(changes.foldersDeleted));
}

void CompareFiles(const DeviceSnapshot& before, const DeviceSnapshot& after,
                  DeviceChanges& changes) {
  for (const auto& [path, state] : after.files) {
    const auto old = before.files.find(path);
    if (old == before.files.end()) {
      changes.files.push_back({FileChange::Kind::kCreated, path, state.size});
    } else if (old->second.size != state.size || old->second.digest != state.digest ||
               old->second.modified != state.modified) {
      changes.files.push_back({FileChange::Kind::kWritten, path, state.size});
    }
  }
  for (const auto& [path, state] : before.files) {
    if (after.files.count(path) == 0)
      changes.files.push_back({FileChange::Kind::kDeleted, path, state.size});
  }
  std::stable_sort(changes.files.begin(), changes.files.end(),
                   [](const FileChange& a, const FileChange& b) { return a.path < b.path; });
}

void CompareRegistry(const DeviceSnapshot& before, const DeviceSnapshot& after,
                     DeviceChanges& changes) {
  for (const auto& [key, values] : after.registry) {
    const auto old = before.registry.find(key);
    KeyChange change{key, old == before.registry.end(), false, {}};
    for (const RegistryValue& value : values) {
      const RegistryValue* previous = change.created ? nullptr : FindValue(old->second, value.name);
      if (previous == nullptr) {
        change.values.push_back({value.line, ""});
      } else if (previous->line != value.line) {
        change.values.push_back({value.line, previous->line});
      }
    }
    if (!change.created) {
      for (const RegistryValue& value : old->second) {
        if (FindValue(values, value.name) == nullptr)
          change.values.push_back({value.name + "=-", ""});
      }
    }
    if (change.created || !change.values.empty()) changes.registry.push_back(std::move(change));
  }
  for (const auto& [key, values] : before.registry) {
    if (after.registry.count(key) == 0) changes.registry.push_back({key, false, true, {}});
  }
  std::stable_sort(changes.registry.begin(), changes.registry.end(),
                   [](const KeyChange& a, const KeyChange& b) { return a.key < b.key; });
}

}  // namespace

DeviceChanges CompareSnapshots(const DeviceSnapshot& before, const DeviceSnapshot& after) {
  DeviceChanges changes;
  CompareFolders(before, after, changes);
  CompareFiles(before, after, changes);
  CompareRegistry(before, after, changes);
  return changes;
}

std::string RegistryText(const std::vector<KeyChange>& changes) {
  std::string text;
  for (const KeyChange& change : changes) {
    if (change.deleted) {
      text += "[-" + change.key + "]\n";
      continue;
    }
    text += "[" + change.key + "]\n";
    for (const ValueChange& value : change.values) {
      if (!value.before.empty()) text += "; was: " + value.before + "\n";
      text += value.line + "\n";
    }
  }
  return text;
}

}  // namespace pkgtool
