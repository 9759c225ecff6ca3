#include "containers/uAVIFormat.h"
#include "platform/debug_output.h"
#include "support/avi_expectations.h"
#include "support/riff_builder.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace quillon {
namespace {

using test::Chunk;
using test::Le32;
using test::List;
using test::RawChunk;
using test::RawList;

struct TWalkNode {
    uint32_t Position = 0;
    int32_t Level = 0;
    bool IsList = false;
    uint32_t ID = 0, Size = 0, FormType = 0;
    bool operator==(const TWalkNode&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const TWalkNode& N) {
    return Out << "{pos " << N.Position << " level " << N.Level << (N.IsList ? " list " : " chunk ")
               << std::hex << N.ID << " size " << N.Size << " form " << N.FormType << std::dec
               << "}";
}

struct TWalk {
    std::vector<TWalkNode> Nodes;
    std::vector<std::string> Lines;
    int64_t EndPosition = 0;
};

TWalk WalkFile(const std::string& Path) {
    TWalk W;
    TScopedDebugSink Sink([&](std::string_view Line) { W.Lines.emplace_back(Line); });
    TAVIStream Stream(Path);
    const TChunkItem* First = Stream.ReadChunks(0, 0xFFFFFFFFu);
    EXPECT_EQ(First, Stream.First());
    for (const TChunkItem* I = First; I; I = I->Next) {
        EXPECT_NE(I->ChunkHeader.has_value(), I->ListHeader.has_value());
        EXPECT_EQ(I->IsList, I->ListHeader.has_value());
        W.Nodes.push_back({I->Position, I->Level, I->IsList, I->ID(), I->Size(),
                           I->IsList ? I->ListHeader->FormType : 0});
        if (!I->Next) {
            EXPECT_EQ(I, Stream.Last());
        }
    }
    W.EndPosition = Stream.Position();
    return W;
}

// The same file walked one header at a time, keeping no list.
TWalk WalkOneByOne(const std::string& Path, TWalkDetail Detail) {
    TWalk W;
    TScopedDebugSink Sink([&](std::string_view Line) { W.Lines.emplace_back(Line); });
    TAVIStream Stream(Path);
    Stream.StartWalk(0, 0xFFFFFFFFu, Detail);
    while (const TChunkItem* I = Stream.NextChunk()) {
        EXPECT_EQ(I->Next, nullptr);
        EXPECT_EQ(I->IsList, I->ListHeader.has_value());
        EXPECT_NE(I->ChunkHeader.has_value(), I->ListHeader.has_value());
        W.Nodes.push_back({I->Position, I->Level, I->IsList, I->ID(), I->Size(),
                           I->IsList ? I->ListHeader->FormType : 0});
    }
    EXPECT_EQ(Stream.First(), nullptr);
    return W;
}

// The walk as first designed, recursing into every list, over bytes in
// memory: the oracle for the stack-based walk.
class TRecursiveWalk {
  public:
    explicit TRecursiveWalk(const std::string& Bytes) : FBytes(Bytes) { Level(0, 0xFFFFFFFFu); }
    TWalk Result;

