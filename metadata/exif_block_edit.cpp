#include "exif_block_edit.h"

#include "tiff_structure.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kExifHeader = 6;  // "Exif" and two NUL bytes
constexpr std::size_t kEntrySize = CTiffStructure::kEntrySize;

constexpr std::uint16_t kTagImageWidth = 0x0100;
constexpr std::uint16_t kTagImageLength = 0x0101;
constexpr std::uint16_t kTagCompression = 0x0103;
constexpr std::uint16_t kTagStripOffsets = 0x0111;
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTagStripByteCounts = 0x0117;
constexpr std::uint16_t kTagXResolution = 0x011A;
constexpr std::uint16_t kTagYResolution = 0x011B;
constexpr std::uint16_t kTagResolutionUnit = 0x0128;
constexpr std::uint16_t kTagThumbnailOffset = 0x0201;
constexpr std::uint16_t kTagThumbnailLength = 0x0202;
constexpr std::uint16_t kTagExifPointer = 0x8769;
constexpr std::uint16_t kTagGpsPointer = 0x8825;
constexpr std::uint16_t kTagInteropPointer = 0xA005;
constexpr std::uint16_t kTagPixelXDimension = 0xA002;
constexpr std::uint16_t kTagPixelYDimension = 0xA003;

constexpr std::uint16_t kShort = CTiffStructure::kShort;
constexpr std::uint16_t kLong = CTiffStructure::kLong;
constexpr std::uint16_t kRational = 5;
constexpr std::size_t kNone = CTiffStructure::kNone;

// The TIFF data of a payload, with the links between the directories an
// EXIF block holds.
class CTiffView : public CTiffStructure {
public:
    explicit CTiffView(std::span<const std::uint8_t> payload) : CTiffStructure(ExifTiffStructure(payload)) {}

    // The directory a pointer entry leads to (0 when none).
    std::size_t Pointed(std::size_t directory, std::uint16_t tag) const
    {
        const std::size_t entry = FindEntry(directory, tag);
        if (entry == kNone)
            return 0;
        const std::size_t target = Read32(entry + 8);
        return DirectoryFits(target) ? target : 0;
    }
    std::size_t Ifd0() const
    {
        const std::size_t at = FirstDirectory();
        return DirectoryFits(at) ? at : 0;
    }

    // Where a directory with everything it holds out of line begins and ends.
    void Extent(std::size_t directory, std::size_t& begin, std::size_t& end) const
    {
        begin = std::min(begin, directory);
        end = std::max(end, std::min(Size(), LinkPosition(directory) + 4));
        const std::size_t count = EntryCount(directory);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = EntryPosition(directory, i);
            if (!KnownType(Type(entry)))
                continue;
            const std::uint64_t bytes = ValueBytes(entry);
            const std::uint64_t offset = Read32(entry + 8);
            if (bytes > 4 && offset + bytes <= Size()) {
                begin = std::min(begin, std::size_t(offset));
                end = std::max(end, std::size_t(offset + bytes));
            }
        }
    }
};

// Where the parts of a block lie, as byte ranges of its TIFF data: the
// directories that stay (IFD0, Exif, GPS, Interoperability) with their links
// and out-of-line values, and the thumbnail's (IFD1 and what follows it in
// the chain, their values, the picture). The block is rewritten in place, so
// a byte that two parts share would change both: a write is made only where
// nothing else reads, and the thumbnail is only rebuilt in a block whose
// parts all lie inside it and apart.
class CBlockLayout {
public:
    explicit CBlockLayout(const CTiffView& tiff) : tiff(tiff)
    {
        const std::size_t ifd0 = tiff.Valid() ? tiff.Ifd0() : 0;
        if (ifd0 == 0)
            return;
        AddRange(0, 8, kNone, kept);
        AddDirectory(ifd0, true, kept);
        const std::size_t exif = AddPointed(ifd0, kTagExifPointer);
        AddPointed(ifd0, kTagGpsPointer);
        if (exif != 0)
            AddPointed(exif, kTagInteropPointer);
        // The chain after IFD0; a loop shows as a directory met twice. A
        // link that leads nowhere is dropped with the thumbnail.
        std::size_t next = tiff.Read32(tiff.LinkPosition(ifd0));
        for (int step = 0; step < 4 && tiff.DirectoryFits(next); ++step) {
            AddDirectory(next, true, thumbnail);
            next = tiff.Read32(tiff.LinkPosition(next));
        }
        if (const std::size_t ifd1 = tiff.Read32(tiff.LinkPosition(ifd0)); tiff.DirectoryFits(ifd1))
            for (const auto& tags : kPictureTags) {
                const std::size_t offset = tiff.ReadSingle(tiff.FindEntry(ifd1, tags[0]));
                const std::size_t length = tiff.ReadSingle(tiff.FindEntry(ifd1, tags[1]));
                if (offset != kNone && length != kNone && offset <= tiff.Size() && length <= tiff.Size() - offset)
                    AddRange(offset, offset + length, kNone, thumbnail);
            }
    }

