// Where the entries turn a failure into words for their result.
#pragma once

#include <string>

namespace quillon {

// The text of the exception being handled; call only inside a catch block.
std::string CurrentFailureText();

} // namespace quillon
