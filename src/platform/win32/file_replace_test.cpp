#include "platform/ce.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cctype>
#include <functional>
#include <optional>
#include <string>

#include "testing/win32/programs.h"
#include "testing/win32/temp_drive.h"

namespace {

// \Temp as the tests leave it before each call.
constexpr char kUntouched[] = "Folder\\ New.tmp=new Target.bin=old";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class FileReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override { Lay(); }

  // A fresh drive whose \Temp is kUntouched.
  void Lay() {
    drive_.reset();
    drive_.emplace();
    drive_->WriteFile(L"\\Temp\\Target.bin", "old");
    drive_->WriteFile(L"\\Temp\\New.tmp", "new");
    drive_->MakeFolders(L"\\Temp\\Folder");
  }

  // Every entry below `folder`, in name order: "name=content" for a file, "name\" for a
  // folder, followed by its own entries.
  std::string Tree(const std::wstring& folder = L"\\Temp") const {
    std::string tree;
    for (const std::wstring& name : drive_->List(folder)) {
      const std::wstring path = folder + L"\\" + name;
      const std::string prefix = test::Utf8(path.substr(sizeof "\\Temp"));
      tree += tree.empty() ? "" : " ";
      if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
        const std::string inside = Tree(path);
        tree += prefix + "\\" + (inside.empty() ? "" : " " + inside);
      } else {
        tree += prefix + "=" + drive_->ReadFile(path);
      }
    }
    return tree;
  }

  std::optional<test::TempDrive> drive_;
};

