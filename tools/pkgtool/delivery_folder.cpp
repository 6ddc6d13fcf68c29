#include "delivery_folder.h"

#include <sys/xattr.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "ce_path.h"
#include "dos_attributes.h"
#include "name_compare.h"

namespace pkgtool {

namespace fs = std::filesystem;

namespace {

// The stored attribute bits of a host file, as the device reads them.
DWORD StoredAttributes(const fs::path& path) {
  char text[32] = {};
  const ssize_t size = ::lgetxattr(path.c_str(), "user.DOSATTRIB", text, sizeof text - 1);
  return size > 0 ? emu::ParseDosAttrib(std::string_view(text, static_cast<std::size_t>(size))) : 0;
}

}  // namespace

bool IsFolder(const std::string& hostPath) {
  std::error_code failure;
  return fs::is_directory(hostPath, failure);
}

bool ListDeliveries(const std::string& folder, std::vector<std::string>* deliveries,
                    std::string* error) {
  std::vector<std::pair<std::u16string, std::string>> found;  // device name, host path
  std::error_code failure;
  for (fs::directory_iterator it(folder, failure); !failure && it != fs::directory_iterator();
       it.increment(failure)) {
    std::u16string name;
    if (!emu::DeviceNameOf(it->path().filename().string(), &name) ||
        !emu::MatchesWildcard(u"*.gz", name) || !it->is_regular_file(failure) ||
        it->is_symlink(failure)) {
      continue;
    }
    const DWORD attributes = emu::AttributeWord(StoredAttributes(it->path()), false, name);
    if ((attributes & FILE_ATTRIBUTE_HIDDEN) != 0) continue;
    found.emplace_back(std::move(name), it->path().string());
  }
  if (failure) {
    *error = folder + ": " + failure.message();
    return false;
  }
  if (found.empty()) {
    *error = folder + ": no delivery (*.gz) in the folder";
    return false;
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return emu::LessIgnoringCase(a.first, b.first); });
  deliveries->clear();
  for (auto& [name, path] : found) deliveries->push_back(std::move(path));
  return true;
}

bool ExpandProducts(const std::vector<std::string>& arguments, std::vector<std::string>* products,
                    std::string* error) {
  products->clear();
  for (const std::string& argument : arguments) {
    if (!IsFolder(argument)) {
      products->push_back(argument);
      continue;
    }
    std::vector<std::string> deliveries;
    if (!ListDeliveries(argument, &deliveries, error)) return false;
    products->insert(products->end(), deliveries.begin(), deliveries.end());
  }
  return true;
}

}  // namespace pkgtool
