// Writing a file's signature comment: a copy with the header area's comments
// replaced by one new COM segment, and the in-place rewrite through a
// temporary file beside the target.
#include "KvJpegComment.h"
#include "jpeg_segment_reader.h"
#include "platform/files.h"
#include "platform/pending_file.h"

#include <cstring>
#include <memory>

namespace quillon {

namespace {

constexpr size_t MaxCommentLength = 65533; // what the 16-bit length can count with itself

void CheckCommentLength(const std::string& Comment) {
    if (Comment.size() > MaxCommentLength)
        throw EFileError("Comment of " + std::to_string(Comment.size()) +
                         " bytes does not fit in a JPEG segment");
}

void AppendSegment(std::string& Out, uint8_t Marker, uint8_t High, uint8_t Low,
                   const std::string& Payload) {
    Out.push_back('\xFF');
    Out.push_back(static_cast<char>(Marker));
    Out.push_back(static_cast<char>(High));
    Out.push_back(static_cast<char>(Low));
    Out += Payload;
}

bool IsInsertionMarker(uint8_t Marker) {
    return (Marker & 0xF0) == 0xC0;
}

// The header area goes to Out as it is rebuilt; the rest of the source then
// follows in the same write. When the source ends early, what was rebuilt so
// far is still written before the error travels on.
void CopyStreamsWithComment(TFileStream& In, TFileStream& Out, const std::string& Comment) {
    TJpegByteReader Reader(In);
    std::string Head;
    try {
        Head.push_back(static_cast<char>(Reader.ReadByte()));
        Head.push_back(static_cast<char>(Reader.ReadByte()));
        bool Inserted = false;
        for (;;) {
            const TJpegSegment Seg = ReadNextSegment(Reader, TPayloadCount::Modulo65536);
            if (!Inserted && IsInsertionMarker(Seg.Marker) && !Comment.empty()) {
                const size_t Len = Comment.size() + 2;
                AppendSegment(Head, MarkerCOM, static_cast<uint8_t>(Len >> 8),
                              static_cast<uint8_t>(Len & 0xFF), Comment);
                Inserted = true;
            }
            if (Seg.Marker != MarkerCOM)
                AppendSegment(Head, Seg.Marker, Seg.LengthHigh, Seg.LengthLow, Seg.Payload);
            if (Reader.AtEnd() || Seg.Marker == MarkerSOS)
                break;
        }
    } catch (const EFileError&) {
        Out.Write(Head.data(), Head.size());
        throw;
    }
    const size_t Rest = static_cast<size_t>(Reader.Remaining());
    const size_t Total = Head.size() + Rest;
    const auto Buffer = std::make_unique_for_overwrite<uint8_t[]>(Total);
    std::memcpy(Buffer.get(), Head.data(), Head.size());
    try {
        Reader.ReadExactly(Buffer.get() + Head.size(), Rest);
    } catch (const EFileError&) {
        Out.Write(Head.data(), Head.size());
        throw;
    }
    Out.Write(Buffer.get(), Total);
}

} // namespace

void CopyJpegWithComment(const std::string& SrcPath, const std::string& DstPath,
                         const std::string& Comment) {
    CheckCommentLength(Comment);
    TFileStream In(SrcPath, TFileMode::OpenRead);
    TFileStream Out(DstPath, TFileMode::Create);
    CopyStreamsWithComment(In, Out, Comment);
    Out.Close();
}

void WriteJpegComment(const std::string& Path, const std::string& Comment) {
    CheckCommentLength(Comment);
    TFileStream In(Path, TFileMode::OpenRead);
    const std::string Directory = ExtractFilePath(Path);
    TPendingFile Out(Path, [&](int) { return MakeTempFileName(Directory); });
    CopyStreamsWithComment(In, Out.Stream(), Comment);
    In.Close();
    // One rename replaces the target: it holds either the old or the new
    // content, never neither.
    Out.Commit();
}

} // namespace quillon
