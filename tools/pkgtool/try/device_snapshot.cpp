#include "try/device_snapshot.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device.h"
#include "journal.h"
#include "reg_file.h"

namespace pkgtool {

namespace fs = std::filesystem;

namespace {

// FNV-1a over the file's bytes; false when it cannot be read.
bool Digest(const fs::path& path, std::uint64_t* digest) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::uint64_t hash = 14695981039346656037ull;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
    }
  }
  *digest = hash;
  return !in.bad();
}

std::string DevicePath(const fs::path& relative) {
  std::string path;
  for (const fs::path& part : relative) path += "\\" + part.string();
  return path;
}

bool WalkFiles(const std::string& deviceDir, const std::string& skipFolder,
               DeviceSnapshot* snapshot, std::string* error) {
  const fs::path root = fs::path(deviceDir) / "fs";
  std::error_code failure;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, failure);
  for (; !failure && it != fs::recursive_directory_iterator(); it.increment(failure)) {
    const fs::path relative = it->path().lexically_relative(root);
    if (it.depth() == 0 && !skipFolder.empty() && relative.string() == skipFolder) {
      it.disable_recursion_pending();
      continue;
    }
    struct stat info {};
    if (::lstat(it->path().c_str(), &info) != 0) continue;  // gone meanwhile
    if (S_ISDIR(info.st_mode)) {
      snapshot->folders.insert(DevicePath(relative));
    } else if (S_ISREG(info.st_mode)) {
      FileState state;
      state.size = static_cast<std::uint64_t>(info.st_size);
      state.modified =
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
      if (!Digest(it->path(), &state.digest)) {
        *error = it->path().string() + ": cannot be read";
        return false;
      }
      snapshot->files.emplace(DevicePath(relative), state);
    }
  }
  if (failure) {
    *error = root.string() + ": " + failure.message();
    return false;
  }
  return true;
}

// The name part of a value line: "@" or the quoted name with its escapes.
std::string ValueName(const std::string& line) {
  if (line.starts_with("@")) return "@";
  for (std::size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '"') {
      return line.substr(0, i + 1);
    }
  }
  return line;
}

}  // namespace

std::map<std::string, std::vector<RegistryValue>> ParseRegistryExport(const std::string& text) {
  std::map<std::string, std::vector<RegistryValue>> keys;
  std::istringstream lines(text);
  std::string line;
  std::vector<RegistryValue>* current = nullptr;
  bool continued = false;
  while (std::getline(lines, line)) {
    if (continued && current != nullptr && !current->empty()) {
      current->back().line += "\n" + line;
      continued = line.ends_with("\\");
      continue;
    }
    continued = false;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      current = &keys[line.substr(1, line.size() - 2)];
    } else if (current != nullptr && (line.starts_with("\"") || line.starts_with("@"))) {
      current->push_back({ValueName(line), line});
      continued = line.ends_with("\\");
    }
  }
  return keys;
}

bool TakeSnapshot(const std::string& deviceDir, const std::string& skipFolder,
                  DeviceSnapshot* snapshot, std::string* error) {
  *snapshot = DeviceSnapshot();
  if (!WalkFiles(deviceDir, skipFolder, snapshot, error)) return false;
  emu::Device& device = *emu::CurrentDevice();
  std::string exported;
  if (const emu::Status status = emu::ExportRegistry(device, u"", &exported); !status.ok()) {
    *error = "registry: " + status.message();
    return false;
  }
  snapshot->registry = ParseRegistryExport(exported);
  std::vector<emu::JournalEvent> events;
  if (const emu::Status status = emu::ReadEvents(device, 0, &events); !status.ok()) {
    *error = "journal: " + status.message();
    return false;
  }
  snapshot->lastEvent = events.empty() ? 0 : events.back().seq;
  return true;
}

}  // namespace pkgtool
