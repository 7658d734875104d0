#pragma once
// A picture handed to the engine a piece of rows at a time while it is being
// decoded: the engine resamples one piece while a thread of the stream
// decodes the next, so a picture is never held whole (72 MB less for 24 MP)
// and its decoding overlaps its framing. Only for a JPEG of grey or colour
// samples that needs no turn and no colour conversion; any other file, and
// a file that turns out damaged while it streams, is read the usual way.
// The last piece reaches the engine only once the whole file has decoded
// cleanly, so a run fed from a damaged file never completes.

#include "source_picture.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A block mapped straight from the system: freed, its pages always go back,
// whatever the C library's heap has learnt from earlier frees (its rules
// would keep a block of this size in a thread's heap, so a picture's peak
// would depend on which thread freed what first).
class CMappedBlock {
public:
    CMappedBlock() = default;
    ~CMappedBlock() { Free(); }
    CMappedBlock(const CMappedBlock&) = delete;
    CMappedBlock& operator=(const CMappedBlock&) = delete;
    // False, with no block, when the memory cannot be had.
    bool Allocate(std::size_t bytes);
    void Free();
    std::size_t Size() const { return size; }
    std::uint8_t* Bytes() const { return data; }

private:
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

class CPictureStream {
public:
    // Starts decoding `sourcePath` in pieces of `pieceRows` rows; null when
    // the file is not one the stream takes or its decoding cannot start.
    static std::unique_ptr<CPictureStream> Open(const std::string& sourcePath, int pieceRows);
    // Stops the decoding if it is still under way.
    ~CPictureStream();

    CPictureStream(const CPictureStream&) = delete;
    CPictureStream& operator=(const CPictureStream&) = delete;

    // The source's record, taken once: the picture's facts (size, coding,
    // metadata) with no pixels. Its image has no planes.
    CSourcePicture TakeSource() { return std::move(source); }

    // The engine's row reader (FramiraRowReader): rows first .. first +
    // count - 1, which must be the next piece; null when the decoding failed
    // or the request is not the next piece. Told that every row has been
    // read, it lets its pieces go.
    static const unsigned char* Read(void* context, std::int32_t first, std::int32_t count);

    // After a run that ended early: true when the decoding failed (the file
    // is then read the usual way, which says why).
    bool Failed() const;

private:
    CPictureStream() = default;
    void Decode();
    std::uint8_t* NextPiece(int firstRow);
    const unsigned char* Hand(std::int32_t first, std::int32_t count);

    std::vector<std::uint8_t> file;
    CSourcePicture source;
    int pieceRows = 0;
    int rowBytes = 0;
    int pieceCount = 0;
    int rows = 0;
    // Piece k is decoded into buffers[k % kBuffers]: the decoder may run
    // that far ahead while the engine still readies its textures.
    static constexpr int kBuffers = 4;
    CMappedBlock buffers[kBuffers];

    mutable std::mutex lock;
    std::condition_variable changed;
    int requested = 0;   // pieces the decoder has begun
    int complete = 0;    // pieces decoded and handed to the engine's side
    int released = 0;    // pieces the engine is done with
    int handed = 0;      // pieces the engine has asked for
    bool failed = false;
    bool abandoned = false;
    std::thread decoder;
};