  private:
    void Level(int32_t L, uint32_t Bound) {
        for (;;) {
            char Line[64];
            std::snprintf(Line, sizeof Line, "--------- position:%lld, %d",
                          static_cast<long long>(FPos), static_cast<int32_t>(Bound));
            Result.Lines.emplace_back(Line);
            if (FPos >= static_cast<int64_t>(Bound))
                return;
            TWalkNode N;
            N.Position = static_cast<uint32_t>(FPos);
            N.Level = L;
            std::string Header = Take(8);
            if (Header.size() < 8)
                return;
            N.ID = Load(Header, 0);
            N.Size = Load(Header, 4);
            N.IsList = N.ID == RiffID || N.ID == ListID;
            if (N.IsList) {
                std::string Form = Take(4);
                Form.resize(4, '\0');
                N.FormType = Load(Form, 0);
            }
            Result.Nodes.push_back(N);
            const uint32_t End = N.Position + 8u + PadSize(N.Size);
            if (N.IsList) {
                Level(L + 1, End);
                if (FStopped)
                    return;
            } else {
                if (End <= N.Position) {
                    FStopped = true;
                    return;
                }
                FPos = End;
            }
        }
    }
    std::string Take(size_t Count) {
        const int64_t Size = static_cast<int64_t>(FBytes.size());
        if (FPos >= Size)
            return {};
        std::string S = FBytes.substr(static_cast<size_t>(FPos), Count);
        FPos += static_cast<int64_t>(S.size());
        return S;
    }
    static uint32_t Load(const std::string& S, size_t At) {
        uint32_t V = 0;
        for (int I = 3; I >= 0; --I)
            V = V << 8 | static_cast<uint8_t>(S[At + I]);
        return V;
    }
    const std::string& FBytes;
    int64_t FPos = 0;
    bool FStopped = false;
};

class AviWalk : public ::testing::Test {
  protected:
    TWalk WalkBytes(const std::string& Bytes) {
        const std::string Path = FScratch / "walk.avi";
        test::WriteBytes(Path, Bytes);
        return WalkFile(Path);
    }
    void ExpectSameAsRecursive(const std::string& Bytes) {
        const TWalk Flat = WalkBytes(Bytes);
        const TRecursiveWalk Ref(Bytes);
        ASSERT_EQ(Flat.Nodes, Ref.Result.Nodes);
        ASSERT_EQ(Flat.Lines, Ref.Result.Lines);
        ExpectOneByOneWalksAgree(FScratch / "walk.avi", Ref.Result);
    }
    // Each kind of header-at-a-time walk reads the same headers as the
    // listing walk; only the detail it keeps differs.
    static void ExpectOneByOneWalksAgree(const std::string& Path, const TWalk& Listed) {
        const TWalk Positions = WalkOneByOne(Path, TWalkDetail::Positions);
        EXPECT_EQ(Positions.Nodes, Listed.Nodes);
        EXPECT_EQ(Positions.Lines, Listed.Lines);
        const TWalk Levels = WalkOneByOne(Path, TWalkDetail::Levels);
        EXPECT_EQ(Levels.Nodes, Listed.Nodes);
        EXPECT_TRUE(Levels.Lines.empty());
        TWalk Flat = WalkOneByOne(Path, TWalkDetail::Flat);
        EXPECT_TRUE(Flat.Lines.empty());
        for (TWalkNode& N : Flat.Nodes) {
            EXPECT_EQ(N.Level, 0);
            N.Level = 0;
        }
        std::vector<TWalkNode> Expected = Listed.Nodes;
        for (TWalkNode& N : Expected)
            N.Level = 0;
        EXPECT_EQ(Flat.Nodes, Expected);
    }
    static std::vector<int32_t> Levels(const TWalk& W) {
        std::vector<int32_t> L;
        for (const auto& N : W.Nodes)
            L.push_back(N.Level);
        return L;
    }
    static std::vector<uint32_t> Positions(const TWalk& W) {
        std::vector<uint32_t> P;
        for (const auto& N : W.Nodes)
            P.push_back(N.Position);
        return P;
    }
    test::TScratchDir FScratch;
};

TEST_F(AviWalk, ReferenceFilesGiveExpectedNodesAndMatchRecursiveWalk) {
    for (const auto& E : test::LoadAviExpectations()) {
        SCOPED_TRACE(E.Name);
        const auto Path = test::TestDataDir() / "avi" / E.Name;
        const TWalk W = WalkFile(Path.string());
        EXPECT_EQ(static_cast<int>(W.Nodes.size()), E.NodeCount);
        int MaxLevel = -1;
        for (const auto& N : W.Nodes)
            MaxLevel = std::max(MaxLevel, N.Level);
        EXPECT_EQ(MaxLevel, E.MaxLevel);
        const std::vector<uint8_t> Raw = test::ReadBytes(Path);
        const TRecursiveWalk Ref(std::string(Raw.begin(), Raw.end()));
        EXPECT_EQ(W.Nodes, Ref.Result.Nodes);
        EXPECT_EQ(W.Lines, Ref.Result.Lines);
        ExpectOneByOneWalksAgree(Path.string(), W);
    }
}

TEST_F(AviWalk, WritesPositionLinesOfEveryLevel) {
    const std::string File =
        List("RIFF", "AVI ", List("LIST", "hdrl", Chunk("avih", "1234")) + Chunk("abcd", "xyz"));
    ASSERT_EQ(File.size(), 48u);
    const TWalk W = WalkBytes(File);
    const std::vector<std::string> Expected = {
        "--------- position:0, -1",  "--------- position:12, 48", "--------- position:24, 36",
        "--------- position:36, 36", "--------- position:36, 48", "--------- position:48, 48",
        "--------- position:48, -1",
    };
    EXPECT_EQ(W.Lines, Expected);
    EXPECT_EQ(Positions(W), (std::vector<uint32_t>{0, 12, 24, 36}));
    EXPECT_EQ(Levels(W), (std::vector<int32_t>{0, 1, 2, 1}));
    EXPECT_EQ(W.EndPosition, 48);
}

TEST_F(AviWalk, UsualMovieIsListedInPreOrder) {
    const TWalk W = WalkBytes(test::SampleMovie());
    std::vector<std::string> Ids;
    for (const auto& N : W.Nodes) {
        const std::string Id = std::string(Le32(N.ID));
        Ids.push_back(N.IsList ? Id + "/" + Le32(N.FormType) : Id);
    }
    EXPECT_EQ(Ids, (std::vector<std::string>{"RIFF/AVI ", "LIST/hdrl", "avih", "LIST/strl", "strh",
                                             "strf", "LIST/movi", "00dc", "01wb", "JUNK", "00dc",
                                             "idx1"}));
    EXPECT_EQ(Levels(W), (std::vector<int32_t>{0, 1, 2, 2, 3, 3, 1, 2, 2, 2, 2, 1}));
}

TEST_F(AviWalk, OddPayloadsAreFollowedByAPadByte) {
    const std::string File = RawChunk("odd3", 3, "abc?") + RawChunk("evn4", 4, "abcd") +
                             RawChunk("odd1", 1, "a?") + RawChunk("zero", 0) + RawChunk("last", 0);
    const TWalk W = WalkBytes(File);
    EXPECT_EQ(Positions(W), (std::vector<uint32_t>{0, 12, 24, 34, 42}));
    EXPECT_EQ(Levels(W), (std::vector<int32_t>{0, 0, 0, 0, 0}));
}

TEST_F(AviWalk, ListsWithoutRoomForChildrenLeaveThemToTheEnclosingLevel) {
    const std::string Inner = RawList("LIST", 0, "zero") + RawList("LIST", 1, "one ") +
                              RawList("LIST", 3, "thre") + RawList("LIST", 4, "four") +
                              RawList("LIST", 0xFFFFFFF8u, "wrap") + Chunk("data", "1234");
    const TWalk W = WalkBytes(List("RIFF", "AVI ", Inner));
    EXPECT_EQ(Positions(W), (std::vector<uint32_t>{0, 12, 24, 36, 48, 60, 72}));
    EXPECT_EQ(Levels(W), (std::vector<int32_t>{0, 1, 1, 1, 1, 1, 1}));
    // Each empty list still opens a level that ends at once.
    EXPECT_EQ(W.Lines[2], "--------- position:24, 20");
    ExpectSameAsRecursive(List("RIFF", "AVI ", Inner));
}

TEST_F(AviWalk, OversizeChildIsSkippedToItsOwnEnd) {
    // The list ends at 36; its child runs to 52, where the RIFF level reads on.
    const std::string File = RawList("RIFF", 64, "AVI ") + RawList("LIST", 16, "hdrl") +
                             RawChunk("big ", 20, std::string(20, 'b')) + Chunk("next", "12345678");
    ASSERT_EQ(File.size(), 68u);
    const TWalk W = WalkBytes(File);
    EXPECT_EQ(Positions(W), (std::vector<uint32_t>{0, 12, 24, 52}));
    EXPECT_EQ(Levels(W), (std::vector<int32_t>{0, 1, 2, 1}));
    ExpectSameAsRecursive(File);
}

TEST_F(AviWalk, ChunkWhoseSizeWrapsEndsTheWholeWalk) {
    const std::string File =
        List("RIFF", "AVI ",
             List("LIST", "movi",
                  Chunk("00dc", "ab") + RawChunk("00dc", 0xFFFFFFF8u) + Chunk("01wb", "cd"))) +
        Chunk("tail", "xx");
    const TWalk W = WalkBytes(File);
    ASSERT_EQ(W.Nodes.size(), 4u);
    EXPECT_EQ(W.Nodes.back().Position, 34u);
    EXPECT_EQ(W.Nodes.back().Size, 0xFFFFFFF8u);
    EXPECT_EQ(W.Lines.back(), "--------- position:34, " + std::to_string(File.size() - 10));
    ExpectSameAsRecursive(File);
}

TEST_F(AviWalk, EightTrailingBytesMakeANodeSevenDoNot) {
    const std::string Riff = List("RIFF", "AVI ", Chunk("abcd", "1234"));
    const TWalk Eight = WalkBytes(Riff + "tail" + Le32(5));
    ASSERT_EQ(Eight.Nodes.size(), 3u);
    EXPECT_EQ(Eight.Nodes.back().Level, 0);
    EXPECT_EQ(Eight.Nodes.back().Position, Riff.size());
    EXPECT_EQ(Eight.Nodes.back().Size, 5u);
    EXPECT_EQ(WalkBytes(Riff + "tail" + Le32(5).substr(0, 3)).Nodes.size(), 2u);
}

TEST_F(AviWalk, EnlargedRiffSizeGivesTheSameList) {
    std::string File = test::SampleMovie();
    const TWalk Exact = WalkBytes(File);
    File.replace(4, 4, Le32(static_cast<uint32_t>(File.size() - 8 + 20)));
    TWalk Larger = WalkBytes(File);
    ASSERT_EQ(Larger.Nodes.size(), Exact.Nodes.size());
    Larger.Nodes[0].Size -= 20;
    EXPECT_EQ(Larger.Nodes, Exact.Nodes);
}

TEST_F(AviWalk, CutFormTypeIsFilledWithZero) {
    const TWalk W = WalkBytes("RIFF" + Le32(100) + "AV");
    ASSERT_EQ(W.Nodes.size(), 1u);
    EXPECT_TRUE(W.Nodes[0].IsList);
    EXPECT_EQ(W.Nodes[0].FormType, 0x5641u); // "AV", then two zero bytes
    EXPECT_EQ(W.Lines,
              (std::vector<std::string>{"--------- position:0, -1", "--------- position:10, 108",
                                        "--------- position:10, -1"}));
    EXPECT_EQ(W.EndPosition, 10);
}

TEST_F(AviWalk, EmptyAndTinyFilesGiveNoNode) {
    const TWalk Empty = WalkBytes("");
    EXPECT_TRUE(Empty.Nodes.empty());
    EXPECT_EQ(Empty.Lines, (std::vector<std::string>{"--------- position:0, -1"}));
    const TWalk Seven = WalkBytes(std::string("RIFF\x10\x00\x00", 7));
    EXPECT_TRUE(Seven.Nodes.empty());
    EXPECT_EQ(Seven.EndPosition, 7);
}

TEST_F(AviWalk, ReadChunkReadsAtTheCurrentPosition) {
    const std::string Path = FScratch / "one.avi";
    test::WriteBytes(Path, test::SampleMovie());
    TAVIStream Stream(Path);
    Stream.Seek(12);
    const TChunkItem* Item = Stream.ReadChunk(5);
    ASSERT_NE(Item, nullptr);
    EXPECT_TRUE(Item->IsList);
    EXPECT_EQ(Item->Position, 12u);
    EXPECT_EQ(Item->Level, 5);
    EXPECT_EQ(Stream.Position(), 24);
    EXPECT_EQ(Stream.Last(), Item);
    EXPECT_EQ(Stream.ReadChunk(6)->Position, 24u);
    EXPECT_EQ(Item->Next, Stream.Last());
}

TEST_F(AviWalk, MissingFileRaises) {
    EXPECT_THROW(TAVIStream(FScratch / "absent.avi"), EFileError);
}

TEST_F(AviWalk, HundredThousandNestedListsAreWalkedWithoutRecursion) {
    constexpr int Depth = 100000;
    // Built from the inside out: every list ends where its last child ends.
    const std::string Leaf = Chunk("leaf", "abcd");
    std::string File(12 * (Depth + 1) + Leaf.size(), '\0');
    for (int I = 0; I <= Depth; ++I) {
        const size_t At = 12 * static_cast<size_t>(I);
        const auto Size = static_cast<uint32_t>(File.size() - At - 8);
        File.replace(At, 12, RawList(I == 0 ? "RIFF" : "LIST", Size, I == 0 ? "AVI " : "nest"));
    }
    File.replace(File.size() - Leaf.size(), Leaf.size(), Leaf);

    const TWalk W = WalkBytes(File);
    ASSERT_EQ(W.Nodes.size(), static_cast<size_t>(Depth + 2));
    for (int I = 0; I <= Depth + 1; ++I)
        ASSERT_EQ(W.Nodes[I].Level, I);
    EXPECT_FALSE(W.Nodes.back().IsList);
    // One line a level on the way in, one on the way out, and the outermost
    // level's last try.
    ASSERT_EQ(W.Lines.size(), static_cast<size_t>(2 * Depth + 4));
    const std::string End = std::to_string(File.size());
    EXPECT_EQ(W.Lines[Depth + 2], "--------- position:" + End + ", " + End);
    EXPECT_EQ(W.Lines.back(), "--------- position:" + End + ", -1");

    ExpectOneByOneWalksAgree(FScratch / "walk.avi", W);

    // Cut short: every level now ends with a failed read at the end of file.
    File.resize(File.size() - 6);
    const TWalk Cut = WalkBytes(File);
    EXPECT_EQ(Cut.Nodes.size(), static_cast<size_t>(Depth + 1));
    EXPECT_EQ(Cut.Lines.size(), static_cast<size_t>(2 * Depth + 3));
    ExpectOneByOneWalksAgree(FScratch / "walk.avi", Cut);
}

// Runs of empty chunks grow the window the headers are read through; a jump
// over a large payload shrinks it again. Headers lying across every window
// edge must still come out whole and in order.
TEST_F(AviWalk, DenseHeadersAndLargeJumpsAlternate) {
    std::string Body;
    for (int Round = 0; Round < 3; ++Round) {
        for (int I = 0; I < 150000; ++I)
            Body += RawChunk(I % 7 == 0 ? "odd " : "0000", I % 7 == 0 ? 1 : 0,
                             I % 7 == 0 ? std::string(2, 'p') : std::string());
        Body += List("LIST", "movi", Chunk("00dc", std::string(3 << 20, 'f')));
    }
    const std::string File = List("RIFF", "AVI ", Body) + RawChunk("tail", 4, "ab");
    const TRecursiveWalk Ref(File);
    const TWalk W = WalkBytes(File);
    EXPECT_EQ(W.Nodes, Ref.Result.Nodes);
    ExpectOneByOneWalksAgree(FScratch / "walk.avi", Ref.Result);
}

// Random structures with sizes that are right, too large, too small, odd or
// wrapping, cut anywhere: the stack-based walk must match the recursive one.
class RandomRiff {
  public:
    explicit RandomRiff(uint32_t Seed) : FRng(Seed) {}
    std::string File() {
        std::string S = Node(0);
        while (Pick(3) == 0)
            S += Node(1);
        if (Pick(4) == 0)
            S.resize(Pick(static_cast<uint32_t>(S.size()) + 1));
        return S;
    }

