#include "jpeg_metadata.h"

#include "platform/pending_file.h"

#include <cstring>
#include <string_view>

namespace quillon {

namespace {

constexpr uint8_t MarkerApp0 = 0xE0;
constexpr uint8_t MarkerApp1 = 0xE1;
constexpr uint8_t MarkerApp2 = 0xE2;

bool StartsWith(const std::string& Payload, std::string_view Tag) {
    return Payload.size() >= Tag.size() && std::memcmp(Payload.data(), Tag.data(), Tag.size()) == 0;
}

bool IsMetadata(const TJpegSegment& Seg) {
    // The tags carry their terminating NUL, so a longer name never matches.
    using namespace std::string_view_literals;
    if (Seg.Marker == MarkerApp1)
        return StartsWith(Seg.Payload, "Exif\0\0"sv) ||
               StartsWith(Seg.Payload, "http://ns.adobe.com/xap/1.0/\0"sv) ||
               StartsWith(Seg.Payload, "http://ns.adobe.com/xmp/extension/\0"sv);
    if (Seg.Marker == MarkerApp2)
        return StartsWith(Seg.Payload, "ICC_PROFILE\0"sv);
    return false;
}

void Append(std::string& Out, const TJpegSegment& Seg) {
    Out.push_back('\xFF');
    Out.push_back(static_cast<char>(Seg.Marker));
    Out.push_back(static_cast<char>(Seg.LengthHigh));
    Out.push_back(static_cast<char>(Seg.LengthLow));
    Out += Seg.Payload;
}

} // namespace

std::vector<TJpegSegment> ReadJpegMetadata(const std::string& Path) {
    TFileStream In(Path, TFileMode::OpenRead);
    TJpegByteReader Reader(In);
    Reader.ReadByte();
    Reader.ReadByte();
    std::vector<TJpegSegment> Found;
    while (!Reader.AtEnd()) {
        TJpegSegment Seg = ReadNextSegment(Reader);
        const bool Last = Seg.Marker == MarkerSOS;
        const bool Complete = Seg.Length() >= 2 && Seg.Payload.size() == Seg.Length() - 2u;
        if (Complete && IsMetadata(Seg))
            Found.push_back(std::move(Seg));
        if (Last)
            break;
    }
    return Found;
}

void InsertJpegMetadataInMemory(std::string& Data, const std::vector<TJpegSegment>& Segments) {
    if (Data.size() < 2 || static_cast<uint8_t>(Data[0]) != 0xFF ||
        static_cast<uint8_t>(Data[1]) != 0xD8)
        throw EFileError("The stream does not start like a JPEG file");
    // Behind SOI, and behind a JFIF APP0 segment that follows it at once.
    size_t At = 2;
    if (Data.size() >= 6 && static_cast<uint8_t>(Data[2]) == 0xFF &&
        static_cast<uint8_t>(Data[3]) == MarkerApp0) {
        const size_t Length = static_cast<uint8_t>(Data[4]) << 8 | static_cast<uint8_t>(Data[5]);
        if (Length >= 2 && 2 + 2 + Length <= Data.size())
            At = 2 + 2 + Length;
    }
    std::string Inserted;
    for (const TJpegSegment& Seg : Segments)
        Append(Inserted, Seg);
    Data.insert(At, Inserted);
}

void InsertJpegMetadata(const std::string& Path, const std::vector<TJpegSegment>& Segments) {
    std::string Data;
    {
        TFileStream In(Path, TFileMode::OpenRead);
        Data.resize(static_cast<size_t>(In.Size()));
        In.ReadBuffer(Data.data(), Data.size());
    }
    try {
        InsertJpegMetadataInMemory(Data, Segments);
    } catch (const EFileError&) {
        throw EFileError("\"" + Path + "\" does not start like a JPEG file");
    }
    TPendingFile Out(Path);
    Out.Stream().Write(Data.data(), Data.size());
    Out.Commit();
}

} // namespace quillon
