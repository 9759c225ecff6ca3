#include "engine/read_ahead.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon {
namespace {

// Everything From..To-1 arrives in order, in blocks of the given size, and
// an early end raises only after the whole blocks before it: read ahead on
// a thread of the budget, or by the caller when the budget has none free.
class ReadAhead : public testing::TestWithParam<int> {};

TEST_P(ReadAhead, HandsOverTheRangeInOrderAndRaisesAtTheEnd) {
    TThreadBudget Threads(GetParam());
    const TThreadSeat Caller(Threads);
    test::TScratchDir Dir;
    std::string Bytes;
    for (int I = 0; I < 1000; ++I)
        Bytes += static_cast<char>(I * 7);
    const std::string Path = Dir / "data";
    test::WriteBytes(Path, Bytes);
    struct TCase {
        int64_t From, To;
        size_t Block;
    } Cases[] = {{0, 0, 16},    {0, 1, 16},    {3, 19, 16},
                 {0, 1000, 16}, {12, 1000, 1}, {0, 1000, 4096}};
    for (const TCase& C : Cases) {
        TFileStream File(Path, TFileMode::OpenRead);
        TReadAhead Blocks(File, C.From, C.To, C.Block, Threads);
        std::string Got;
        size_t Size = 0;
        while (const uint8_t* Block = Blocks.Next(Size)) {
            EXPECT_LE(Size, C.Block);
            Got.append(reinterpret_cast<const char*>(Block), Size);
        }
        EXPECT_EQ(Got, Bytes.substr(C.From, C.To - C.From)) << C.From << ".." << C.To;
        EXPECT_EQ(Blocks.Next(Size), nullptr);
    }
    {
        TFileStream File(Path, TFileMode::OpenRead);
        TReadAhead Blocks(File, 900, 1200, 40, Threads);
        size_t Size = 0, Whole = 0;
        try {
            while (Blocks.Next(Size))
                Whole += Size;
            ADD_FAILURE() << "no error at the end of the file";
        } catch (const EFileError& E) {
            EXPECT_EQ(E.Kind(), TFileErrorKind::EndOfFile);
        }
        EXPECT_EQ(Whole, 80u); // 900..979 are whole blocks; 980..1019 falls short
    }
    {
        // Left after one block: the reading thread stops, nothing hangs.
        TFileStream File(Path, TFileMode::OpenRead);
        TReadAhead Blocks(File, 0, 1000, 1, Threads);
        size_t Size = 0;
        EXPECT_NE(Blocks.Next(Size), nullptr);
    }
    EXPECT_EQ(Threads.PeakTaken(), GetParam()) << "the caller's seat, and the reader's if any";
}

INSTANTIATE_TEST_SUITE_P(Threads, ReadAhead, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int>& Info) {
                             return Info.param == 1 ? std::string("CallerReads")
                                                    : std::string("ThreadReadsAhead");
                         });

} // namespace
} // namespace quillon