    // Whether every part lies inside the block and no two share a byte.
    bool Apart() const
    {
        if (!inside)
            return false;
        std::vector<CRange> all = kept;
        all.insert(all.end(), thumbnail.begin(), thumbnail.end());
        std::sort(all.begin(), all.end(), [](const CRange& a, const CRange& b) { return a.begin < b.begin; });
        for (std::size_t i = 1; i < all.size(); ++i)
            if (all[i].begin < all[i - 1].end)
                return false;
        return true;
    }
    // Whether bytes [begin, end) belong to a part that stays, other than
    // the entries and link of `directory` (which hold them).
    bool UsedByKept(std::size_t begin, std::size_t end, std::size_t directory = 0) const
    {
        return std::any_of(kept.begin(), kept.end(), [&](const CRange& r) {
            return r.directory != directory && begin < r.end && r.begin < end;
        });
    }

    static constexpr std::uint16_t kPictureTags[2][2] = {{kTagThumbnailOffset, kTagThumbnailLength},
                                                        {kTagStripOffsets, kTagStripByteCounts}};

private:
    struct CRange {
        std::size_t begin, end;
        std::size_t directory;  // the directory whose entries and link these are; kNone for a value
    };

    void AddRange(std::size_t begin, std::size_t end, std::size_t directory, std::vector<CRange>& to)
    {
        if (begin < end)
            to.push_back({begin, end, directory});
    }
    // A directory's entries, its link when anything reads that, and its
    // values. (Writers that leave out the unused link of the Exif directory
    // put its values right behind its entries.)
    void AddDirectory(std::size_t at, bool withLink, std::vector<CRange>& to)
    {
        AddRange(at, std::min(tiff.Size(), tiff.LinkPosition(at) + (withLink ? 4 : 0)), at, to);
        const std::size_t count = tiff.EntryCount(at);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = tiff.EntryPosition(at, i);
            if (!CTiffStructure::KnownType(tiff.Type(entry)))
                continue;  // no reader knows its size either
            const std::uint64_t bytes = tiff.ValueBytes(entry);
            const std::uint64_t offset = tiff.Read32(entry + 8);
            if (bytes <= 4)
                continue;
            // A value past the end would come to read whatever is appended.
            if (offset + bytes > tiff.Size() && &to == &kept)
                inside = false;
            else if (offset + bytes <= tiff.Size())
                AddRange(std::size_t(offset), std::size_t(offset + bytes), kNone, to);
        }
    }
    // A directory that stays, from its pointer in `from`; 0 when none.
    std::size_t AddPointed(std::size_t from, std::uint16_t tag)
    {
        if (tiff.FindEntry(from, tag) == kNone)
            return 0;
        const std::size_t at = tiff.Pointed(from, tag);
        if (at == 0)
            inside = false;
        else
            AddDirectory(at, false, kept);
        return at;
    }

    const CTiffView& tiff;
    std::vector<CRange> kept, thumbnail;
    bool inside = true;
};

} // namespace

int ReadExifOrientation(std::span<const std::uint8_t> payload)
{
    const CTiffView tiff(payload);
    if (!tiff.Valid())
        return 0;
    const std::size_t value = tiff.ReadShort(tiff.FindEntry(tiff.Ifd0(), kTagOrientation));
    return value >= 1 && value <= 8 ? int(value) : 0;
}

