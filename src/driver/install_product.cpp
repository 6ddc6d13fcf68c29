#include "driver/install_product.h"

#include <memory>

#include "install/install_script.h"
#include "package/gzip_expansion.h"
#include "package/resource_package.h"
#include "system/ansi_string.h"

namespace {

AnsiString ReadScript(System::IO::ResourcePackage& package) {
  const System::IO::PackageEntry* entry = package.FindEntry("InstallScript.xml");
  if (entry == nullptr || entry->size > kMaxInstallScriptSize) return AnsiString();
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
