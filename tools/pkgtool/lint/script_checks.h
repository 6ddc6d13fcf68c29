// The checks of one install script, each adding what it finds to a list. They share the
// ParsedScript, which tells where things are and how the updater finds its sections.
#pragma once

#include <string>
#include <vector>

#include "lint/finding.h"
#include "lint/parsed_script.h"

namespace pkgtool {

// Missing and repeated sections, AppPath and Exe outside Installation, and elements the
// parser keeps open so that they take in what follows them (comments, declarations,
// unclosed tags), with the file entries and actions that are lost that way.
void CheckStructure(ParsedScript& script, Findings& findings);

// Attributes that the parser reads otherwise than XML does: spaces around "=", single-
// quoted or unquoted values, attributes without a value.
void CheckAttributeSyntax(ParsedScript& script, Findings& findings);

// Element and attribute names that nearly are known ones, and attributes that are not
// read where they stand.
void CheckNames(ParsedScript& script, Findings& findings);

// Events, action types, the attributes each type needs, registry keys and "dword"
// values, and the macros in the paths.
void CheckActions(ParsedScript& script, Findings& findings);

// One entry of the package around the script.
struct EntryInfo {
  std::string name;  // narrow
  bool scrambled = false;
};

// A nested product this script installs from its own package.
struct NestedPackage {
  std::string entryName;  // the package entry, narrow
  std::string fileName;   // the delivered file's name on the device, narrow
};

// File entries against the package's entries (in file order), paths the device cannot
// hold, "Product.Unpack" and the product's executable against what the package
// installs. Sets *nested to the products unpacked from this package's own files.
void CheckEntries(ParsedScript& script, const std::vector<EntryInfo>& entries, Findings& findings,
                  std::vector<NestedPackage>* nested);

// Non-ASCII bytes in a script that is UTF-8: the updater reads every byte as one
// Windows-1252 character.
void CheckEncoding(ParsedScript& script, Findings& findings);

}  // namespace pkgtool
