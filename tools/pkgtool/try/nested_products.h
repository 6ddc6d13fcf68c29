// Which nested products a run installed: the updater leaves no trace of a nested
// installation but its effects, so this follows the run's order through the scripts
// (each read as the updater reads it) and judges every "Product.Unpack" by the device
// before and after the run. A delivered file is installed when it was there when its
// action ran - on the device before, or written by a Files pass that had run - and is
// gone afterwards, since the updater deletes what it installs; one still there could
// not be expanded. Products installed from a package's own files are followed into,
// up to the updater's 16 levels.
#pragma once

#include <string>
#include <vector>

#include "package_view.h"
#include "try/device_snapshot.h"

namespace pkgtool {

struct NestedInstall {
  std::string path;  // the delivered file, as expanded, UTF-8
  int depth = 1;     // 1 for a product that the tried product unpacks
  bool installed = false;
  std::string note;  // where it came from, or why nothing was installed
};

std::vector<NestedInstall> FindNestedInstalls(PackageView& product, const DeviceSnapshot& before,
                                              const DeviceSnapshot& after);

}  // namespace pkgtool
