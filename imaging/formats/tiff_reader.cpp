// TIFF entries: opening by path or from memory, the info reader, and the
// hand-over to the decoder in tiff_decode.cpp.
#include "format_readers.h"
#include "image.h"
#include "memory_readers.h"
#include "reader_support.h"
#include "tiff_pvt.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
void IgnoreTiffMessage(const char*, const char*, va_list) {}

// A read-only libtiff client over a byte span.
struct CTiffMemorySource {
    CByteSpan bytes;
    std::uint64_t position = 0;
};

tmsize_t ReadMemory(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* source = static_cast<CTiffMemorySource*>(handle);
    if (size <= 0 || source->position >= source->bytes.size())
        return 0;
    const std::uint64_t left = source->bytes.size() - source->position;
    const std::uint64_t count = static_cast<std::uint64_t>(size) < left ? static_cast<std::uint64_t>(size) : left;
    std::memcpy(buffer, source->bytes.data() + source->position, count);
    source->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteMemory(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t SeekMemory(thandle_t handle, toff_t offset, int whence)
{
    auto* source = static_cast<CTiffMemorySource*>(handle);
    // libtiff passes relative moves as two's complement in the unsigned offset.
    const auto delta = static_cast<std::int64_t>(offset);
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<std::int64_t>(source->position);
    else if (whence == SEEK_END)
        base = static_cast<std::int64_t>(source->bytes.size());
    else if (whence != SEEK_SET)
        return static_cast<toff_t>(-1);
    if (whence == SEEK_SET) {
        source->position = offset;
        return offset;
    }
    if ((delta < 0 && base + delta < 0) || (delta > 0 && base > INT64_MAX - delta))
        return static_cast<toff_t>(-1);
    source->position = static_cast<std::uint64_t>(base + delta);
    return source->position;
}

int CloseMemory(thandle_t)
{
    return 0;
}

toff_t SizeOfMemory(thandle_t handle)
{
    return static_cast<CTiffMemorySource*>(handle)->bytes.size();
}

int MapMemory(thandle_t, void**, toff_t*)
{
    return 0;
}

void UnmapMemory(thandle_t, void*, toff_t) {}

CTiffHandle OpenTiffMemory(CTiffMemorySource& source)
{
    SilenceLibtiff();
    return CTiffHandle(TIFFClientOpen("memory", "rm", &source, ReadMemory, WriteMemory, SeekMemory, CloseMemory,
                                      SizeOfMemory, MapMemory, UnmapMemory));
}

CTiffHandle OpenTiffFile(const std::filesystem::path& path)
{
    SilenceLibtiff();
    // On this platform the native path string is the byte name open() takes.
    return CTiffHandle(TIFFOpen(path.c_str(), "r"));
}

int ReadTiffFields(TIFF* tif, int& cols, int& rows, int& planes)
{
    std::uint32_t width = 0;
    std::uint32_t length = 0;
    std::uint16_t samples = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (width > INT32_MAX || length > INT32_MAX)
        return kImageBadArgument;
    cols = static_cast<int>(width);
    rows = static_cast<int>(length);
    planes = samples;
    return kImageSuccess;
}

int DecodeAndFinish(TIFF* tif, CImage& image)
{
    if (tif == nullptr)
        return FinishRead(image, kImageCannotOpen);
    return FinishRead(image, DecodeTiff(tif, image));
}
} // namespace

void SilenceLibtiff()
{
    // The handlers are process-wide; installing them once (a thread-safe
    // static) keeps two readers on two threads from racing on them.
    static const bool silenced = [] {
        TIFFSetWarningHandler(IgnoreTiffMessage);
        TIFFSetErrorHandler(IgnoreTiffMessage);
        return true;
    }();
    (void)silenced;
}

int ReadTiffInfoBytes(CByteSpan bytes, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    CTiffMemorySource source{bytes};
    const CTiffHandle tif = OpenTiffMemory(source);
    if (!tif)
        return kImageCannotOpen;
    return ReadTiffFields(tif.get(), cols, rows, planes);
}

int ReadTiffBytes(CByteSpan bytes, CImage& image)
{
    CTiffMemorySource source{bytes};
    const CTiffHandle tif = OpenTiffMemory(source);
    return DecodeAndFinish(tif.get(), image);
}

int ReadTiffInfo(const std::filesystem::path& path, int& cols, int& rows, int& planes)
{
    cols = rows = planes = 0;
    const CTiffHandle tif = OpenTiffFile(path);
    if (!tif)
        return kImageCannotOpen;
    return ReadTiffFields(tif.get(), cols, rows, planes);
}

int ReadTiffFile(const std::filesystem::path& path, CImage& image)
{
    const CTiffHandle tif = OpenTiffFile(path);
    return DecodeAndFinish(tif.get(), image);
}
