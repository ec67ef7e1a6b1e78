// Paths the build knows in its own form, made usable by the program under
// test, and small path joins.
#pragma once

#include <string>

// The build records host paths; under Wine "/a/b" becomes Wine's DOS name
// for it (Z:\a\b). A Windows path only gets backslashes.
std::string NativePath(const std::string& buildPath);

// `folder` + "\" + `name`.
std::string JoinPath(const std::string& folder, const std::string& name);
