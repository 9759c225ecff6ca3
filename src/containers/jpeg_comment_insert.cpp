// Writing a file's signature comment: a copy with the header area's comments
// replaced by one new COM segment, and the in-place rewrite through a
// temporary file beside the target.
#include "KvJpegComment.h"
#include "jpeg_segment_reader.h"
#include "platform/files.h"
#include "platform/pending_file.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>

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

// Where the copy goes; created only once the source is known to take the
// comment, so a refused source leaves the destination untouched.
using TOpenOutput = std::function<TFileStream&()>;

// The header area goes to the output as it is rebuilt; the rest of the
// source then follows in the same write. When the source ends early, what
// was rebuilt so far is still written before the error travels on.
// A header the comment reader would walk differently (a segment length
// below 2, which cannot count its own two bytes) or one without a frame
// marker to put the comment in front of is refused before anything is
// written: the comment would not read back.
void CopyStreamsWithComment(TFileStream& In, const TOpenOutput& OpenOutput,
                            const std::string& Comment) {
    TJpegByteReader Reader(In);
    std::string Head;
    bool Inserted = false;
    try {
        Head.push_back(static_cast<char>(Reader.ReadByte()));
        Head.push_back(static_cast<char>(Reader.ReadByte()));
        for (;;) {
            const TJpegSegment Seg = ReadNextSegment(Reader);
            if (Seg.Length() < 2)
                throw EFileError("Segment length " + std::to_string(Seg.Length()) + " in \"" +
                                 In.FileName() + "\" cannot hold its own length bytes");
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
    } catch (const EFileError& E) {
        if (E.Kind() == TFileErrorKind::EndOfFile)
            OpenOutput().Write(Head.data(), Head.size());
        throw;
    }
    if (!Inserted && !Comment.empty())
        throw EFileError("No frame header in \"" + In.FileName() +
                         "\" to put the comment in front of");
    const size_t Rest = static_cast<size_t>(Reader.Remaining());
    const size_t Total = Head.size() + Rest;
    const auto Buffer = std::make_unique_for_overwrite<uint8_t[]>(Total);
    std::memcpy(Buffer.get(), Head.data(), Head.size());
    try {
        Reader.ReadExactly(Buffer.get() + Head.size(), Rest);
    } catch (const EFileError&) {
        OpenOutput().Write(Head.data(), Head.size());
        throw;
    }
    OpenOutput().Write(Buffer.get(), Total);
}

} // namespace

void CopyJpegWithComment(const std::string& SrcPath, const std::string& DstPath,
                         const std::string& Comment) {
    CheckCommentLength(Comment);
    TFileStream In(SrcPath, TFileMode::OpenRead);
    std::optional<TFileStream> Out;
    CopyStreamsWithComment(
        In,
        [&]() -> TFileStream& {
            if (!Out)
                Out.emplace(DstPath, TFileMode::Create);
            return *Out;
        },
        Comment);
    Out->Close();
}

void WriteJpegComment(const std::string& Path, const std::string& Comment) {
    CheckCommentLength(Comment);
    TFileStream In(Path, TFileMode::OpenRead);
    const std::string Directory = ExtractFilePath(Path);
    std::optional<TPendingFile> Out;
    CopyStreamsWithComment(
        In,
        [&]() -> TFileStream& {
            if (!Out)
                Out.emplace(Path, [&](int) { return MakeTempFileName(Directory); });
            return Out->Stream();
        },
        Comment);
    In.Close();
    // One rename replaces the target: it holds either the old or the new
    // content, never neither.
    Out->Commit();
}

} // namespace quillon
