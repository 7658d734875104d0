#pragma once
// PackBits run-length decoding (Photoshop image rows).

#include <cstdint>
#include <span>

// Decodes `in` into `out`: a control byte b (signed) copies the next b + 1
// bytes for 0..127, repeats the next byte 1 - b times for -1..-127, and does
// nothing for -128. Decoding goes on until the input is used up. It fails as
// soon as a run would go past out.size() (nothing is written past it), and
// succeeds only when exactly out.size() bytes were produced.
bool DecodePackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);
