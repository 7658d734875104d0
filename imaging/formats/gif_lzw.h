#pragma once
// The GIF variant of LZW: variable code width from (minimum code size + 1)
// up to 12 bits, least significant bit first, a clear and an end code, and a
// 4096-entry string table. All working state lives in the call, so any
// number of threads may decode at once.

#include <cstddef>
#include <cstdint>
#include <span>

enum class CGifLzwResult {
    complete,     // every output index was written
    endedEarly,   // the data (or an end code) ran out first; the rest is untouched
    invalid,      // a code the table cannot hold, or a bad minimum code size
};

// Decodes `data` (the image's data sub-blocks already concatenated, without
// their length bytes) into colour indices. Never writes past out.size();
// indices beyond it are dropped. `produced` receives the number written.
// minCodeSize must be 2 to 8: GIF never uses 1, and indices are bytes.
CGifLzwResult DecodeGifLzw(int minCodeSize, std::span<const std::uint8_t> data, std::span<std::uint8_t> out,
                           std::size_t& produced);
