#pragma once
// Helpers of the pipeline and job tests: a scratch folder, small pictures of
// every kind written in code, and an engine stand-in that records its calls.

#include "batch_worker.h"
#include "file_type.h"
#include "output_path.h"
#include "test_platform_services.h"
#include "framira.h"
#include "image.h"
#include "jpeg_writer.h"

#include "scratch_folder.h"
#include "picture_reading.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace pipeline_test {

namespace fs = std::filesystem;

using CScratchFolder = test_support::CScratchFolder;

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// `bytes` of a framed JPEG without the segment that names its source (the
// only part that depends on where the test's folders are) and that segment's
// named path, "" when there is none.
inline std::vector<std::uint8_t> WithoutSourceMark(std::vector<std::uint8_t> bytes, std::string* named = nullptr)
{
    for (std::size_t at = 2; at + 4 <= bytes.size() && bytes[at] == 0xFF && bytes[at + 1] != 0xDA;) {
        const std::size_t length = std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (bytes[at + 1] == 0xEF && at + 2 + length <= bytes.size()) {
            if (named)
                named->assign(reinterpret_cast<const char*>(bytes.data()) + at + 4 + 15, length - 2 - 15);
            bytes.erase(bytes.begin() + long(at), bytes.begin() + long(at + 2 + length));
            return bytes;
        }
        at += 2 + length;
    }
    return bytes;
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A picture with a simple gradient, 1 or 3 planes, 8 or 16 bits.
inline CImage MakeGradient(int cols, int rows, int planes, int sampleType = kSampleByte)
{
    CImage image(cols, rows, planes, sampleType);
    for (int p = 0; p < planes; ++p)
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x) {
                const std::size_t i = std::size_t(y) * cols + x;
                const unsigned v = unsigned((x * 255 / std::max(cols - 1, 1) + p * 60 + y) % 256);
                if (sampleType == kSampleWord)
                    reinterpret_cast<std::uint16_t*>(image.plane[p])[i] = std::uint16_t(v * 257);
                else
                    image.plane[p][i] = std::uint8_t(v);
            }
    return image;
}

inline void WriteJpeg(const std::string& path, int cols, int rows, int planes = 3)
{
    ASSERT_EQ(WriteJpegFile(MakeGradient(cols, rows, planes), path, 90, kSubsampling420), 0) << path;
}

// A small APP1 "Exif" payload (no length bytes): MM header, IFD0 with Make.
inline std::vector<std::uint8_t> MakeExifPayload(std::size_t extraBytes = 0)
{
    std::vector<std::uint8_t> p = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                                   0, 1,                     // one entry
                                   0x01, 0x0F, 0, 2, 0, 0, 0, 4, 'A', 'c', 'm', 0,  // Make "Acm"
                                   0, 0, 0, 0};              // no next directory
    for (std::size_t i = 0; i < extraBytes; ++i)
        p.push_back(std::uint8_t(i * 7));
    return p;
}

// A JPEG carrying `payload` as its APP1 segment.
inline void WriteJpegWithExif(const std::string& path, int cols, int rows, const std::vector<std::uint8_t>& payload)
{
    const std::string plain = path + ".plain.jpg";
    WriteJpeg(plain, cols, rows);
    const int length = int(payload.size());
    ASSERT_EQ(WriteJpegFileWithSource(MakeGradient(cols, rows, 3), path, plain, 90, payload.data(), &length), 0);
    fs::remove(plain);
}

// A 4-component JPEG written straight through libjpeg: CMYK samples, with or
// without the Adobe marker (Adobe applications store inverted values).
inline void WriteCmykJpeg(const std::string& path, int cols, int rows, const std::uint8_t cmyk[4], bool adobe)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct c{};
    jpeg_error_mgr error{};
    c.err = jpeg_std_error(&error);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = JDIMENSION(cols);
    c.image_height = JDIMENSION(rows);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, JCS_CMYK);
    c.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(std::size_t(cols) * 4);
    for (int x = 0; x < cols; ++x)
        for (int k = 0; k < 4; ++k)
            row[std::size_t(x) * 4 + k] = cmyk[k];
    while (c.next_scanline < c.image_height) {
        JSAMPROW rowPointer = row.data();
        jpeg_write_scanlines(&c, &rowPointer, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(file);
}

// A 24-bit bottom-up Windows bitmap of one colour.
inline void WriteBitmap(const std::string& path, int cols, int rows, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const std::uint32_t stride = (std::uint32_t(cols) * 3 + 3) & ~3u;
    std::vector<std::uint8_t> file(54 + stride * std::uint32_t(rows), 0);
    auto put32 = [&](std::size_t at, std::uint32_t x) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = std::uint8_t(x >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, std::uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(cols));
    put32(22, std::uint32_t(rows));
    file[26] = 1;
    file[28] = 24;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            std::uint8_t* px = file.data() + 54 + std::size_t(y) * stride + std::size_t(x) * 3;
            px[0] = b;
            px[1] = g;
            px[2] = r;
        }
    WriteBytes(path, file);
}

// The first APP1 segment of a JPEG file (marker, length and payload), or
// nothing when there is none before the scan.
inline std::optional<std::vector<std::uint8_t>> ReadApp1(const std::string& path)
{
    const std::vector<std::uint8_t> d = ReadBytes(path);
    std::size_t i = 2;
    while (i + 4 <= d.size() && d[i] == 0xFF) {
        const int marker = d[i + 1];
        const std::size_t length = std::size_t(d[i + 2]) << 8 | d[i + 3];
        if (marker == 0xE1 && i + 2 + length <= d.size())
            return std::vector<std::uint8_t>(d.begin() + long(i), d.begin() + long(i + 2 + length));
        if (marker == 0xDA)
            break;
        i += 2 + length;
    }
    return std::nullopt;
}

