#include "scratch_device.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace pkgtool {

namespace fs = std::filesystem;

bool PlaceFile(const std::string& source, const std::string& destination, std::string* error) {
  std::error_code failure;
  fs::remove(destination, failure);
  if (::link(source.c_str(), destination.c_str()) == 0) return true;
  if (!fs::copy_file(source, destination, fs::copy_options::overwrite_existing, failure)) {
    *error = source + ": " + failure.message();
    return false;
  }
  return true;
}

}  // namespace pkgtool
