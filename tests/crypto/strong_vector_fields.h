// The decoded fields of a test vector's tag as "name<TAB>value" lines, the
// form testdata/strong/*.fields holds; shared by the test and the program
// that made the vectors.
#pragma once

#include "crypto/strong_tag.h"

#include <string>

namespace quillon::test {

std::string TagFieldsText(const TStrongTag& Tag);

} // namespace quillon::test
