// Saved text read back with the system's XML DOM, as its element tree: one
// line per element with its attributes in document order and its text in
// brackets, two blanks of indentation per level (the form of the stand-in
// build's support/xml_tree). Names and texts come out in UTF-8, whether the
// file spells a character itself or as a character reference.
#pragma once

#include <string>

// "(unreadable: ...)" when the DOM cannot load it.
std::string XmlTreeOfText(const std::string& utf8Xml);
