// The reference AVI files and what their walks and signatures must give
// (avi/expected_avi.tsv, all for the site code "SITE-42").
#pragma once

#include "support/test_support.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::test {

struct AviExpectation {
    std::string Name;
    int64_t Size = 0;
    std::optional<uint32_t> HeaderCRC; // none for files too short to sign
    std::optional<uint32_t> FileCRC;
    int NodeCount = 0;
    int MaxLevel = -1;
    int VerifyCode = 0;
    std::optional<int> SignedVerifyCode;
};

inline std::vector<AviExpectation> LoadAviExpectations() {
    const auto Path = TestDataDir() / "avi" / "expected_avi.tsv";
    std::ifstream In(Path);
    if (!In)
        throw std::runtime_error("cannot read " + Path.string());
    std::vector<AviExpectation> Rows;
    std::string Line;
    std::getline(In, Line); // column names
    while (std::getline(In, Line)) {
        if (Line.empty())
            continue;
        std::istringstream Fields(Line);
        std::string Name, Size, Header, File, Nodes, Level, Verify, SignedVerify;
        if (!(Fields >> Name >> Size >> Header >> File >> Nodes >> Level >> Verify >> SignedVerify))
            throw std::runtime_error("malformed line in " + Path.string() + ": " + Line);
        AviExpectation E;
        E.Name = Name;
        E.Size = std::stoll(Size);
        if (Header != "-")
            E.HeaderCRC = static_cast<uint32_t>(std::stoul(Header, nullptr, 16));
        if (File != "-")
            E.FileCRC = static_cast<uint32_t>(std::stoul(File, nullptr, 16));
        E.NodeCount = std::stoi(Nodes);
        E.MaxLevel = std::stoi(Level);
        E.VerifyCode = std::stoi(Verify);
        if (SignedVerify != "-")
            E.SignedVerifyCode = std::stoi(SignedVerify);
        Rows.push_back(E);
    }
    if (Rows.empty())
        throw std::runtime_error("no rows in " + Path.string());
    return Rows;
}

} // namespace quillon::test
