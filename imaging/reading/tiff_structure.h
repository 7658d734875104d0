#pragma once
// The one reader of TIFF structure: a TIFF file, the TIFF data of an EXIF
// block, the first directory of a camera RAW file. Offsets count from the
// TIFF header ("II*\0" or "MM\0*"). Every read is checked against the end of
// the data and yields 0 outside it, so a hostile offset can never reach
// memory beyond the span; the callers keep their own rules on how much of a
// cut directory they believe.
//
// The bytes are read through a const span; the few callers that change a
// value in place (the EXIF block edits) pass bytes they own and use Write*.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

class CTiffStructure {
public:
    static constexpr std::size_t kEntrySize = 12;
    // No value: what FindEntry and the single-value reads give for "none".
    static constexpr std::size_t kNone = std::size_t(-1);

    CTiffStructure() = default;
    // Takes the byte order from the first two bytes; anything but "II" or
    // "MM" (or fewer than 8 bytes) leaves the structure invalid. The magic
    // number is left to the caller (Magic()): not every reader insists on it.
    explicit CTiffStructure(std::span<const std::uint8_t> tiff)
    {
        if (tiff.size() < 8)
            return;
        if (tiff[0] == 'I' && tiff[1] == 'I')
            intel = true;
        else if (!(tiff[0] == 'M' && tiff[1] == 'M'))
            return;
        data = tiff.data();
        size = tiff.size();
    }

    // Bytes whose byte order is known from elsewhere (a directory walked on
    // its own); any size.
    CTiffStructure(std::span<const std::uint8_t> tiff, bool intelOrder)
        : data(tiff.data()), size(tiff.size()), intel(intelOrder)
    {
    }

    bool Valid() const { return data != nullptr; }
    bool Intel() const { return intel; }
    std::size_t Size() const { return size; }
    const std::uint8_t* Data() const { return data; }
    std::uint32_t Magic() const { return Read16(2); }
    std::uint32_t FirstDirectory() const { return Read32(4); }

    std::uint32_t Read16(std::size_t at) const
    {
        if (!Has(at, 2))
            return 0;
        const std::uint8_t* p = data + at;
        return intel ? std::uint32_t(p[0] | p[1] << 8) : std::uint32_t(p[0] << 8 | p[1]);
    }
    std::uint32_t Read32(std::size_t at) const
    {
        if (!Has(at, 4))
            return 0;
        const std::uint8_t* p = data + at;
        return intel ? std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                           std::uint32_t(p[3]) << 24
                     : std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
                           std::uint32_t(p[3]);
    }
    // Only for bytes the caller owns and may change.
    void Write16(std::size_t at, std::uint32_t v) const
    {
        if (!Has(at, 2))
            return;
        std::uint8_t* p = const_cast<std::uint8_t*>(data) + at;
        p[intel ? 0 : 1] = std::uint8_t(v);
        p[intel ? 1 : 0] = std::uint8_t(v >> 8);
    }
    void Write32(std::size_t at, std::uint32_t v) const
    {
        if (!Has(at, 4))
            return;
        std::uint8_t* p = const_cast<std::uint8_t*>(data) + at;
        for (int i = 0; i < 4; ++i)
            p[intel ? i : 3 - i] = std::uint8_t(v >> (8 * i));
    }
    // Whether bytes [at, at + count) lie inside the data.
    bool Has(std::size_t at, std::uint64_t count) const
    {
        return data != nullptr && at <= size && size - at >= count;
    }

