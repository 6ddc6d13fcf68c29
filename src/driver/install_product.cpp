#include "driver/install_product.h"

#include <memory>

#include "install/install_script.h"
#include "package/gzip_expansion.h"
#include "package/resource_package.h"
#include "system/ansi_string.h"

namespace {

// Install scripts are kilobytes; a product of 100,000 files has one of a few megabytes.
// A script over 16 MiB is not read, as if the package had none: its tree takes up to a
// hundred times its size in memory, and every level of nested installations keeps its
// own tree, so a small delivery that expands into a huge script must not be parsed.
constexpr std::int32_t kMaxScriptSize = 16 * 1024 * 1024;

AnsiString ReadScript(System::IO::ResourcePackage& package) {
  const System::IO::PackageEntry* entry = package.FindEntry("InstallScript.xml");
  if (entry == nullptr || entry->size > kMaxScriptSize) return AnsiString();
  return package.ReadEntry("InstallScript.xml");
}

}  // namespace

void InstallProduct(const String& deliveredPath) {
  const String packagePath = StripExtension(deliveredPath);
  if (ExpandGzipFile(deliveredPath, packagePath) == 0) {
    // A delivery that cannot be expanded (damaged, or a full disk) is kept for a later
    // attempt, and nothing of it is installed; a partial package is removed.
    if (!packagePath.Equals(deliveredPath.data)) DeleteFileW(packagePath.data);
    return;
  }
  DeleteFileW(deliveredPath.data);

  AnsiString narrowPackagePath;
  narrowPackagePath.AssignFromWide(packagePath.data, packagePath.length);
  auto package = std::make_unique<System::IO::ResourcePackage>(
      narrowPackagePath.data == nullptr ? "" : narrowPackagePath.data);
  const AnsiString scriptText = ReadScript(*package);
  {
    InstallScript script(scriptText, package.get());
    script.Run();
    // The package goes (closing its file) before its file is deleted and before the
    // script is torn down.
    package.reset();
    DeleteFileW(packagePath.data);
  }
}
