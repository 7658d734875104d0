#include "picture_stream.h"

#include "file_bytes.h"
#include "file_type.h"
#include "jpeg_reader.h"
#include "orientation.h"
#include "picture_reading.h"
#include "rgb_target.h"
#include "source_metadata.h"

#include <sys/mman.h>

#include <algorithm>
#include <system_error>

bool CMappedBlock::Allocate(std::size_t bytes)
{
    Free();
    void* block = bytes == 0 ? MAP_FAILED
                             : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return false;
    data = static_cast<std::uint8_t*>(block);
    size = bytes;
    return true;
}

void CMappedBlock::Free()
{
    if (data != nullptr)
        ::munmap(data, size);
    data = nullptr;
    size = 0;
}

std::unique_ptr<CPictureStream> CPictureStream::Open(const std::string& sourcePath, int pieceRows)
{
    if (pieceRows <= 0)
        return nullptr;
    std::unique_ptr<CPictureStream> stream(new CPictureStream());
    if (ReadFileBytes(sourcePath, stream->file) != kImageSuccess || DetectFileTypeOfFile(stream->file) != kFileTypeJpeg)
        return nullptr;
    CSourcePicture facts = ReadSourceFacts(stream->file);
    facts.path = sourcePath;
    AddSourceMetadata(facts, stream->file);
    const int components = facts.jpegCoding.numComponents;
    // What would change the samples on their way to the engine (a turn, a
    // profile) needs the whole picture or the plane path: those are read
    // the usual way.
    if (!facts.hasJpegCoding || (components != 1 && components != 3) || !facts.iccProfile.empty() ||
        (IsValidOrientation(facts.orientation) && facts.orientation != 1))
        return nullptr;
    // Only what the output takes travels on with the picture.
    facts.exifBlock = {};
    facts.xmpPacket = {};
    stream->source = std::move(facts);
    stream->pieceRows = pieceRows;

    try {
        stream->decoder = std::thread([raw = stream.get()] { raw->Decode(); });
    } catch (const std::system_error&) {
        return nullptr;  // no thread to be had: decoded whole instead
    }
    std::unique_lock<std::mutex> hold(stream->lock);
    stream->changed.wait(hold, [&] { return stream->requested > 0 || stream->failed; });
    // A file that fails before its first row is no picture to stream. One
    // found damaged later is streamed all the same, however far the decoder
    // got by now, so what the caller sees never depends on timing: its last
    // piece is withheld, and the caller reads it the usual way.
    if (stream->requested == 0)
        return nullptr;  // the destructor waits for the decoder
    return stream;
}

CPictureStream::~CPictureStream()
{
    {
        std::lock_guard<std::mutex> hold(lock);
        abandoned = true;
    }
    changed.notify_all();
    if (decoder.joinable())
        decoder.join();
}

void CPictureStream::Decode()
{
    CImage facts;
    CRgbTarget target;
    target.pieceRows = pieceRows;
    target.piece = [this, &facts](int firstRow) -> std::uint8_t* {
        if (firstRow == 0) {
            std::lock_guard<std::mutex> hold(lock);
            // The facts the job needs before the first row, complete by now.
            CImage& image = source.image;
            image.cols = facts.cols;
            image.rows = facts.rows;
            image.planes = 0;
            image.sampleType = facts.sampleType;
            image.quality = facts.quality;
            image.resolution = facts.resolution;
            image.subsampling = facts.subsampling;
            rowBytes = facts.cols * 3;
            rows = facts.rows;
            pieceCount = (facts.rows + pieceRows - 1) / pieceRows;
        }
        return NextPiece(firstRow);
    };
    int result = kImageBadArgument;
    try {
        result = ReadJpegRgbBytes(file, facts, target);
    } catch (...) {
        // No memory for the decoder: the usual reading says so.
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        if (result == kImageSuccess && facts.damage.empty() && requested == pieceCount && !abandoned)
            complete = pieceCount;
        else
            failed = true;
    }
    changed.notify_all();
}

std::uint8_t* CPictureStream::NextPiece(int firstRow)
{
    try {
        const int index = firstRow / pieceRows;
        std::unique_lock<std::mutex> hold(lock);
        if (index > 0)
            complete = index;  // the piece before is all decoded
        requested = index + 1;
        changed.notify_all();
        // Its buffer is free once the engine has moved past the piece that
        // had it before.
        changed.wait(hold, [&] { return abandoned || released > index - kBuffers; });
        if (abandoned)
            return nullptr;
        CMappedBlock& buffer = buffers[index % kBuffers];
        const std::size_t bytes = std::size_t(pieceRows) * std::size_t(rowBytes);
        if (buffer.Size() < bytes && !buffer.Allocate(bytes))
            return nullptr;
        return buffer.Bytes();
    } catch (...) {
        return nullptr;
    }
}

const unsigned char* CPictureStream::Read(void* context, std::int32_t first, std::int32_t count)
{
    try {
        return static_cast<CPictureStream*>(context)->Hand(first, count);
    } catch (...) {
        return nullptr;
    }
}

const unsigned char* CPictureStream::Hand(std::int32_t first, std::int32_t count)
{
    std::unique_lock<std::mutex> hold(lock);
    if (count == 0 && first == rows && handed == pieceCount && complete == pieceCount) {
        // The engine reads no row any more, and the decoder is done with the
        // file: both go before the engine frames.
        for (CMappedBlock& buffer : buffers)
            buffer.Free();
        std::vector<std::uint8_t>().swap(file);
        return nullptr;
    }
    const int index = first / pieceRows;
    if (first < 0 || first % pieceRows != 0 || index != handed || count != std::min(pieceRows, rows - first)) {
        failed = true;
        abandoned = true;
        changed.notify_all();
        return nullptr;
    }
    // The piece before is done with: its buffer may take the next one.
    released = index;
    handed = index + 1;
    changed.notify_all();
    changed.wait(hold, [&] { return complete > index || failed; });
    if (failed)
        return nullptr;
    return buffers[index % kBuffers].Bytes();
}

bool CPictureStream::Failed() const
{
    std::lock_guard<std::mutex> hold(lock);
    return failed;
}
