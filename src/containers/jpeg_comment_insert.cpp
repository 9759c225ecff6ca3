// Writing a file's signature comment: a copy with the header area's comments
// replaced by one new COM segment, in memory or into a file (then through a
// new file beside the target, renamed into place when complete).
#include "KvJpegComment.h"
#include "jpeg_segment_reader.h"
#include "platform/files.h"
#include "platform/pending_file.h"

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

// The header area rebuilt with the comment, then the rest of the source, as
// one piece. A header the comment reader would walk differently (a segment
// length below 2, which cannot count its own two bytes) or one without a
// frame marker to put the comment in front of is refused: the comment would
// not read back. So is a source that ends early: nothing of it is written.
std::string WithComment(TJpegByteReader& Reader, const std::string& Comment) {
    std::string Out;
    Out.push_back(static_cast<char>(Reader.ReadByte()));
    Out.push_back(static_cast<char>(Reader.ReadByte()));
    bool Inserted = false;
    for (;;) {
        const TJpegSegment Seg = ReadNextSegment(Reader);
        if (Seg.Length() < 2)
            throw EFileError("Segment length " + std::to_string(Seg.Length()) + " in \"" +
                             Reader.Name() + "\" cannot hold its own length bytes");
        if (!Inserted && IsInsertionMarker(Seg.Marker) && !Comment.empty()) {
            const size_t Len = Comment.size() + 2;
            AppendSegment(Out, MarkerCOM, static_cast<uint8_t>(Len >> 8),
                          static_cast<uint8_t>(Len & 0xFF), Comment);
            Inserted = true;
        }
        if (Seg.Marker != MarkerCOM)
            AppendSegment(Out, Seg.Marker, Seg.LengthHigh, Seg.LengthLow, Seg.Payload);
        if (Reader.AtEnd() || Seg.Marker == MarkerSOS)
            break;
    }
    if (!Inserted && !Comment.empty())
        throw EFileError("No frame header in \"" + Reader.Name() +
                         "\" to put the comment in front of");
    const size_t Head = Out.size();
    const size_t Rest = static_cast<size_t>(Reader.Remaining());
    Out.resize(Head + Rest);
    Reader.ReadExactly(reinterpret_cast<uint8_t*>(Out.data() + Head), Rest);
    return Out;
}

std::string FileWithComment(const std::string& Path, const std::string& Comment) {
    TFileStream In(Path, TFileMode::OpenRead);
    TJpegByteReader Reader(In);
    return WithComment(Reader, Comment);
}

void WriteWhole(TPendingFile& Out, const std::string& Bytes) {
    Out.Stream().Write(Bytes.data(), Bytes.size());
    // One rename replaces the target: it holds either the old or the new
    // content, never neither.
    Out.Commit();
}

} // namespace

std::string JpegWithComment(const uint8_t* Data, size_t Size, const std::string& Comment) {
    CheckCommentLength(Comment);
    TJpegByteReader Reader(Data, Size, "JPEG stream in memory");
    return WithComment(Reader, Comment);
}

void CopyJpegWithComment(const std::string& SrcPath, const std::string& DstPath,
                         const std::string& Comment) {
    CheckCommentLength(Comment);
    // The source is read whole before the destination is written, so both
    // may name the same file.
    const std::string Bytes = FileWithComment(SrcPath, Comment);
    TPendingFile Out(DstPath);
    WriteWhole(Out, Bytes);
}

void WriteJpegComment(const std::string& Path, const std::string& Comment) {
    CheckCommentLength(Comment);
    const std::string Bytes = FileWithComment(Path, Comment);
    const std::string Directory = ExtractFilePath(Path);
    TPendingFile Out(Path, TReplace::FileOrLink, [&](int) { return MakeTempFileName(Directory); });
    WriteWhole(Out, Bytes);
}

} // namespace quillon
