// Reading the reference data's tab-separated tables.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quillon::test {

// One map a line, keyed by the header line's column names.
std::vector<std::map<std::string, std::string>> ReadTsv(const std::filesystem::path& Path);
// The line whose "name" column is Name; fails the test when there is none.
std::map<std::string, std::string> TsvRow(const std::filesystem::path& Path,
                                          const std::string& Name);
// Bytes from hex digits ("534954" -> "SIT").
std::string FromHex(const std::string& Hex);

} // namespace quillon::test
