// The note the tool gives when a personnel file's layout is chosen by the
// rule on its path and the rule looks at a "." outside the file's own name
// ("./personal.13", "dir.d/personal.13"): shared with the Python module,
// which warns in the same words.
#pragma once

#include <string>

#include <nelvo/file_kind.hpp>

namespace nelvo::tool {

// The note for `path` read as `kind` by the layout rule; empty when the
// first "." of the path is in the file name, or there is none.
std::string layout_rule_note(FileKind kind, const std::string& path);

}  // namespace nelvo::tool
