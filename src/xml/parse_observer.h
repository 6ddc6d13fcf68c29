// XmlParseObserver: told, while XmlParser builds a tree, where in the text each element
// and each attribute begins, for tools that point at places in a script.
//
// The parser calls an observer only when one is set (XmlParser::Observe); the tree it
// builds is the same with or without one. The pointers given point into the text being
// parsed and are valid only during the call; the element and attribute are the ones just
// added to the tree and live as long as the tree.
#pragma once

#include "system/name_value_pair.h"

class XmlNode;

class XmlParseObserver {
 public:
  virtual ~XmlParseObserver() = default;

  // `element` has just been added with its name; `name` is the first byte of that name
  // in the text (the byte after "<", or after "</" for an end tag read as a start tag).
  virtual void ElementStarted(const XmlNode& element, const char* name) = 0;
  // `attribute` has just been added to `element`; `name` is the first byte of its name.
  virtual void AttributeStarted(const XmlNode& element, const NameValuePair& attribute,
                                const char* name) = 0;
};
