// The reference AVI files and what their walks and signatures must give
// (avi/expected_avi.tsv, all for the site code "SITE-42").
#pragma once

#include "support/test_support.h"
#include "support/tsv.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::test {

struct TAviExpectation {
    std::string Name;
    int64_t Size = 0;
    std::optional<uint32_t> HeaderCRC; // none for files too short to sign
    std::optional<uint32_t> FileCRC;
    int NodeCount = 0;
    int MaxLevel = -1;
    int VerifyCode = 0;
    std::optional<int> SignedVerifyCode;
};

inline std::vector<TAviExpectation> LoadAviExpectations() {
    const auto Optional = [](const std::string& Field) { return Field != "-"; };
    std::vector<TAviExpectation> Rows;
    for (auto& R : ReadTsv(TestDataDir() / "avi" / "expected_avi.tsv")) {
        TAviExpectation E;
        E.Name = R["name"];
        E.Size = std::stoll(R["size"]);
        if (Optional(R["headercrc"]))
            E.HeaderCRC = static_cast<uint32_t>(std::stoul(R["headercrc"], nullptr, 16));
        if (Optional(R["filecrc"]))
            E.FileCRC = static_cast<uint32_t>(std::stoul(R["filecrc"], nullptr, 16));
        E.NodeCount = std::stoi(R["node_count"]);
        E.MaxLevel = std::stoi(R["max_level"]);
        E.VerifyCode = std::stoi(R["verify_site42"]);
        if (Optional(R["verify_signed_site42"]))
            E.SignedVerifyCode = std::stoi(R["verify_signed_site42"]);
        Rows.push_back(E);
    }
    if (Rows.empty())
        throw std::runtime_error("no rows in expected_avi.tsv");
    return Rows;
}

} // namespace quillon::test
