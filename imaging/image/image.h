#pragma once
// CImage: the application's in-memory picture. One to four separate planes of
// unsigned 8-bit, unsigned 16-bit (host order) or 32-bit float samples, each
// plane row-major with no gap between rows. Callers read and write the plane
// buffers directly, so the field layout below is part of the interface.
//
// Failures are result codes, never exceptions (see the kImage* constants).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// Result codes shared by the whole image library.
inline constexpr int kImageSuccess = 0;
inline constexpr int kImageBadArgument = 1;   // bad argument or state, or bad data in a file
inline constexpr int kImageCannotOpen = 2;    // file cannot be opened, or format not handled
inline constexpr int kImageOutOfMemory = 3;

// Sample types.
inline constexpr int kSampleByte = 0;   // unsigned 8-bit
inline constexpr int kSampleWord = 1;   // unsigned 16-bit in host byte order
inline constexpr int kSampleFloat = 2;  // 32-bit float

// Chroma subsampling of the JPEG a picture came from (component 0's factors).
inline constexpr int kSubsampling444 = 0;  // 1x1
inline constexpr int kSubsampling422 = 1;  // 2x1 (horizontal only)
inline constexpr int kSubsampling420 = 2;  // 2x2 and anything else

// The code for component 0's horizontal and vertical sampling factors.
inline int SubsamplingCodeOf(int horizontal, int vertical)
{
    if (horizontal == 1 && vertical == 1)
        return kSubsampling444;
    if (horizontal == 2 && vertical == 1)
        return kSubsampling422;
    return kSubsampling420;
}

// Side of the header columns.
inline constexpr int kHeaderLeft = 0;
inline constexpr int kHeaderTop = 1;
inline constexpr int kHeaderRight = 2;
inline constexpr int kHeaderBottom = 3;

// Resize modes.
inline constexpr int kResizeNearest = 0;
inline constexpr int kResizeBilinear = 1;
inline constexpr int kResizeBicubic = 2;

class CImage {
public:
    // The largest raster a plane may hold (16384 x 16384 pixels): the one
    // pixel limit of every picture read. Anything bigger is refused by the
    // readers and by AllocatePlanes rather than committed to memory.
    static constexpr std::size_t kMaxPixels = std::size_t{1} << 28;

    // All fields at their defaults, no planes.
    CImage();
    // Sets cols, rows, planes and sample type and allocates the planes
    // (zero-filled, as AllocatePlanes makes them). If the allocation fails, planes is 0.
    CImage(int cols, int rows, int planes, int sampleType);
    // Reads the file through the format dispatch; fileType 0 detects the type
    // from the file's first two bytes. Success is planes != 0 afterwards.
    CImage(const std::filesystem::path& path, int fileType);
    virtual ~CImage();

    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;
    CImage(CImage&& other) noexcept;
    CImage& operator=(CImage&& other) noexcept;

    // Reads the file into this image through the format dispatch (the file
    // constructor uses it). Returns the reader's result code; on failure the
    // image holds no planes.
    int ReadFile(const std::filesystem::path& path, int fileType);

    // Frees and nulls all four plane entries, then allocates `planes` buffers
    // of rows x cols samples of the current sample type, zero-filled (the
    // readers rely on it for the samples a short file lacks). On failure (bad
    // fields: 1, no memory or an absurd size: 3) every plane is freed again
    // and planes is set to 0, so a half-allocated image never looks usable.
    int AllocatePlanes();
    // Frees all planes; planes becomes 0 (rows and cols stay).
    void FreePlanes();
    // Whether planes is 1 to 4 and each of those planes has its buffer.
    bool HasAllPlanes() const;

    // Stores plane `index`'s pointer in *out. Index 0 to 3; another index
    // gives null and 1.
    int GetPlane(std::uint8_t** out, int index) const;
    int GetPlane(std::uint16_t** out, int index) const;
    int GetPlane(float** out, int index) const;

    // Clears out[0..3]; fails with 1 when row x cols + col lies outside the
    // raster. Otherwise one byte per plane for the first min(planes, 4)
    // planes (16-bit: high byte, float: display-range scaling); a 1-plane
    // image has its byte copied into all four.
    int GetPixelRGBA(int col, int row, std::uint8_t out[4]) const;

