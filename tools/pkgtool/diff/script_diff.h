// DiffScripts: how a new install script differs from an old one, element by element.
//
// Both texts are read by the updater's own XML parser, so the trees compared are the
// ones the updater would run. Children of an element are matched by name and, where a
// product script gives them an identity, by it: a file entry by `name` and
// `destination`, an action by `event`, `type` and the attributes that say what it acts
// on (a registry value by `key` and `valueName`, a program by `target`, ...). Children
// without an identity, and several with the same identity, are matched in order. What
// has no match is added or removed with its whole subtree; a matched pair is changed
// when an attribute or the text differs, or when the matched children stand in another
// order (actions run in document order).
//
// Texts are Windows-1252 as on the device; the changes hold them as UTF-8. Deep trees
// are walked without recursion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diff/change.h"

namespace pkgtool {

// An attribute's value on one side: absent, written without a quoted value, or a text.
struct AttributeValue {
  enum class State : std::uint8_t { kAbsent, kWithoutValue, kText };
  State state = State::kAbsent;
  std::string text;

  bool operator==(const AttributeValue&) const = default;
};

struct AttributeChange {
  std::string name;  // a repeated attribute's later occurrences get "[2]", "[3]", ...
  AttributeValue before;
  AttributeValue after;
  bool inPath = false;  // an identifying attribute, already shown in the element's path
};

struct ElementChange {
  Change change = Change::kChanged;
  // The element's path from the document, "Actions/Action[event="Install.After"
  // type="App.Run" target="%AppPath%\Notes.exe"]", with "[N]" when it is the Nth of
  // several siblings that look alike.
  std::string path;
  // The attributes that differ; for an added or removed element, all of them.
  std::vector<AttributeChange> attributes;
  // The element's text on each side (nullopt: none), when it differs or for an added or
  // removed element that has one.
  bool textChanged = false;
  std::optional<std::string> oldText;
  std::optional<std::string> newText;
  bool reordered = false;  // the matched children stand in another order
};

// The changes in document order (a parent before its children); empty when the trees
// are the same. *complete is false when a tree could not be read whole (its parser ran
// out of memory).
std::vector<ElementChange> DiffScripts(std::string_view oldText, std::string_view newText,
                                       bool* complete);

}  // namespace pkgtool
