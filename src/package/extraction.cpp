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
  EnsureFolder(GetDirectoryName(targetPath), checkedFolder);
  WriteEntry(package, entryName.data, targetPath);
}

FolderCheck EnsureFolder(const String& folder, String& checkedFolder) {
  if (folder.length > 0 && folder.Equals(checkedFolder.data)) return FolderCheck::kSameAsBefore;
  checkedFolder = folder;
  if (folder.length > 0 && PathExists(folder)) return FolderCheck::kExisted;
  CreateDirectories(folder);
  return FolderCheck::kCreated;
}

EntryWrite WriteEntry(System::IO::ResourcePackage& package, const char* entryName,
                      const String& path) {
  System::IO::PackageEntry* const entry = package.FindEntry(entryName);
  if (entry == nullptr) return EntryWrite::kNoSuchEntry;
  if (ce::fsetpos(entry->stream, &entry->dataPosition) != 0) return EntryWrite::kFailed;

  AnsiString narrowPath;
  narrowPath.AssignFromWide(path.data, path.length);
  if (narrowPath.data == nullptr) return EntryWrite::kFailed;
  ce::FILE* const file = ce::fopen(narrowPath.data, "w+b");
  if (file == nullptr) return EntryWrite::kFailed;

  // One block, no larger than the entry needs.
  const std::int32_t blockSize = entry->size < kCopyBlockSize ? entry->size : kCopyBlockSize;
  const auto block = std::make_unique_for_overwrite<char[]>(blockSize > 0 ? blockSize : 1);
  bool complete = true;
  for (std::int32_t remaining = entry->size; remaining > 0 && complete;) {
    const std::int32_t size = remaining < kCopyBlockSize ? remaining : kCopyBlockSize;
    complete = ce::fread(block.get(), static_cast<std::size_t>(size), 1, entry->stream) == 1 &&
               ce::fwrite(block.get(), static_cast<std::size_t>(size), 1, file) == 1;
    remaining -= size;
  }
  // Buffered data reaches the file on closing: a failure there is a short write too.
  if (ce::fclose(file) != 0) complete = false;
  return complete ? EntryWrite::kWritten : EntryWrite::kFailed;
}

std::int32_t ListFiles(const String& folder, const String& pattern,
                       System::Text::StringBuilder& list, bool skipHidden) {
  return FindFiles(CombinePath(folder, pattern), list, skipHidden);
}