  private:
    uint32_t Pick(uint32_t N) { return static_cast<uint32_t>(FRng() % N); }
    uint32_t Skew(uint32_t Right) {
        switch (Pick(10)) {
        case 0:
            return Right + 1 + Pick(40);
        case 1:
            return Right > 4 ? Right - 1 - Pick(std::min<uint32_t>(Right - 4, 40)) : Right;
        case 2:
            return 0xFFFFFFF0u + Pick(16);
        default:
            return Right;
        }
    }
    std::string Node(int Depth) {
        static const char* Ids[] = {"JUNK", "00dc", "riff", "idx1", "LIS "};
        if (Depth < 6 && Pick(3) == 0) {
            std::string Children;
            const uint32_t Count = Pick(4);
            for (uint32_t I = 0; I < Count; ++I)
                Children += Node(Depth + 1);
            const auto Size = static_cast<uint32_t>(Children.size() + 4);
            return RawList(Pick(4) == 0 ? "RIFF" : "LIST", Skew(Size), "form") + Children;
        }
        std::string Payload(Pick(9), 'p');
        std::string S =
            RawChunk(Ids[Pick(5)], Skew(static_cast<uint32_t>(Payload.size())), Payload);
        if (Payload.size() % 2 && Pick(2))
            S.push_back('\0');
        return S;
    }
    std::mt19937 FRng;
};

TEST_F(AviWalk, MatchesRecursiveWalkOnRandomStructures) {
    for (uint32_t Seed = 1; Seed <= 400; ++Seed) {
        SCOPED_TRACE(Seed);
        ExpectSameAsRecursive(RandomRiff(Seed).File());
    }
}

} // namespace
} // namespace quillon
