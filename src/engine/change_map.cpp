#include "change_map.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <tuple>

namespace quillon {

namespace {

constexpr size_t FingerprintBytes = 3;

void CheckTable(const TTileTables& T, const char* Which) {
    if (T.Width == 0 || T.Height == 0 || T.TileSize == 0)
        throw std::invalid_argument(std::string(Which) + " tile table is empty");
    if (T.DigestBytes == 0 || T.Digests.size() != T.TileCount() * T.DigestBytes)
        throw std::invalid_argument(std::string(Which) + " tile digests do not fit the image");
    if (T.Fingerprints.size() != T.TileCount() * FingerprintBytes)
        throw std::invalid_argument(std::string(Which) +
                                    " tile fingerprints do not fit the image");
    if (!T.Detail.empty() && T.Detail.size() != T.TileCount())
        throw std::invalid_argument(std::string(Which) + " tile detail does not fit the image");
}

bool DigestDiffers(const TTileTables& A, const TTileTables& B, size_t Tile) {
    const size_t N = std::min(A.DigestBytes, B.DigestBytes);
    return std::memcmp(A.Digests.data() + Tile * A.DigestBytes,
                       B.Digests.data() + Tile * B.DigestBytes, N) != 0;
}

std::string Plural(size_t N, const char* One, const char* Many) {
    return std::to_string(N) + " " + (N == 1 ? One : Many);
}

} // namespace

int FingerprintMove(const TTileTables& Signed, const TTileTables& Now, size_t Tile) {
    int Most = 0;
    for (size_t C = 0; C < FingerprintBytes; ++C) {
        const int A = Signed.Fingerprints[Tile * FingerprintBytes + C];
        const int B = Now.Fingerprints[Tile * FingerprintBytes + C];
        Most = std::max(Most, std::abs(A - B));
    }
    return Most;
}

int DetailMove(const TTileTables& Signed, const TTileTables& Now, size_t Tile) {
    if (Signed.Detail.size() <= Tile || Now.Detail.size() <= Tile)
        return 0;
    return std::abs(int{Signed.Detail[Tile]} - int{Now.Detail[Tile]});
}

std::vector<TChangeRegion> MergeTiles(const TTileTables& Table,
                                      const std::vector<TTileChange>& Tiles,
                                      const std::vector<int>& Moves) {
    const uint32_t Columns = Table.Columns(), Rows = Table.Rows();
    std::vector<bool> Seen(Tiles.size(), false);
    std::vector<TChangeRegion> Regions;
    std::vector<size_t> Open;
    for (size_t Start = 0; Start < Tiles.size(); ++Start) {
        if (Seen[Start] || Tiles[Start] == TTileChange::Same)
            continue;
        const TTileChange Kind = Tiles[Start];
        uint32_t Left = Columns, Top = Rows, Right = 0, Bottom = 0;
        int Strength = 0;
        Seen[Start] = true;
        Open.assign(1, Start);
        while (!Open.empty()) {
            const size_t I = Open.back();
            Open.pop_back();
            const uint32_t C = static_cast<uint32_t>(I % Columns);
            const uint32_t R = static_cast<uint32_t>(I / Columns);
            Left = std::min(Left, C), Right = std::max(Right, C);
            Top = std::min(Top, R), Bottom = std::max(Bottom, R);
            Strength = std::max(Strength, Moves[I]);
            const auto Visit = [&](uint32_t NC, uint32_t NR) {
                const size_t N = size_t{NR} * Columns + NC;
                if (!Seen[N] && Tiles[N] == Kind) {
                    Seen[N] = true;
                    Open.push_back(N);
                }
            };
            if (C > 0)
                Visit(C - 1, R);
            if (C + 1 < Columns)
                Visit(C + 1, R);
            if (R > 0)
                Visit(C, R - 1);
            if (R + 1 < Rows)
                Visit(C, R + 1);
        }
        const uint32_t T = Table.TileSize;
        TChangeRegion Region;
        Region.X = Left * T;
        Region.Y = Top * T;
        Region.Width = std::min(Table.Width, (Right + 1) * T) - Region.X;
        Region.Height = std::min(Table.Height, (Bottom + 1) * T) - Region.Y;
        Region.Kind = Kind;
        Region.Strength = Strength;
        Regions.push_back(Region);
    }
    std::sort(Regions.begin(), Regions.end(), [](const TChangeRegion& A, const TChangeRegion& B) {
        const uint64_t AreaA = uint64_t{A.Width} * A.Height, AreaB = uint64_t{B.Width} * B.Height;
        return std::tuple(-A.Strength, ~AreaA, A.Y, A.X) < std::tuple(-B.Strength, ~AreaB, B.Y, B.X);
    });
    return Regions;
}

double UsualDetailShare(const TTileTables& Signed, const TTileTables& Now) {
    std::vector<double> Shares;
    if (Signed.Detail.size() == Signed.TileCount() && Now.Detail.size() == Signed.TileCount())
        for (size_t I = 0; I < Signed.TileCount(); ++I)
            if (Signed.Detail[I] > 0 && DigestDiffers(Signed, Now, I))
                Shares.push_back(static_cast<double>(Now.Detail[I]) / Signed.Detail[I]);
    if (Shares.empty())
        return 1.0;
    std::nth_element(Shares.begin(), Shares.begin() + Shares.size() / 2, Shares.end());
    return Shares[Shares.size() / 2];
}

bool MovedInContent(const TTileTables& Signed, const TTileTables& Now, size_t Tile,
                    double UsualShare, const TChangeThresholds& Thresholds) {
    if (FingerprintMove(Signed, Now, Tile) >= Thresholds.ContentLevels)
        return true;
    if (Signed.Detail.size() <= Tile || Now.Detail.size() <= Tile)
        return false;
    const int Before = Signed.Detail[Tile], After = Now.Detail[Tile];
    return After < Thresholds.DetailFactor * UsualShare * Before &&
           Before - After >= Thresholds.DetailSteps;
}

TChangeMap CompareTiles(const TTileTables& Signed, const TTileTables& Now,
                        const TChangeThresholds& Thresholds) {
    CheckTable(Signed, "the signed");
    CheckTable(Now, "the present");
    TChangeMap Map;
    if (Signed.Width != Now.Width || Signed.Height != Now.Height) {
        Map.Class = TChangeClass::OtherSize;
        return Map;
    }
    if (Signed.TileSize != Now.TileSize)
        throw std::invalid_argument("the tile tables were cut with different tile sizes");
    const size_t Count = Signed.TileCount();
    Map.Tiles.assign(Count, TTileChange::Same);
    std::vector<int> Moves(Count, 0);
    size_t Differing = 0, Content = 0;
    const double Usual = UsualDetailShare(Signed, Now);
    for (size_t I = 0; I < Count; ++I) {
        if (!DigestDiffers(Signed, Now, I))
            continue;
        ++Differing;
        Moves[I] = std::max(FingerprintMove(Signed, Now, I), DetailMove(Signed, Now, I) / 4);
        const bool Moved = MovedInContent(Signed, Now, I, Usual, Thresholds);
        Map.Tiles[I] = Moved ? TTileChange::Content : TTileChange::ExactOnly;
        Content += Moved;
    }
    if (Differing == 0) {
        Map.Class = TChangeClass::PixelsIdentical;
        return Map;
    }
    if (Content == 0) {
        Map.Class = TChangeClass::SavedAgain;
        return Map;
    }
    std::vector<TTileChange> Marked = Map.Tiles;
    std::replace(Marked.begin(), Marked.end(), TTileChange::ExactOnly, TTileChange::Same);
    Map.Class = TChangeClass::Edited;
    Map.Regions = MergeTiles(Signed, Marked, Moves);
    return Map;
}

std::string ChangeSummary(const TChangeMap& Map, const TTileTables& Signed,
                          const TTileTables& Now) {
    switch (Map.Class) {
    case TChangeClass::PixelsIdentical:
        return "pixels identical";
    case TChangeClass::SavedAgain: {
        const size_t Slight = static_cast<size_t>(
            std::count(Map.Tiles.begin(), Map.Tiles.end(), TTileChange::ExactOnly));
        if (2 * Slight < Map.Tiles.size())
            return "slight changes in " + Plural(Slight, "tile", "tiles") + ", content unchanged";
        return "saved again, content unchanged";
    }
    case TChangeClass::Edited:
        return "edited: " + Plural(Map.Regions.size(), "region", "regions");
    case TChangeClass::OtherSize:
        return "resized or cropped: " + std::to_string(Now.Width) + " x " +
               std::to_string(Now.Height) + ", signed " + std::to_string(Signed.Width) + " x " +
               std::to_string(Signed.Height);
    }
    return {};
}

} // namespace quillon
