// Builds RIFF byte sequences for tests: chunks, lists, and headers with
// deliberately wrong sizes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon::test {

inline std::string Le32(uint32_t V) {
    std::string S(4, '\0');
    for (int I = 0; I < 4; ++I)
        S[I] = static_cast<char>(V >> (8 * I));
    return S;
}

// A chunk whose Size field says Size, followed by Payload as given.
inline std::string RawChunk(std::string_view Id, uint32_t Size, std::string_view Payload = {}) {
    return std::string(Id) + Le32(Size) + std::string(Payload);
}

// A well-formed chunk: Size is the payload's length, an odd one gets its pad byte.
inline std::string Chunk(std::string_view Id, std::string_view Payload) {
    std::string S = RawChunk(Id, static_cast<uint32_t>(Payload.size()), Payload);
    if (Payload.size() % 2)
        S.push_back('\0');
    return S;
}

// A list header whose Size field says Size.
inline std::string RawList(std::string_view Id, uint32_t Size, std::string_view Form) {
    return std::string(Id) + Le32(Size) + std::string(Form);
}

// A well-formed list around Children.
inline std::string List(std::string_view Id, std::string_view Form, std::string_view Children) {
    return RawList(Id, static_cast<uint32_t>(4 + Children.size()), Form) + std::string(Children);
}

// A small movie-like file: a header list with a stream list, frames of odd
// and even sizes, a JUNK chunk and an index.
inline std::string SampleMovie() {
    const std::string Hdrl =
        List("LIST", "hdrl",
             Chunk("avih", std::string(56, 'h')) +
                 List("LIST", "strl", Chunk("strh", std::string(56, 's')) + Chunk("strf", "abc")));
    const std::string Movi =
        List("LIST", "movi",
             Chunk("00dc", std::string(101, 'x')) + Chunk("01wb", "wave") +
                 Chunk("JUNK", std::string(7, 'j')) + Chunk("00dc", std::string(64, 'y')));
    return List("RIFF", "AVI ", Hdrl + Movi + Chunk("idx1", std::string(32, 'i')));
}

} // namespace quillon::test
