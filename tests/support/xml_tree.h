// Reading a saved parameter file back with libxml2, for whole-tree
// comparisons and schema validation in tests.
#pragma once

#include <string>

// The element tree of the file as text: one line per element with its
// attributes in document order and its text in brackets, two blanks of
// indentation per level. "(unreadable: ...)" when libxml2 cannot parse it.
std::string xmlTreeOfFile(const std::string& path);
std::string xmlTreeOfText(const std::string& xml);

// Empty when the file is valid against docs/regparams.xsd, else the errors.
std::string schemaErrors(const std::string& path);
