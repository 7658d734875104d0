#pragma once
// Finds the first APP1 segment of a source JPEG so that the framed output can
// carry it, and tidies the UserComment of an EXIF block on the way (trailing
// spaces become NUL bytes). Nothing else in the block is decoded or changed.
//
// The block buffer receives the segment exactly as stored after its marker:
// bytes 0 and 1 are the segment length (high byte first, counting these two
// bytes), the payload follows from byte 2. The JPEG writer wants the payload
// only: `buffer + 2`, `length - 2` bytes.
//
// Whatever a file or block holds, the reader never reads or writes outside
// the segment's own bytes and the buffer it was given.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <vector>

class ExifBlockReader {
public:
    enum class ByteOrder { Motorola, Intel };

    // A segment length is 16 bits, so a buffer this large holds any segment.
    static constexpr std::size_t kLargestSegment = 65535;
    // What the pipeline allocates for the block.
    static constexpr std::size_t kPipelineBufferSize = 100000;
    // The walk visits directories at depths 0 to kMaximumDepth only.
    static constexpr int kMaximumDepth = 4;
    // Marker prefix and up to five fill bytes; one more 0xFF ends the scan.
    static constexpr int kMaximumFillBytes = 6;
    // A hostile block can make every entry of a directory point back at the
    // directory itself; the depth limit alone would then allow thousands to
    // the fifth power of visits. No real block comes near this many.
    static constexpr std::size_t kEntryVisitBudget = 1'000'000;

    // Scans `file` (opened as raw bytes, positioned at its first byte; read
    // forwards, never closed here) up to the first APP1 segment and copies it
    // into `buffer`. True: `length` is the stored segment length (2 or more)
    // and buffer[0 .. length) holds the segment. False: `length` is 0, there is
    // no block and the buffer's content means nothing. A segment that does not
    // fit in `bufferSize` bytes is treated as unreadable (false).
    bool ReadExifBlock(std::FILE* file, std::uint8_t* buffer, std::size_t bufferSize, int& length);

    // The same scan over a file already in memory (used by the fuzz target).
    bool ReadExifBlock(std::span<const std::uint8_t> file, std::uint8_t* buffer, std::size_t bufferSize,
                       int& length);

    // Convenience for the pipeline: opens `path`, scans it and leaves the
    // segment (length bytes included) in `block`. False, with `block` empty,
    // when the file cannot be opened or holds no APP1 segment before its image
    // data.
    bool ReadExifBlock(const std::filesystem::path& path, std::vector<std::uint8_t>& block);

    // Checks the EXIF and TIFF headers of a block of `length` bytes (the
    // stored segment length, so buffer[0 .. length) is the whole segment) and
    // walks its directories. A failed check ends the parse, leaving the block
    // unchanged.
    void ParseExifBlock(std::uint8_t* buffer, std::size_t length);

    // Walks the directory that starts `directoryOffset` bytes into the TIFF
    // data `tiff[0 .. tiffSize)`, following the Exif and Interoperability
    // pointers and the next-directory link one level deeper each time.
    void WalkExifDirectory(std::uint8_t* tiff, std::size_t tiffSize, std::size_t directoryOffset, int depth);

    ByteOrder GetByteOrder() const { return byteOrder; }

private:
    ByteOrder byteOrder = ByteOrder::Motorola;
    // Bounds the work a hostile block can cause (see the walk); reset by
    // each parse.
    std::size_t entryVisitsLeft = kEntryVisitBudget;
};
