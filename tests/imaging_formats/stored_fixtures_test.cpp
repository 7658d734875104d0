// The stored sample files (the fuzz targets' seeds) decode exactly as they
// always have: a change to one reader's rules must not move another's
// samples. Each picture is pinned by a hash of its fields and samples.
#include "format_test_support.h"

#include <gtest/gtest.h>

namespace {
std::uint64_t HashOf(const CImage& image)
{
    std::uint64_t hash = 1469598103934665603ull;
    auto mix = [&](std::uint8_t byte) { hash = (hash ^ byte) * 1099511628211ull; };
    for (const int field : {image.cols, image.rows, image.planes, image.sampleType})
        for (int shift = 0; shift < 32; shift += 8)
            mix(static_cast<std::uint8_t>(static_cast<unsigned>(field) >> shift));
    const std::size_t bytes = image.PixelCount() * image.BytesPerSample();
    for (int p = 0; p < image.planes; ++p)
        for (std::size_t i = 0; i < bytes; ++i)
            mix(image.plane[p][i]);
    return hash;
}

CImage ReadStored(const std::string& name)
{
    CScratchFolder folder;
    CBytes bytes = folder.Read(std::filesystem::path(FRAMIRA_SOURCE_DIR) / "fuzz/corpus" / name);
    CImage image;
    if (name.starts_with("fuzz_pnm/")) {
        // The first byte picks greymap or pixmap for the fuzz target.
        const int planes = (bytes.at(0) & 1) ? 3 : 1;
        ReadPnmBytes(CByteSpan(bytes).subspan(1), planes, image);
    } else {
        image.ReadFile(folder.Write("picture", bytes), 0);
    }
    return image;
}
} // namespace

TEST(StoredFixtures, DecodeExactlyAsBefore)
{
    const std::pair<const char*, std::uint64_t> pinned[] = {
        {"fuzz_bmp/mono1.bmp", 0x3c6e37ff2f029c9cull},
        {"fuzz_bmp/pal4.bmp", 0x07a3c7cb7d1f727full},
        {"fuzz_bmp/pal8.bmp", 0xd07484d90c1bfa85ull},
        {"fuzz_bmp/rgb24.bmp", 0x4b2cda970cba2250ull},
        {"fuzz_bmp/rgb32.bmp", 0x4b2cda970cba2250ull},
        {"fuzz_bmp/rgb555.bmp", 0x183a3bdcdadf3048ull},
        {"fuzz_gif/gif87.gif", 0x7d626d1b00566e10ull},
        {"fuzz_gif/interlaced.gif", 0x4b2cda970cba2250ull},
        {"fuzz_gif/plain.gif", 0x4425f04529e1960eull},
        {"fuzz_jpeg/adobe-cmyk.jpg", 0x7b2de7930ecaf70full},
        {"fuzz_jpeg/adobe-ycck.jpg", 0xe5d0fe5efc653fc9ull},
        {"fuzz_jpeg/baseline-420.jpg", 0x37454218f383a2c8ull},
        {"fuzz_jpeg/baseline-422-72dpi.jpg", 0x37454218f383a2c8ull},
        {"fuzz_jpeg/baseline-444.jpg", 0x37454218f383a2c8ull},
        {"fuzz_jpeg/grey.jpg", 0xd97ff0f281562202ull},
        {"fuzz_jpeg/progressive.jpg", 0x37454218f383a2c8ull},
        {"fuzz_jpeg/rgb-ids.jpg", 0x8c85e13c9713c428ull},
        {"fuzz_jpeg/with-app1.jpg", 0x37454218f383a2c8ull},
        {"fuzz_png/grey.png", 0x51697a6660e22ab7ull},
        {"fuzz_png/rgb.png", 0x4b2cda970cba2250ull},
        {"fuzz_png/rgb16.png", 0x4b2cda970cba2250ull},
        {"fuzz_png/rgba_interlaced.png", 0xb21dc04de592c28bull},
        {"fuzz_pnm/grey.bin", 0x72b23c379057dc78ull},
        {"fuzz_pnm/pix.bin", 0x4b2cda970cba2250ull},
        {"fuzz_psd/grey_rle.psd", 0x72b23c379057dc78ull},
        {"fuzz_psd/rgb.psd", 0x4b2cda970cba2250ull},
        {"fuzz_psd/rgb16_raw.psd", 0xe12f5de36ef8f653ull},
        {"fuzz_psd/rgb_rle.psd", 0x4b2cda970cba2250ull},
        {"fuzz_tiff/cmyk.tif", 0xd3198b5a8757fda7ull},  // the inks as stored
        {"fuzz_tiff/g4.tif", 0x85aa4074b2406c26ull},
        {"fuzz_tiff/grey.tif", 0x66356c3bfc320e16ull},
        {"fuzz_tiff/jpeg.tif", 0x60e9d27c3db7afb0ull},
        {"fuzz_tiff/planar_packbits.tif", 0x4b2cda970cba2250ull},
        {"fuzz_tiff/rgb.tif", 0x4b2cda970cba2250ull},
        {"fuzz_tiff/rgb16_lzw.tif", 0xe12f5de36ef8f653ull},
        {"fuzz_tiff/tiled_zip.tif", 0x4b2cda970cba2250ull},
    };
    for (const auto& [name, hash] : pinned) {
        const CImage image = ReadStored(name);
        EXPECT_NE(image.planes, 0) << name;
        EXPECT_EQ(HashOf(image), hash) << name;
    }
}
