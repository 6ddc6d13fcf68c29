// PackageView: a package file on the host, opened with the system's own reader.
//
// The file is placed on a scratch device under the name the updater would open it by
// and read there by ResourcePackage - a ".gz" file expanded first with the updater's own
// gzip expansion - so that what the tools show is what the updater sees.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "package/resource_package.h"
#include "scratch_device.h"

namespace pkgtool {

// The name the updater opens a delivered file by: the file name without its last
// extension when it ends in ".gz" (any letter case), the file name itself otherwise.
std::string OpeningName(const std::string& hostPath);

// A delivered name without its ".gz" (any letter case), as `--as` takes it.
std::string WithoutGz(const std::string& name);

class PackageView {
 public:
  // Opens `hostPath`, decoding names with the table of `asName` (the delivered name, with
  // or without ".gz"; OpeningName of the path when empty). Null with *error set when the
  // file cannot be read or expanded.
  static std::unique_ptr<PackageView> Open(const std::string& hostPath, const std::string& asName,
                                           std::string* error);

  // Opens the data of this package's entry `entryName` as a package of its own, named
  // `asName`: a nested product. Null with *error set (what is wrong with the data) when
  // it cannot be read.
  std::unique_ptr<PackageView> OpenEntry(const std::string& entryName, const std::string& asName,
                                         std::string* error);

  System::IO::ResourcePackage& package() { return *package_; }
  // The name the package was opened by, UTF-8.
  const std::string& name() const { return name_; }
  // True when the file was gzip data (not a plain package copied through).
  bool compressed() const { return compressed_; }
  // The host file opened.
  const std::string& hostPath() const { return hostPath_; }

  // False with *error set (one line) when the package does not hold the entries its
  // header announces - it is cut short or damaged - or is no package at all. The reader
  // takes such a file for an empty package; a package made without entries is whole.
  bool Whole(std::string* error) const;

 private:
  PackageView() = default;

  std::unique_ptr<ScratchDevice> device_;
  std::unique_ptr<System::IO::ResourcePackage> package_;
  std::string name_;
  std::string hostPath_;
  bool compressed_ = false;
  // The package file's size and its header's entry count; -1 when shorter than a header.
  std::int64_t packageSize_ = 0;
  std::int64_t announcedEntries_ = -1;
  int entriesOpened_ = 0;
};

}  // namespace pkgtool
