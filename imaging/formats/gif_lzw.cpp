#include "gif_lzw.h"

#include <array>

namespace {
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
constexpr int kNoCode = -1;

// The string table: each entry is a shorter entry (its prefix) plus one
// byte. A prefix is always a lower code than its entry, so walking a chain
// ends after at most kTableSize steps whatever the data says.
struct CLzwTable {
    std::array<std::uint16_t, kTableSize> prefix{};
    std::array<std::uint8_t, kTableSize> suffix{};
    std::array<std::uint8_t, kTableSize> stack{};
};

class CLzwBits {
public:
    explicit CLzwBits(std::span<const std::uint8_t> data) : data(data) {}
    // The next code of `width` bits, or kNoCode when the data is used up.
    int ReadCode(int width)
    {
        while (count < width) {
            if (position >= data.size())
                return kNoCode;
            buffer |= static_cast<std::uint32_t>(data[position++]) << count;
            count += 8;
        }
        const int code = static_cast<int>(buffer & ((1u << width) - 1));
        buffer >>= width;
        count -= width;
        return code;
    }

private:
    std::span<const std::uint8_t> data;
    std::size_t position = 0;
    std::uint32_t buffer = 0;
    int count = 0;
};
} // namespace

CGifLzwResult DecodeGifLzw(int minCodeSize, std::span<const std::uint8_t> data, std::span<std::uint8_t> out,
                           std::size_t& produced)
{
    produced = 0;
    if (minCodeSize < 2 || minCodeSize > 8)
        return CGifLzwResult::invalid;

    CLzwTable table;
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int i = 0; i < clearCode; ++i)
        table.suffix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);

    CLzwBits bits(data);
    int width = minCodeSize + 1;
    int next = clearCode + 2;
    int previous = kNoCode;
    std::uint8_t previousFirst = 0;

    while (produced < out.size()) {
        const int code = bits.ReadCode(width);
        if (code == kNoCode || code == endCode)
            return CGifLzwResult::endedEarly;
        if (code == clearCode) {
            width = minCodeSize + 1;
            next = clearCode + 2;
            previous = kNoCode;
            continue;
        }
        if (previous == kNoCode) {
            // The first code after a clear must be a plain index.
            if (code >= clearCode)
                return CGifLzwResult::invalid;
            out[produced++] = static_cast<std::uint8_t>(code);
            previous = code;
            previousFirst = static_cast<std::uint8_t>(code);
            continue;
        }
        if (code > next || (code == next && next >= kTableSize))
            return CGifLzwResult::invalid;

        // Unwind the string of `code` onto the stack, last byte first. The
        // one code that is not yet in the table (code == next) is the
        // previous string plus its own first byte.
        std::size_t depth = 0;
        int walk = code;
        if (code == next) {
            table.stack[depth++] = previousFirst;
            walk = previous;
        }
        while (walk >= clearCode) {
            table.stack[depth++] = table.suffix[static_cast<std::size_t>(walk)];
            walk = table.prefix[static_cast<std::size_t>(walk)];
        }
        const std::uint8_t first = static_cast<std::uint8_t>(walk);
        table.stack[depth++] = first;

        while (depth > 0 && produced < out.size())
            out[produced++] = table.stack[--depth];

        // Once the table is full, encoders may keep sending 12-bit codes
        // without a clear; those codes add no entries.
        if (next < kTableSize) {
            table.prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            table.suffix[static_cast<std::size_t>(next)] = first;
            ++next;
            if (next >= (1 << width) && width < kMaxCodeBits)
                ++width;
        }
        previous = code;
        previousFirst = first;
    }
    return CGifLzwResult::complete;
}