    // Exchange with interleaved buffers (the engine's format). `count` is in
    // samples and must be exactly rows x cols x planes; the sample type must
    // match (8-bit: type 0, 16-bit: type 1). Any mismatch gives 1.
    int ToInterleaved8(std::uint8_t* out, std::size_t count) const;
    int ToInterleaved16(std::uint16_t* out, std::size_t count) const;
    int FromInterleaved8(const std::uint8_t* in, std::size_t count);
    int FromInterleaved16(const std::uint16_t* in, std::size_t count);

    // Row stride of a 24-bit DIB of `cols` pixels: cols x 3 rounded up to 4.
    static std::size_t DibStride(int cols);
    // Writes the raster as 24-bit bottom-up rows of blue, green, red (planes
    // 2, 1, 0) into `buffer`, which must be exactly DibStride(cols) x rows
    // bytes; needs planes >= 3. Otherwise 1 and nothing is written. Padding
    // bytes are left as they were.
    int ExportDIB(std::uint8_t* buffer, std::size_t byteSize) const;

    // A scaled copy (mode: kResizeNearest, kResizeBilinear, kResizeBicubic),
    // or null for a negative scale, a new size below 1 or no memory.
    std::unique_ptr<CImage> Resize(float scaleX, float scaleY, int mode) const;

    // Plain JPEG writer: 1- or 3-plane images, baseline, JFIF, COM
    // "Brevant Inc.". Returns 0, 1 (unwritable image or encoder failure),
    // 2 (output cannot be opened) or 3 (no memory). A failed write leaves no
    // file behind and never touches an existing file at `path`.
    int WriteJPEG(const std::filesystem::path& path, int quality, int subsampling) const;
    // JPEG writer that follows a source JPEG's coding parameters and carries
    // an APP1 segment: when `payloadLength` is not null, one APP1 segment
    // with payloadLength bytes from `payload` (0 to 65533) follows the COM
    // segment "Brevant, Inc.". Result codes as WriteJPEG; 2 also when the
    // source cannot be opened (or is the output itself), 1 when it is not a
    // JPEG or the payload length is outside 0 to 65533.
    int WriteJPEGWithSource(const std::filesystem::path& path, const std::filesystem::path& sourcePath,
                            int quality, const std::uint8_t* payload, const int* payloadLength) const;

    // Sample helpers.
    std::size_t BytesPerSample() const;
    std::size_t PixelCount() const;  // rows x cols (0 for negative sizes)
    // A float sample as a byte through the display range:
    // ClampToByte((v - displayMin) * (255 / (displayMax - displayMin))).
    std::uint8_t FloatToByte(float v) const;
    // One sample of plane p at pixel index i as a byte (16-bit: high byte).
    std::uint8_t SampleAsByte(int p, std::size_t i) const;

    // The library's number conversions. Clamps truncate toward zero; NaN
    // gives 0. Round is half away from zero.
    static std::uint8_t ClampToByte(float v);
    static std::uint16_t ClampToWord(float v);
    static int Round(float v);

    // Fields, in the library's order.
    float displayMax = 1.0f;   // float sample that maps to 255
    float displayMin = 0.0f;   // float sample that maps to 0
    int headerCols = 0;        // width of a strip of non-image columns; always 0 here
    int rows = 0;
    int cols = 0;
    int planes = 0;            // 0 to 4; 0 = no raster
    int quality = 75;          // JPEG quality hint
    int resolution = 0;        // dots per inch of the source, 0 if unknown
    int subsampling = kSubsampling420;
    int sampleType = kSampleByte;
    int headerSide = kHeaderLeft;
    int roi[4] = {0, 0, 0, 0};  // left, top, bottom, right; unused
    // Entries 0 .. planes-1 each own rows x cols samples (malloc'd); the
    // sample of column c, row r is element r x cols + c. Others are null.
    std::uint8_t* plane[4] = {nullptr, nullptr, nullptr, nullptr};
    // Why the raster is not the file's full, intact content ("data ends
    // early"): the reader recovered what it could. Empty for a clean read.
    std::string damage;
};
