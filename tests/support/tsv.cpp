#include "support/tsv.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>

namespace quillon::test {

namespace {

std::vector<std::string> SplitTabs(const std::string& Line) {
    std::vector<std::string> Fields;
    std::stringstream S(Line);
    for (std::string F; std::getline(S, F, '\t');)
        Fields.push_back(F);
    return Fields;
}

} // namespace

std::vector<std::map<std::string, std::string>> ReadTsv(const std::filesystem::path& Path) {
    std::ifstream In(Path);
    if (!In)
        throw std::runtime_error("cannot read " + Path.string());
    std::string Line;
    std::getline(In, Line);
    const std::vector<std::string> Header = SplitTabs(Line);
    std::vector<std::map<std::string, std::string>> Rows;
    while (std::getline(In, Line)) {
        if (Line.empty())
            continue;
        const std::vector<std::string> Fields = SplitTabs(Line);
        std::map<std::string, std::string> Row;
        for (size_t I = 0; I < Header.size() && I < Fields.size(); ++I)
            Row[Header[I]] = Fields[I];
        Rows.push_back(std::move(Row));
    }
    return Rows;
}

std::map<std::string, std::string> TsvRow(const std::filesystem::path& Path,
                                          const std::string& Name) {
    for (auto& Row : ReadTsv(Path))
        if (Row["name"] == Name)
            return Row;
    ADD_FAILURE() << Name << " not listed in " << Path;
    return {};
}

std::string FromHex(const std::string& Hex) {
    std::string Bytes;
    for (size_t I = 0; I + 1 < Hex.size(); I += 2)
        Bytes += static_cast<char>(std::stoi(Hex.substr(I, 2), nullptr, 16));
    return Bytes;
}

} // namespace quillon::test
