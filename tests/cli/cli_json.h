// A small reader for the JSON the CLI prints, written separately from the
// writer so that the tests check the format rather than restate the code.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace quillon::test {

// Decodes one JSON string literal (quotes included) whose characters are all
// at most U+00FF, one byte each. Nothing when it is malformed or not ASCII.
std::optional<std::string> DecodeJsonLatin1String(const std::string& Literal);

// One flat JSON object of string and integer members, as
// {"path":"..","code":1,"verdict":".."}. Integers are kept as their text.
// Nothing when the line is not such an object.
std::optional<std::map<std::string, std::string>> ParseFlatJsonObject(const std::string& Line);

} // namespace quillon::test