bool HasExifThumbnail(std::span<const std::uint8_t> payload)
{
    const CTiffView tiff(payload);
    const std::size_t ifd0 = tiff.Valid() ? tiff.Ifd0() : 0;
    return ifd0 != 0 && tiff.DirectoryFits(tiff.Read32(tiff.LinkPosition(ifd0)));
}

bool SetExifOutputValues(std::vector<std::uint8_t>& payload, int width, int height)
{
    CTiffView tiff(payload);
    const std::size_t ifd0 = tiff.Valid() ? tiff.Ifd0() : 0;
    if (ifd0 == 0 || width < 1 || height < 1)
        return true;
    const CBlockLayout layout(tiff);
    // The entry is made a SHORT 1 whatever it held: the picture is upright
    // now, and a value of another type or out of range turned nothing.
    const std::size_t orientation = tiff.FindEntry(ifd0, kTagOrientation);
    const bool orientationIsOne = orientation == kNone || tiff.ReadShort(orientation) == 1;
    if (!orientationIsOne && layout.UsedByKept(orientation + 2, orientation + kEntrySize, ifd0))
        return false;
    // IFD0's link is rewritten with the thumbnail, if only to drop it.
    const std::size_t linkAt = tiff.LinkPosition(ifd0);
    if (tiff.Read32(linkAt) != 0 && layout.UsedByKept(linkAt, linkAt + 4, ifd0))
        return false;
    if (!orientationIsOne && tiff.ReadShort(orientation) == kNone) {
        tiff.Write16(orientation + 2, kShort);
        tiff.Write32(orientation + 4, 1);
        tiff.Write32(orientation + 8, 0);
    }
    if (!orientationIsOne)
        tiff.Write16(orientation + 8, 1);
    // The pixel size is left as it was where its bytes are another value's too.
    auto setSize = [&](std::size_t directory, std::uint16_t tag, int value) {
        const std::size_t entry = tiff.FindEntry(directory, tag);
        if (entry != kNone && !layout.UsedByKept(entry + 8, entry + kEntrySize, directory))
            tiff.WriteSingle(entry, std::uint32_t(value));
    };
    setSize(ifd0, kTagImageWidth, width);
    setSize(ifd0, kTagImageLength, height);
    if (const std::size_t exif = tiff.Pointed(ifd0, kTagExifPointer); exif != 0) {
        setSize(exif, kTagPixelXDimension, width);
        setSize(exif, kTagPixelYDimension, height);
    }
    return true;
}

bool ExifPartsApart(std::span<const std::uint8_t> payload)
{
    const CTiffView tiff(payload);
    return CBlockLayout(tiff).Apart();
}

