// What the movie benchmarks share: a movie-like file of a given size.
#pragma once

#include <cstdint>
#include <string>

namespace quillon::bench {

// RIFF "AVI " { LIST hdrl { avih }, LIST movi { frames and audio }, idx1 }
// with frames of odd and even sizes, about Target bytes in all.
void WriteMovie(const std::string& Path, uint64_t Target);

} // namespace quillon::bench
