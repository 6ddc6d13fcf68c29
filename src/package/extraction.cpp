#include "package/extraction.h"

#include <memory>
#include <utility>

#include "platform/ce.h"
#include "system/path.h"

namespace {

constexpr std::int32_t kCopyBlockSize = 100000;

}  // namespace

std::int32_t CreateDirectories(const String& folder) {
  System::Text::StringBuilder levels;
  levels.Split(folder, u'\\');
  String path;
  path.Resize(0);
  for (std::int32_t i = 0; i < levels.Count(); ++i) {
    path.Append(TEXT("\\"));
    path.Append(*levels.ItemAt(i));
    CreateDirectoryW(path.data, nullptr);
  }
  return 1;
}

void ExtractEntry(System::IO::ResourcePackage& package, AnsiString entryName, String targetPath) {
  String checkedFolder;
  ExtractEntry(package, std::move(entryName), std::move(targetPath), checkedFolder);
}

void ExtractEntry(System::IO::ResourcePackage& package, AnsiString entryName, String targetPath,
                  String& checkedFolder) {
  const String folder = GetDirectoryName(targetPath);
  if (folder.length <= 0 || !folder.Equals(checkedFolder.data)) {
    if (folder.length <= 0 || !PathExists(folder)) CreateDirectories(folder);
    checkedFolder = folder;
  }

  System::IO::PackageEntry* const entry = package.FindEntry(entryName.data);
  if (entry == nullptr) return;
  if (ce::fsetpos(entry->stream, &entry->dataPosition) != 0) return;

  AnsiString narrowTarget;
  narrowTarget.AssignFromWide(targetPath.data, targetPath.length);
  if (narrowTarget.data == nullptr) return;
  ce::FILE* const target = ce::fopen(narrowTarget.data, "w+b");
  if (target == nullptr) return;

  // One block, no larger than the entry needs.
  const std::int32_t blockSize = entry->size < kCopyBlockSize ? entry->size : kCopyBlockSize;
  const auto block = std::make_unique_for_overwrite<char[]>(blockSize > 0 ? blockSize : 1);
  for (std::int32_t remaining = entry->size; remaining > 0;) {
    const std::int32_t size = remaining < kCopyBlockSize ? remaining : kCopyBlockSize;
    if (ce::fread(block.get(), static_cast<std::size_t>(size), 1, entry->stream) != 1) break;
    ce::fwrite(block.get(), static_cast<std::size_t>(size), 1, target);
    remaining -= size;
  }
  ce::fclose(target);
}

std::int32_t ListFiles(const String& folder, const String& pattern,
                       System::Text::StringBuilder& list, bool skipHidden) {
  return FindFiles(CombinePath(folder, pattern), list, skipHidden);
}