bool ReplaceExifThumbnail(std::vector<std::uint8_t>& payload, std::span<const std::uint8_t> thumbnailJpeg,
                          std::size_t maxPayload, bool addWhenMissing)
{
    std::size_t cut = 0;
    std::size_t linkAt = 0;
    bool add = addWhenMissing;
    {
        CTiffView tiff(payload);
        const std::size_t ifd0 = tiff.Valid() ? tiff.Ifd0() : 0;
        if (ifd0 == 0)
            return false;
        linkAt = tiff.LinkPosition(ifd0);
        if (linkAt + 4 > tiff.Size())
            return true;  // no room for a link: there is no IFD1 and none can be added
        cut = tiff.Size();
        const std::size_t ifd1 = tiff.Read32(linkAt);
        const bool hadThumbnail = tiff.DirectoryFits(ifd1);
        if (!hadThumbnail && !addWhenMissing && ifd1 == 0)
            return true;
        // A block whose parts overlap, loop or reach past its end cannot be
        // rebuilt without changing a value it carries: it loses its
        // thumbnail, and nothing else of it changes.
        const CBlockLayout layout(tiff);
        const bool apart = layout.Apart();
        add = apart && (add || hadThumbnail);
        if (hadThumbnail) {
            // The old picture goes whatever happens next, unless its bytes
            // are another value's too.
            for (const auto& tags : CBlockLayout::kPictureTags) {
                const std::size_t offset = tiff.ReadSingle(tiff.FindEntry(ifd1, tags[0]));
                const std::size_t length = tiff.ReadSingle(tiff.FindEntry(ifd1, tags[1]));
                if (offset != kNone && length != kNone && offset <= tiff.Size() && length <= tiff.Size() - offset &&
                    !layout.UsedByKept(offset, offset + length))
                    std::fill_n(payload.begin() + long(kExifHeader + offset), length, std::uint8_t(0));
            }
        }
        if (hadThumbnail && apart) {
            // Everything of IFD1 at the end of the block, after all the other
            // directories' bytes, is cut off instead of left as dead weight.
            std::size_t begin = tiff.Size(), end = 0;
            tiff.Extent(ifd1, begin, end);
            for (const auto& tags : CBlockLayout::kPictureTags) {
                const std::size_t offset = tiff.ReadSingle(tiff.FindEntry(ifd1, tags[0]));
                const std::size_t length = tiff.ReadSingle(tiff.FindEntry(ifd1, tags[1]));
                if (offset != kNone && length != kNone && offset <= tiff.Size() && length <= tiff.Size() - offset) {
                    begin = std::min(begin, offset);
                    end = std::max(end, offset + length);
                }
            }
            std::size_t othersBegin = tiff.Size(), othersEnd = 8;
            tiff.Extent(ifd0, othersBegin, othersEnd);
            if (const std::size_t exif = tiff.Pointed(ifd0, kTagExifPointer); exif != 0) {
                tiff.Extent(exif, othersBegin, othersEnd);
                if (const std::size_t interop = tiff.Pointed(exif, kTagInteropPointer); interop != 0)
                    tiff.Extent(interop, othersBegin, othersEnd);
            }
            if (const std::size_t gps = tiff.Pointed(ifd0, kTagGpsPointer); gps != 0)
                tiff.Extent(gps, othersBegin, othersEnd);
            if (end + 1 >= tiff.Size() && othersEnd <= begin && begin >= 8)
                cut = begin;
        }
        if (!layout.UsedByKept(linkAt, linkAt + 4, ifd0))
            tiff.Write32(linkAt, 0);
    }
    payload.resize(kExifHeader + cut);
    if (!add || thumbnailJpeg.empty())
        return true;

    // The new IFD1: six entries, two rationals, the picture.
    const std::size_t directory = (cut + 1) & ~std::size_t{1};
    const std::size_t entries = 6;
    const std::size_t rationals = directory + 2 + kEntrySize * entries + 4;
    const std::size_t picture = rationals + 16;
    if (kExifHeader + picture + thumbnailJpeg.size() > maxPayload)
        return true;
    payload.resize(kExifHeader + picture + thumbnailJpeg.size(), 0);
    std::copy(thumbnailJpeg.begin(), thumbnailJpeg.end(), payload.begin() + long(kExifHeader + picture));
    CTiffView tiff(payload);
    tiff.Write16(directory, entries);
    const struct {
        std::uint16_t tag, format;
        std::uint32_t value;
    } fields[entries] = {
        {kTagCompression, kShort, 6},  // JPEG
        {kTagXResolution, kRational, std::uint32_t(rationals)},
        {kTagYResolution, kRational, std::uint32_t(rationals + 8)},
        {kTagResolutionUnit, kShort, 2},  // inches
        {kTagThumbnailOffset, kLong, std::uint32_t(picture)},
        {kTagThumbnailLength, kLong, std::uint32_t(thumbnailJpeg.size())},
    };
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + kEntrySize * i;
        tiff.Write16(entry, fields[i].tag);
        tiff.Write16(entry + 2, fields[i].format);
        tiff.Write32(entry + 4, 1);
        if (fields[i].format == kShort)
            tiff.Write16(entry + 8, fields[i].value);
        else
            tiff.Write32(entry + 8, fields[i].value);
    }
    tiff.Write32(directory + 2 + kEntrySize * entries, 0);
    for (std::size_t r = 0; r < 2; ++r) {
        tiff.Write32(rationals + 8 * r, 72);
        tiff.Write32(rationals + 8 * r + 4, 1);
    }
    tiff.Write32(linkAt, std::uint32_t(directory));
    return true;
}