// The text of the first COM segment of a JPEG file.
inline std::string ReadComment(const std::string& path)
{
    const std::vector<std::uint8_t> d = ReadBytes(path);
    std::size_t i = 2;
    while (i + 4 <= d.size() && d[i] == 0xFF) {
        const std::size_t length = std::size_t(d[i + 2]) << 8 | d[i + 3];
        if (d[i + 1] == 0xFE && i + 2 + length <= d.size())
            return std::string(d.begin() + long(i + 4), d.begin() + long(i + 2 + length));
        if (d[i + 1] == 0xDA)
            break;
        i += 2 + length;
    }
    return {};
}

// Stands in for the engine: counts openings, records the runs and fills the
// output with a mid grey of the requested size (or the input's first pixel
// when `echoFirstPixel`).
class CFakeEngine {
public:
    struct CRun {
        float strength;
        int bits, width, height;
        float scale;
        std::string sourcePath;
        int presetIndex, customWidth, customHeight;
        std::vector<std::uint8_t> firstSamples;  // the first 6 bytes of the input
    };

    int initResult = 0;
    int allocateResult = 0;
    int runResult = 0;
    std::chrono::milliseconds runDelay{0};

    CEngineCalls Calls()
    {
        CEngineCalls calls;
        calls.init = [this](std::int32_t w, std::int32_t h, std::int32_t reserved) {
            std::lock_guard lock(mutex);
            ++inits;
            initSizes.push_back({w, h});
            EXPECT_EQ(reserved, 12);
            return initResult;
        };
        calls.allocate = [this] {
            std::lock_guard lock(mutex);
            ++allocates;
            return allocateResult;
        };
        calls.prepare = [this](std::int32_t preset, std::int32_t cw, std::int32_t ch) {
            std::lock_guard lock(mutex);
            prepares.push_back({preset, cw, ch});
        };
        calls.end = [this] {
            std::lock_guard lock(mutex);
            ++ends;
            return 0;
        };
        calls.run = [this](void* input, unsigned char* output, float strength, std::int32_t bits, std::int32_t w,
                           std::int32_t h, float scale, const void* path, std::int32_t preset, std::int32_t cw,
                           std::int32_t ch) {
            if (runDelay.count() > 0)
                std::this_thread::sleep_for(runDelay);
            const int ow = preset == 0 ? cw : kFramiraPresets[preset].width;
            const int oh = preset == 0 ? ch : kFramiraPresets[preset].height;
            std::fill(output, output + std::size_t(ow) * std::size_t(oh) * 3, std::uint8_t(128));
            const auto* bytes = static_cast<const std::uint8_t*>(input);
            std::lock_guard lock(mutex);
            runs.push_back(CRun{strength, bits, w, h, scale, static_cast<const char*>(path), preset, cw, ch,
                                std::vector<std::uint8_t>(bytes, bytes + 6)});
            return runResult;
        };
        // Reads the picture's pieces as the engine does, keeping the run's
        // first samples; a reader that gives up fails the run.
        calls.runRows = [this](FramiraRowReader reader, void* context, unsigned char* output, std::int32_t w,
                               std::int32_t h, std::int32_t preset, std::int32_t cw, std::int32_t ch) {
            std::vector<std::uint8_t> first;
            for (int row = 0; row < h; row += rowPiece) {
                const unsigned char* rows = reader(context, row, std::min(rowPiece, h - row));
                if (rows == nullptr)
                    return 1;
                if (row == 0)
                    first.assign(rows, rows + 6);
            }
            const int ow = preset == 0 ? cw : kFramiraPresets[preset].width;
            const int oh = preset == 0 ? ch : kFramiraPresets[preset].height;
            std::fill(output, output + std::size_t(ow) * std::size_t(oh) * 3, std::uint8_t(128));
            std::lock_guard lock(mutex);
            runs.push_back(CRun{0.0f, 8, w, h, 1.0f, std::string(), preset, cw, ch, first});
            return runResult;
        };
        return calls;
    }

    int rowPiece = kFramiraRowPiece;
    std::mutex mutex;
    int inits = 0, allocates = 0, ends = 0;
    std::vector<std::pair<int, int>> initSizes;
    std::vector<std::array<int, 3>> prepares;  // preset, custom width, custom height
    std::vector<CRun> runs;
};

} // namespace pipeline_test

// A job set up as the pipeline tests use it: preset 1 (480 x 320, quick),
// every output into one designated folder.
// What a shell command prints on its standard output.
inline std::string CommandOutput(const std::string& command)
{
    std::string text;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

inline void SetUpPipelineJob(CBatchWorker& job, CTestPlatformServices& platform, const std::string& outputFolder)
{
    job.notifyWindow = &platform;
    job.platform = &platform;
    job.presetIndex = 1;
    job.saveType = kSaveDesignatedFolder;
    job.outputFolder = outputFolder;
    job.strength = 1.75f;
}

// Failures name the result in words.
inline void PrintTo(EJobResult result, std::ostream* out)
{
    *out << JobResultMessage(result);
}

// The job loop's steps for one picture: nothing when it cannot be read, else
// RunAndSave's result.
inline std::optional<EJobResult> FramePicture(CBatchWorker& job, const std::string& source)
{
    int cols = 0, rows = 0, planes = 0;
    GetImageInfo(source, cols, rows, planes);
    if (!job.LoadPicture(source))
        return std::nullopt;
    return job.RunAndSave(cols, rows, source);
}
