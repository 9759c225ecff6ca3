// Building JPEG-like byte strings for the comment reader and inserter tests.
#pragma once

#include <cstdint>
#include <string>

namespace quillon::test {

inline const std::string SOI = "\xFF\xD8";

// 0xFF, the marker, the big-endian length (payload + 2) and the payload.
inline std::string Segment(uint8_t Marker, const std::string& Payload) {
    const size_t Len = Payload.size() + 2;
    std::string S = "\xFF";
    S.push_back(static_cast<char>(Marker));
    S.push_back(static_cast<char>(Len >> 8));
    S.push_back(static_cast<char>(Len & 0xFF));
    return S + Payload;
}

// A segment header with a length chosen freely (0 and 1 included).
inline std::string SegmentHeader(uint8_t Marker, uint16_t Length) {
    std::string S = "\xFF";
    S.push_back(static_cast<char>(Marker));
    S.push_back(static_cast<char>(Length >> 8));
    S.push_back(static_cast<char>(Length & 0xFF));
    return S;
}

inline std::string Com(const std::string& Text) {
    return Segment(0xFE, Text);
}

inline std::string Bytes(std::initializer_list<int> Values) {
    std::string S;
    for (const int V : Values)
        S.push_back(static_cast<char>(V));
    return S;
}

// A small header area of the kind the re-encoder writes, with SOS and scan data.
struct TMiniJpeg {
    std::string App0 = Segment(0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    std::string Dqt = Segment(0xDB, std::string(65, '\x01'));
    std::string Sof = Segment(0xC0, Bytes({8, 0, 2, 0, 2, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
    std::string Dht = Segment(0xC4, std::string(29, '\x02'));
    std::string Sos = Segment(0xDA, Bytes({3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0}));
    std::string Scan = Bytes({0x12, 0xFF, 0x00, 0x34, 0xFF, 0xFE, 0x00, 0x03, 0x56, 0xFF, 0xD9});
};

} // namespace quillon::test
