// The directory walk: UserComment trimming wherever the walk reaches it, and
// the limits that keep a hostile block from leading it astray.
#include "exif_block_builder.h"
#include "exif_block_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

using namespace exif_test;

namespace {

const std::string kAsciiPrefix("ASCII\0\0\0", 8);

std::vector<std::uint8_t> Parse(std::vector<std::uint8_t> block)
{
    ExifBlockReader reader;
    reader.ParseExifBlock(block.data(), block.size());
    return block;
}

std::string TextAt(const std::vector<std::uint8_t>& block, std::size_t tiffOffset, std::size_t size)
{
    const std::size_t at = 8 + tiffOffset;
    return std::string(block.begin() + static_cast<long>(at), block.begin() + static_cast<long>(at + size));
}

// IFD0 → Exif directory holding a UserComment of `comment`; returns the
// block and the comment's TIFF offset.
std::vector<std::uint8_t> BlockWithComment(bool intel, const std::string& comment, std::size_t& commentAt)
{
    CTiffData tiff(intel);
    const std::size_t ifd0 = tiff.AppendDirectory({Entry(kTagExif, kLong, 1, 0)});
    const std::size_t exif = tiff.AppendDirectory({Entry(kTagUserComment, kUndefined, static_cast<std::uint32_t>(comment.size()), 0)});
    commentAt = tiff.AppendBytes(comment);
    tiff.Set32(CTiffData::ValueField(ifd0, 0), static_cast<std::uint32_t>(exif));
    tiff.Set32(CTiffData::ValueField(exif, 0), static_cast<std::uint32_t>(commentAt));
    return MakeBlock(tiff.Bytes());
}

} // namespace

TEST(ExifDirectoryWalk, TrailingSpacesOfUserCommentBecomeNulInBothByteOrders)
{
    for (bool intel : {true, false}) {
        std::size_t at = 0;
        const std::string comment = kAsciiPrefix + "Sunset   ";
        const auto parsed = Parse(BlockWithComment(intel, comment, at));
        EXPECT_EQ(TextAt(parsed, at, comment.size()), kAsciiPrefix + "Sunset" + std::string(3, '\0')) << intel;
    }
}

TEST(ExifDirectoryWalk, CommentOfSpacesOnlyBecomesNulAndOthersStayUnchanged)
{
    std::size_t at = 0;
    const auto spaces = Parse(BlockWithComment(true, std::string(10, ' '), at));
    EXPECT_EQ(TextAt(spaces, at, 10), std::string(10, '\0'));

    const auto block = BlockWithComment(false, kAsciiPrefix + "no trailing", at);
    ASSERT_GT(at, 0u);
    EXPECT_EQ(Parse(block), block);
    // Spaces inside the text stop at the first non-space from the end.
    const auto inner = Parse(BlockWithComment(false, " a  b ", at));
    EXPECT_EQ(TextAt(inner, at, 6), std::string(" a  b\0", 6));
}

TEST(ExifDirectoryWalk, ShortCommentIsTrimmedInsideItsEntry)
{
    CTiffData tiff(true);
    const std::size_t ifd0 = tiff.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 4, "ab  ")});
    const auto parsed = Parse(MakeBlock(tiff.Bytes()));
    EXPECT_EQ(TextAt(parsed, CTiffData::ValueField(ifd0, 0), 4), std::string("ab\0\0", 4));

    // Only `count` bytes are the value: a 3-byte comment leaves the fourth alone.
    CTiffData three(false);
    const std::size_t dir = three.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 3, "a   ")});
    EXPECT_EQ(TextAt(Parse(MakeBlock(three.Bytes())), CTiffData::ValueField(dir, 0), 4), std::string("a\0\0 ", 4));

    // An empty comment stays untouched.
    CTiffData empty(true);
    empty.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 0, "    ")});
    const auto block = MakeBlock(empty.Bytes());
    EXPECT_EQ(Parse(block), block);
}

TEST(ExifDirectoryWalk, ValuesOutsideTheDataAreSkipped)
{
    CTiffData tiff(true);
    tiff.AppendDirectory({Entry(kTagUserComment, kUndefined, 8, 0xFFFFFFF0u),  // offset + count overflows 32 bits
                          Entry(kTagUserComment, kUndefined, 0x40000000u, 8),  // count far beyond the data
                          Entry(kTagUserComment, kUndefined, 16, 0)});          // ends one past the data (set below)
    tiff.AppendBytes("                ");
    const std::size_t size = tiff.Size();
    // The third value starts 15 bytes before the end: 16 bytes would run over.
    tiff.Set32(CTiffData::ValueField(8, 2), static_cast<std::uint32_t>(size - 15));
    const auto block = MakeBlock(tiff.Bytes());
    EXPECT_EQ(Parse(block), block);
}