    // --- Directories ---------------------------------------------------------
    // The count a directory declares (0 when its count lies outside).
    std::size_t DeclaredEntries(std::size_t at) const { return Has(at, 2) ? Read16(at) : 0; }
    // Whether a whole directory (count and entries) lies inside the data.
    bool DirectoryFits(std::size_t at) const
    {
        if (at == 0 || !Has(at, 2))
            return false;
        return (size - at - 2) / kEntrySize >= Read16(at);
    }
    // The entries of a directory that lie whole inside the data, in order:
    // a directory cut short keeps the entries before the cut.
    std::size_t EntriesInside(std::size_t at) const
    {
        if (!Has(at, 2))
            return 0;
        return std::min<std::size_t>(Read16(at), (size - at - 2) / kEntrySize);
    }
    // Only a directory that fits whole has entries here.
    std::size_t EntryCount(std::size_t at) const { return DirectoryFits(at) ? Read16(at) : 0; }
    std::size_t EntryPosition(std::size_t directory, std::size_t index) const
    {
        return directory + 2 + kEntrySize * index;
    }
    // The position of the link after a whole directory's entries.
    std::size_t LinkPosition(std::size_t at) const { return EntryPosition(at, EntryCount(at)); }

    // The entry of `tag` in a directory that fits whole; kNone when none.
    std::size_t FindEntry(std::size_t directory, std::uint16_t tag) const
    {
        const std::size_t count = EntryCount(directory);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = EntryPosition(directory, i);
            if (Read16(entry) == tag)
                return entry;
        }
        return kNone;
    }

    // --- Entries ---------------------------------------------------------------
    std::uint32_t Tag(std::size_t entry) const { return Read16(entry); }
    std::uint32_t Type(std::size_t entry) const { return Read16(entry + 2); }
    std::uint32_t Count(std::size_t entry) const { return Read32(entry + 4); }
    // Bytes per component of the field types 1 to 12; 0 for an unknown type.
    static std::uint32_t TypeSize(std::uint32_t type)
    {
        static constexpr std::uint32_t kSizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
        return type <= 12 ? kSizes[type] : 0;
    }
    static bool KnownType(std::uint32_t type) { return type >= 1 && type <= 12; }
    // The bytes of an entry's value (0 for an unknown type).
    std::uint64_t ValueBytes(std::size_t entry) const { return std::uint64_t(Count(entry)) * TypeSize(Type(entry)); }
    // Where the value lies: in the entry itself up to four bytes, else at
    // the offset the entry gives.
    std::uint64_t ValuePosition(std::size_t entry) const
    {
        return ValueBytes(entry) > 4 ? std::uint64_t(Read32(entry + 8)) : std::uint64_t(entry + 8);
    }

    // A one-component SHORT or LONG value; kNone otherwise.
    std::size_t ReadSingle(std::size_t entry) const
    {
        if (entry == kNone || Count(entry) != 1)
            return kNone;
        if (Type(entry) == kShort)
            return Read16(entry + 8);
        if (Type(entry) == kLong)
            return Read32(entry + 8);
        return kNone;
    }
    // A one-component SHORT value; kNone otherwise.
    std::size_t ReadShort(std::size_t entry) const
    {
        if (entry == kNone || Count(entry) != 1 || Type(entry) != kShort)
            return kNone;
        return Read16(entry + 8);
    }
    void WriteSingle(std::size_t entry, std::uint32_t value) const
    {
        if (entry == kNone || Count(entry) != 1)
            return;
        if (Type(entry) == kShort && value <= 0xFFFF)
            Write16(entry + 8, value);
        else if (Type(entry) == kLong)
            Write32(entry + 8, value);
    }

    static constexpr std::uint16_t kShort = 3;
    static constexpr std::uint16_t kLong = 4;

private:
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool intel = false;
};

// The TIFF data of an EXIF APP1 payload ("Exif" and two NUL bytes, then the
// TIFF header); invalid when the payload is not EXIF or its magic is not 42.
inline CTiffStructure ExifTiffStructure(std::span<const std::uint8_t> payload)
{
    constexpr std::size_t kExifHeader = 6;
    static constexpr std::uint8_t kSignature[kExifHeader] = {'E', 'x', 'i', 'f', 0, 0};
    if (payload.size() < kExifHeader + 8 || !std::equal(kSignature, kSignature + kExifHeader, payload.begin()))
        return {};
    const CTiffStructure tiff(payload.subspan(kExifHeader));
    return tiff.Valid() && tiff.Magic() == 42 ? tiff : CTiffStructure{};
}
