#pragma once
// A bounds-checked cursor over a byte span, for the library's own decoders
// (bitmap, GIF, greymap/pixmap, Photoshop). Reading past the end never
// touches memory outside the span: it yields 0 and sets failed(), so a
// decoder can read a whole header and test once at the end.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

class CByteReader {
public:
    explicit CByteReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::size_t Position() const { return position; }
    std::size_t Size() const { return bytes.size(); }
    std::size_t Remaining() const { return bytes.size() - position; }
    bool Failed() const { return failed; }

    std::uint8_t ReadU8()
    {
        if (position >= bytes.size()) {
            failed = true;
            return 0;
        }
        return bytes[position++];
    }
    std::uint16_t ReadU16LE()
    {
        const std::uint16_t lo = ReadU8();
        return static_cast<std::uint16_t>(lo | (ReadU8() << 8));
    }
    std::uint16_t ReadU16BE()
    {
        const std::uint16_t hi = ReadU8();
        return static_cast<std::uint16_t>((hi << 8) | ReadU8());
    }
    std::uint32_t ReadU32LE()
    {
        const std::uint32_t lo = ReadU16LE();
        return lo | (static_cast<std::uint32_t>(ReadU16LE()) << 16);
    }
    std::uint32_t ReadU32BE()
    {
        const std::uint32_t hi = ReadU16BE();
        return (hi << 16) | ReadU16BE();
    }
    std::int32_t ReadI32LE() { return static_cast<std::int32_t>(ReadU32LE()); }

    // Moves the cursor by n bytes; false (and failed) if fewer remain, in
    // which case the cursor goes to the end.
    bool Skip(std::size_t n)
    {
        if (n > Remaining()) {
            position = bytes.size();
            failed = true;
            return false;
        }
        position += n;
        return true;
    }
    // Moves the cursor to an absolute offset; false (and failed) past the end.
    bool Seek(std::size_t offset)
    {
        if (offset > bytes.size()) {
            position = bytes.size();
            failed = true;
            return false;
        }
        position = offset;
        return true;
    }
    // The next n bytes, or fewer when the span ends first (then failed is
    // set). The cursor moves past what is returned.
    std::span<const std::uint8_t> Take(std::size_t n)
    {
        if (n > Remaining()) {
            failed = true;
            n = Remaining();
        }
        const auto part = bytes.subspan(position, n);
        position += n;
        return part;
    }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
    bool failed = false;
};

// Overflow-checked size arithmetic for sizes taken from file headers: every
// product that becomes an allocation or a read length goes through these.
inline bool MultiplySizes(std::size_t a, std::size_t b, std::size_t& out)
{
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a)
        return false;
    out = a * b;
    return true;
}
inline bool MultiplySizes(std::size_t a, std::size_t b, std::size_t c, std::size_t& out)
{
    std::size_t ab = 0;
    return MultiplySizes(a, b, ab) && MultiplySizes(ab, c, out);
}
