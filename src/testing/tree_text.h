// Test support: a parsed tree as one short line, so that each expectation fits on one.
//
//   <a><b x="1" y="2"/><c>t</c></a>   gives   (a(b[x=1,y=2],c"t"))
//
// An element is its name, then its attributes in brackets (a valueless one as its bare
// name, an empty value as "x="), then its text in double quotes when it has one, then
// its children in parentheses. The root's null name prints as nothing. Bytes outside
// printable ASCII print as \xNN.
#pragma once

#include <string>
#include <string_view>

class XmlNode;

std::string TreeText(XmlNode& node);

// Parses `text` under a fresh root and returns TreeText of the root. The text lies in a
// buffer of exactly its own size, without the terminating zero, so that the sanitizer
// build catches any read past its end.
std::string Parsed(std::string_view text);
