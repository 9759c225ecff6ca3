#include "cli_render.h"

#include "engine/CRC32.h"
#include "platform/files.h"

#include <algorithm>
#include <vector>

namespace quillon::cli {

namespace {

size_t RowBytes(const TRenderedImage& Image) {
    return static_cast<size_t>(Image.Width) * 3;
}

} // namespace

uint32_t RowsChecksum(const TRenderedImage& Image) {
    uint32_t Crc = 0;
    const auto Count = static_cast<uint16_t>(RowBytes(Image) & 0xFFFF);
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        UpdateCRC32(Image.Row(Y), Count, Crc);
    return Crc;
}

void WritePpm(const TRenderedImage& Image, TFileStream& Out) {
    const std::string Header =
        "P6\n" + std::to_string(Image.Width) + " " + std::to_string(Image.Height) + "\n255\n";
    Out.Write(Header.data(), Header.size());
    std::vector<uint8_t> Line(RowBytes(Image));
    for (int32_t Y = 0; Y < Image.Height; ++Y) {
        const uint8_t* Src = Image.Row(Y);
        if (Image.StoredRgbOrder) {
            std::copy(Src, Src + Line.size(), Line.begin());
        } else {
            for (size_t X = 0; X < Line.size(); X += 3) {
                Line[X] = Src[X + 2];
                Line[X + 1] = Src[X + 1];
                Line[X + 2] = Src[X];
            }
        }
        Out.Write(Line.data(), Line.size());
    }
    Out.Close();
}

void WriteRawRows(const TRenderedImage& Image, TFileStream& Out) {
    for (int32_t Y = 0; Y < Image.Height; ++Y)
        Out.Write(Image.Row(Y), RowBytes(Image));
    Out.Close();
}

void WriteRenderedImage(const TRenderedImage& Image, const std::string& Path) {
    const bool Raw = SameTextAscii(ExtractFileExt(Path), ".bgr");
    std::string Failure;
    {
        TFileStream Out(Path, FileMode::Create);
        try {
            if (Raw)
                WriteRawRows(Image, Out);
            else
                WritePpm(Image, Out);
            return;
        } catch (const EFileError& E) {
            Failure = E.what(); // removed below, once the stream is closed
        }
    }
    DeleteFile(Path);
    throw EFileError(Failure);
}

} // namespace quillon::cli