TEST(ExifDirectoryWalk, HeaderFaultsLeaveTheBlockUnchanged)
{
    std::size_t at = 0;
    const std::string comment = "x   ";
    auto good = BlockWithComment(true, comment + "    ", at);

    auto noNul = good;
    noNul[7] = 'x';  // "Exif\0x"
    EXPECT_EQ(Parse(noNul), noNul);

    auto badOrder = good;
    badOrder[8] = 'I';
    badOrder[9] = 'M';
    EXPECT_EQ(Parse(badOrder), badOrder);

    auto no42 = good;
    no42[10] = 43;
    EXPECT_EQ(Parse(no42), no42);

    // Too short to hold the header at all.
    std::vector<std::uint8_t> tiny = {0x00, 0x0C, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
    EXPECT_EQ(Parse(tiny), tiny);

    EXPECT_NE(Parse(good), good);  // the same block walked as a control
}

TEST(ExifDirectoryWalk, NextDirectoryChainIsFollowedToDepthFourOnly)
{
    for (bool intel : {true, false}) {
        CTiffData tiff(intel);
        std::vector<std::size_t> directories;
        std::vector<std::size_t> comments;
        for (int i = 0; i < 7; ++i) {
            directories.push_back(tiff.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 2, "z ")}));
            comments.push_back(CTiffData::ValueField(directories.back(), 0));
        }
        for (int i = 0; i + 1 < 7; ++i)
            tiff.Set32(CTiffData::NextField(directories[static_cast<std::size_t>(i)], 1),
                       static_cast<std::uint32_t>(directories[static_cast<std::size_t>(i) + 1]));
        const auto parsed = Parse(MakeBlock(tiff.Bytes()));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(TextAt(parsed, comments[static_cast<std::size_t>(i)], 2), i <= 4 ? std::string("z\0", 2) : "z ")
                << "depth " << i << (intel ? " II" : " MM");
    }
}

TEST(ExifDirectoryWalk, ExifAndInteroperabilityPointersAreWalkedBeforeTheNextEntry)
{
    CTiffData tiff(false);
    const std::size_t ifd0 = tiff.AppendDirectory({Entry(kTagExif, kLong, 1, 0)});
    const std::size_t exif = tiff.AppendDirectory({Entry(kTagInterop, kLong, 1, 0)});
    const std::size_t interop = tiff.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 3, "ok ")});
    tiff.Set32(CTiffData::ValueField(ifd0, 0), static_cast<std::uint32_t>(exif));
    tiff.Set32(CTiffData::ValueField(exif, 0), static_cast<std::uint32_t>(interop));
    const auto parsed = Parse(MakeBlock(tiff.Bytes()));
    EXPECT_EQ(TextAt(parsed, CTiffData::ValueField(interop, 0), 3), std::string("ok\0", 3));
}

TEST(ExifDirectoryWalk, MakerNoteWithItsOwnByteOrderChangesNothing)
{
    // A Motorola block whose MakerNote carries an Intel header ("Nikon\0" + "II*\0").
    CTiffData tiff(false);
    const std::size_t ifd0 = tiff.AppendDirectory({Entry(kTagMakerNote, kUndefined, 18, 0),
                                                   InlineEntry(kTagUserComment, kUndefined, 4, "mm  ")});
    const std::size_t note = tiff.AppendBytes(std::string("Nikon\0\x02\x10\0\0II*\0\x08\0\0\0", 18));
    tiff.Set32(CTiffData::ValueField(ifd0, 0), static_cast<std::uint32_t>(note));
    const auto block = MakeBlock(tiff.Bytes());
    const auto parsed = Parse(block);
    EXPECT_EQ(TextAt(parsed, CTiffData::ValueField(ifd0, 1), 4), std::string("mm\0\0", 4));
    EXPECT_EQ(TextAt(parsed, note, 18), TextAt(block, note, 18));
}

TEST(ExifDirectoryWalk, DirectoryRunningPastTheDataIsIgnoredUnlessOnlyItsLinkIsCut)
{
    // Entries end exactly at the data's end (no link), or 2 bytes before it
    // (half a link): walked. Entries that run past the end: ignored whole.
    for (std::size_t tail : {0u, 2u}) {
        CTiffData tiff(true);
        const std::size_t dir = tiff.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 2, "q ")}, 0, false);
        if (tail)
            tiff.Append16(0);
        const auto parsed = Parse(MakeBlock(tiff.Bytes()));
        EXPECT_EQ(TextAt(parsed, CTiffData::ValueField(dir, 0), 2), std::string("q\0", 2)) << tail;
    }
    CTiffData cut(true);
    const std::size_t dir = cut.AppendDirectory({InlineEntry(kTagUserComment, kUndefined, 2, "q "),
                                                 InlineEntry(kTagUserComment, kUndefined, 2, "r ")}, 0, false);
    cut.Append16(0);
    cut.Set16(dir, 3);  // claims a third entry that is not there
    const auto block = MakeBlock(cut.Bytes());
    EXPECT_EQ(Parse(block), block);
}

TEST(ExifDirectoryWalk, HostileLoopsEndQuickly)
{
    // Every entry of IFD0 points back at IFD0 and so does its link: the
    // depth limit alone would allow thousands to the fifth power of visits.
    CTiffData tiff(true);
    std::vector<CEntry> entries(5000, Entry(kTagExif, kLong, 1, 8));
    entries.push_back(InlineEntry(kTagUserComment, kUndefined, 1, " "));
    tiff.AppendDirectory(entries, 8);
    const auto start = std::chrono::steady_clock::now();
    const auto parsed = Parse(MakeBlock(tiff.Bytes()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    // The comment in the first (and only) directory was reached and trimmed.
    EXPECT_EQ(parsed[8 + CTiffData::ValueField(8, 5000)], 0);
}

TEST(ExifDirectoryWalk, RandomDamageOnlyEverClearsSpaces)
{
    std::size_t at = 0;
    const auto good = BlockWithComment(true, kAsciiPrefix + "text    ", at);
    std::mt19937 random(20261209);
    for (int round = 0; round < 3000; ++round) {
        auto block = good;
        const int flips = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < flips; ++i)
            block[2 + random() % (block.size() - 2)] = static_cast<std::uint8_t>(random());
        block.resize(block.size() - random() % 8);
        const auto parsed = Parse(block);
        ASSERT_EQ(parsed.size(), block.size());
        for (std::size_t i = 0; i < block.size(); ++i)
            ASSERT_TRUE(parsed[i] == block[i] || (block[i] == ' ' && parsed[i] == 0)) << "round " << round;
    }
}