TEST_F(FileReplaceTest, TheDestinationTakesTheContentAndKeepsItsAttributes) {
  struct Case {
    const wchar_t* source;
    DWORD destinationAttributes;
    DWORD sourceAttributes;
  };
  for (const Case& row : {
           Case{L"\\Temp\\New.tmp", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_ARCHIVE},
           Case{L"\\Temp\\Folder\\New.tmp", FILE_ATTRIBUTE_ARCHIVE,
                FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
       }) {
    SCOPED_TRACE(test::Utf8(row.source));
    Lay();
    drive_->WriteFile(row.source, "new");
    ASSERT_TRUE(SetFileAttributesW(L"\\Temp\\Target.bin", row.destinationAttributes));
    ASSERT_TRUE(SetFileAttributesW(row.source, row.sourceAttributes));
    // Wine gives every file the archive bit: the word as read before counts.
    const DWORD attributes = GetFileAttributesW(L"\\Temp\\Target.bin");
    ASSERT_NE(attributes, GetFileAttributesW(row.source));
    EXPECT_TRUE(DeleteAndRenameFile(L"\\Temp\\Target.bin", row.source));
    EXPECT_EQ(drive_->ReadFile(L"\\Temp\\Target.bin"), "new");
    EXPECT_FALSE(drive_->Exists(row.source));
    EXPECT_EQ(GetFileAttributesW(L"\\Temp\\Target.bin"), attributes);
  }
}

TEST_F(FileReplaceTest, AFailedReplacementChangesNothing) {
  struct Case {
    const wchar_t* destination;
    const wchar_t* source;
    DWORD error;
    DWORD targetAttributes = FILE_ATTRIBUTE_NORMAL;  // of \Temp\Target.bin
  };
  for (const Case& row : {
           Case{L"\\Temp\\Missing.bin", L"\\Temp\\New.tmp", ERROR_FILE_NOT_FOUND},
           Case{L"\\Temp\\Target.bin", L"\\Temp\\Missing.tmp", ERROR_FILE_NOT_FOUND},
           Case{L"\\Temp\\Folder", L"\\Temp\\New.tmp", ERROR_FILE_NOT_FOUND},
           Case{L"\\Temp\\Target.bin", L"\\Temp\\Folder", ERROR_FILE_NOT_FOUND},
           Case{L"\\Temp\\Missing\\Target.bin", L"\\Temp\\New.tmp", ERROR_FILE_NOT_FOUND},
           Case{L"\\Temp\\Target.bin", L"\\TEMP\\.\\target.BIN", ERROR_ACCESS_DENIED},
           Case{L"\\Temp\\Target.bin", L"\\Temp\\New.tmp", ERROR_ACCESS_DENIED,
                FILE_ATTRIBUTE_READONLY},
       }) {
    SCOPED_TRACE(test::Utf8(std::wstring(row.destination) + L" <- " + row.source));
    Lay();
    ASSERT_TRUE(SetFileAttributesW(L"\\Temp\\Target.bin", row.targetAttributes));
    EXPECT_FALSE(DeleteAndRenameFile(row.destination, row.source));
    EXPECT_EQ(GetLastError(), row.error);
    EXPECT_EQ(Tree(), kUntouched);
  }
}

TEST_F(FileReplaceTest, MoveFileRenamesButNeverOverAnotherEntry) {
  struct Case {
    const wchar_t* existing;
    const wchar_t* renamed;
    DWORD error;  // ERROR_SUCCESS: the rename succeeds
    const char* tree;
  };
  for (const Case& row : {
           Case{L"\\Temp\\Target.bin", L"\\Temp\\Folder\\Moved.bin", ERROR_SUCCESS,
                "Folder\\ Folder\\Moved.bin=old New.tmp=new"},
           Case{L"\\Temp\\Target.bin", L"\\Temp\\TARGET.BIN", ERROR_SUCCESS,
                "Folder\\ New.tmp=new TARGET.BIN=old"},
           Case{L"\\Temp\\Folder", L"\\Temp\\Renamed", ERROR_SUCCESS,
                "New.tmp=new Renamed\\ Target.bin=old"},
           Case{L"\\Temp\\Target.bin", L"\\Temp\\New.tmp", ERROR_ALREADY_EXISTS, kUntouched},
           Case{L"\\Temp\\Target.bin", L"\\temp\\NEW.TMP", ERROR_ALREADY_EXISTS, kUntouched},
           Case{L"\\Temp\\Missing.bin", L"\\Temp\\Other.bin", ERROR_FILE_NOT_FOUND, kUntouched},
           Case{L"\\Temp\\Target.bin", L"\\Temp\\Missing\\Target.bin", ERROR_PATH_NOT_FOUND,
                kUntouched},
       }) {
    SCOPED_TRACE(test::Utf8(std::wstring(row.existing) + L" -> " + row.renamed));
    Lay();
    if (row.error == ERROR_SUCCESS) {
      EXPECT_TRUE(MoveFileW(row.existing, row.renamed));
    } else {
      EXPECT_FALSE(MoveFileW(row.existing, row.renamed));
      EXPECT_EQ(GetLastError(), row.error);
    }
    // After a rename to another case of its own name, Windows shows the new case and
    // Wine the old one: names are compared without regard to case.
    EXPECT_EQ(Lower(Tree()), Lower(row.tree));
  }
}

// Opens the file with ce::fopen and closes it at once; false when it cannot be opened.
bool Opens(const char* path, const char* mode) {
  ce::FILE* const file = ce::fopen(path, mode);
  if (file == nullptr) return false;
  ce::fclose(file);
  return true;
}

TEST_F(FileReplaceTest, AFileOpenInThisProcessIsNeitherWrittenNorDeletedNorReplaced) {
  struct Refusal {
    const char* what;
    std::function<bool()> attempt;
    DWORD error;
  };
  const Refusal refusals[] = {
      {"w+b, a trailing dot folder", [] { return Opens("\\Temp\\Target.bin\\.", "w+b"); },
       ERROR_SHARING_VIOLATION},
      {"wb, another case", [] { return Opens("\\TEMP\\target.BIN", "wb"); },
       ERROR_SHARING_VIOLATION},
      {"r+b, through ..", [] { return Opens("\\Temp\\Folder\\..\\Target.bin", "r+b"); },
       ERROR_SHARING_VIOLATION},
      {"deleted", [] { return DeleteFileW(L"\\temp\\TARGET.BIN") != FALSE; },
       ERROR_SHARING_VIOLATION},
      {"renamed", [] { return MoveFileW(L"\\Temp\\.\\Target.bin", L"\\Temp\\Moved.bin") != FALSE; },
       ERROR_SHARING_VIOLATION},
      {"replaced",
       [] { return DeleteAndRenameFile(L"\\Temp\\target.bin", L"\\Temp\\New.tmp") != FALSE; },
       ERROR_SHARING_VIOLATION},
      {"moved over another file",
       [] { return DeleteAndRenameFile(L"\\Temp\\New.tmp", L"\\Temp\\TARGET.bin") != FALSE; },
       ERROR_SHARING_VIOLATION},
  };
  const auto expectRefused = [&] {
    for (const Refusal& row : refusals) {
      SCOPED_TRACE(row.what);
      EXPECT_FALSE(row.attempt());
      EXPECT_EQ(GetLastError(), row.error);
    }
  };

  for (const char* mode : {"rb", "r+b"}) {
    SCOPED_TRACE(mode);
    ce::FILE* const file = ce::fopen("\\Temp\\Target.bin", mode);
    ASSERT_NE(file, nullptr);
    expectRefused();
    // A reader may join a reader, not a writer (it would deny the writer its writing).
    EXPECT_EQ(Opens("\\temp\\target.bin", "rb"), mode == std::string("rb"));
    char content[8] = {};
    EXPECT_EQ(ce::fread(content, 1, sizeof content, file), 3u);
    EXPECT_EQ(std::string(content), "old");
    ce::fclose(file);
    EXPECT_EQ(Tree(), kUntouched);
  }

  SCOPED_TRACE("gzopen");
  const gzFile file = ce::gzopen("\\Temp\\Target.bin", "rb");
  ASSERT_NE(file, nullptr);
  expectRefused();
  EXPECT_TRUE(Opens("\\temp\\target.bin", "rb"));
  gzclose(file);
  EXPECT_EQ(Tree(), kUntouched);
}

}  // namespace
