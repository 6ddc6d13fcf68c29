#include "driver/install_product.h"

#include <memory>

#include "install/install_script.h"
#include "package/gzip_expansion.h"
#include "package/resource_package.h"
#include "system/ansi_string.h"

namespace {

// Bytes of the install scripts loaded at this moment: an installation and the nested
// ones it runs share one budget, so that nesting cannot multiply it.
std::int64_t loadedScriptBytes = 0;

// Holds one script's share of the budget while its installation runs.
class ScriptBudget {
 public:
  // Takes `size` bytes if they fit beside the scripts already loaded.
  explicit ScriptBudget(std::int32_t size)
      : taken_(size >= 0 && loadedScriptBytes + size <= kMaxInstallScriptSize ? size : -1) {
    if (taken_ > 0) loadedScriptBytes += taken_;
  }
  ScriptBudget(const ScriptBudget&) = delete;
  ScriptBudget& operator=(const ScriptBudget&) = delete;
  ~ScriptBudget() {
    if (taken_ > 0) loadedScriptBytes -= taken_;
  }
  bool granted() const { return taken_ >= 0; }

 private:
  const std::int32_t taken_;
};

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
  // A script too large for what is left of the budget is not read: the package then
  // counts as one without a script.
  const System::IO::PackageEntry* scriptEntry = package->FindEntry("InstallScript.xml");
  const ScriptBudget budget(scriptEntry == nullptr ? 0 : scriptEntry->size);
  const AnsiString scriptText =
      budget.granted() ? package->ReadEntry("InstallScript.xml") : AnsiString();
  {
    InstallScript script(scriptText, package.get());
    script.Run();
    // The package goes (closing its file) before its file is deleted and before the
    // script is torn down.
    package.reset();
    DeleteFileW(packagePath.data);
  }
}
