#include "driver/install_product.h"

#include <memory>

#include "driver/delivery.h"
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

// Opens the package at `packagePath`, runs its install script and deletes the package
// file. True when the product's files were put in place.
bool RunPackage(const String& packagePath) {
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
  InstallScript script(scriptText, package.get());
  const bool installed = script.Run();
  // The package goes (closing its file) before its file is deleted and before the
  // script is torn down.
  package.reset();
  DeleteFileW(packagePath.data);
  return installed;
}

// Expands `delivery` into the package file; when that fails, a package file that this
// expansion wrote is removed (a file that was there and was never opened stays).
bool Expand(const String& delivery, const String& packagePath) {
  bool opened = false;
  if (ExpandGzipFile(delivery, packagePath, &opened) != 0) return true;
  if (opened) DeleteFileW(packagePath.data);
  return false;
}

// Renames `from` to `to`, replacing a file that an earlier run left there.
bool SetAside(const String& from, const String& to) {
  if (MoveFileW(from.data, to.data)) return true;
  const DWORD error = GetLastError();
  return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) &&
         DeleteAndRenameFile(to.data, from.data);
}

}  // namespace

void InstallProduct(const String& deliveredPath) {
  const String packagePath = StripExtension(deliveredPath);
  if (!Expand(deliveredPath, packagePath)) return;  // kept for a later run
  // Set aside rather than deleted, so that an installation that does not finish keeps
  // its delivery for one more attempt; where it cannot be, it is deleted as before.
  const String setAside = SetAsidePath(deliveredPath, 1);
  const bool keptAside = SetAside(deliveredPath, setAside);
  if (!keptAside) DeleteFileW(deliveredPath.data);
  if (RunPackage(packagePath) && keptAside) DeleteFileW(setAside.data);
}

void RetryProduct(const String& setAsidePath) {
  const String deliveredPath = StripExtension(setAsidePath);
  const String packagePath = StripExtension(deliveredPath);
  // Marked as the last attempt before it begins: should this one not end either (a
  // product that resets the device), the next run discards it.
  const String lastAttempt = SetAsidePath(deliveredPath, 2);
  if (!SetAside(setAsidePath, lastAttempt)) {
    DeleteFileW(setAsidePath.data);
    return;
  }
  if (Expand(lastAttempt, packagePath)) RunPackage(packagePath);
  DeleteFileW(lastAttempt.data);
}

void DiscardProduct(const String& setAsidePath) {
  DeleteFileW(StripExtension(StripExtension(setAsidePath)).data);
  DeleteFileW(setAsidePath.data);
}
