// Writes the project's own sample pictures into a folder:
//   landscape.jpg  colourful landscape (sky, sun, mountains, lake, meadow)
//   portrait.jpg   a tall picture: a lighthouse on a cliff at dusk
//   greyscale.jpg  a one-component (greyscale) JPEG of a hilly scene
//   with_exif.jpg  a JPEG carrying an APP1 Exif block (Make, Model,
//                  DateTime and a UserComment)
//   harbour.bmp    a 24-bit Windows bitmap, written by hand
// Everything is drawn in code from gradients and shapes; nothing is random,
// so the pictures are the same on every run.
//
// Usage: make_samples FOLDER

#include "image.h"
#include "jpeg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct CColour {
    float r, g, b;
};

CColour Mix(CColour a, CColour b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// A float RGB canvas, values 0..255, drawn shape after shape.
class CCanvas {
public:
    CCanvas(int width, int height) : width(width), height(height), pixels(std::size_t(width) * height) {}

    template <typename F> void Paint(F&& shade)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                CColour& p = pixels[std::size_t(y) * width + x];
                p = shade(float(x) / float(width - 1), float(y) / float(height - 1), p);
            }
    }

    CImage ToImage(bool grey) const
    {
        CImage image(width, height, grey ? 1 : 3, kSampleByte);
        if (image.planes == 0)
            return image;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const CColour& p = pixels[i];
            if (grey) {
                image.plane[0][i] = CImage::ClampToByte(0.299f * p.r + 0.587f * p.g + 0.114f * p.b + 0.5f);
            } else {
                image.plane[0][i] = CImage::ClampToByte(p.r + 0.5f);
                image.plane[1][i] = CImage::ClampToByte(p.g + 0.5f);
                image.plane[2][i] = CImage::ClampToByte(p.b + 0.5f);
            }
        }
        image.resolution = 72;
        return image;
    }

    int width, height;
    std::vector<CColour> pixels;
};

// A mountain ridge height (0 top .. 1 bottom) at x from a few sine waves.
float Ridge(float x, float base, float amplitude, float phase)
{
    return base - amplitude * (0.55f * std::sin(x * 7.0f + phase) + 0.3f * std::sin(x * 17.0f + phase * 2.1f) +
                               0.15f * std::sin(x * 41.0f + phase * 0.7f));
}

void DrawLandscape(CCanvas& c)
{
    const float aspect = float(c.width) / float(c.height);
    c.Paint([&](float x, float y, CColour) {
        // Sky: deep blue at the top to warm haze at the horizon.
        CColour p = Mix({40, 90, 190}, {250, 200, 150}, SmoothStep(0.0f, 0.55f, y));
        // Sun with a soft glow.
        const float dx = (x - 0.72f) * aspect, dy = y - 0.30f;
        const float d = std::sqrt(dx * dx + dy * dy);
        p = Mix(p, {255, 240, 190}, 0.6f * std::exp(-d * 9.0f));
        p = Mix(p, {255, 250, 225}, 1.0f - SmoothStep(0.055f, 0.065f, d));
        // Far mountains, bluish; near mountains, green-brown.
        if (y > Ridge(x, 0.50f, 0.08f, 0.3f))
            p = Mix({110, 130, 170}, {90, 110, 150}, (y - 0.4f) * 3);
        if (y > Ridge(x, 0.58f, 0.06f, 2.0f))
            p = Mix({70, 110, 60}, {50, 80, 40}, (y - 0.5f) * 4);
        // Lake with the sky's reflection and ripples.
        if (y > 0.66f) {
            const float ripple = 0.5f + 0.5f * std::sin(y * 260.0f + std::sin(x * 30.0f) * 2.0f);
            CColour water = Mix({60, 110, 170}, {190, 170, 150}, 1.0f - (y - 0.66f) * 4.0f);
            water = Mix(water, {230, 220, 200}, 0.12f * ripple);
            const float sunPath = std::exp(-std::fabs(x - 0.72f) * 25.0f) * 0.5f * ripple;
            p = Mix(water, {255, 240, 200}, sunPath);
        }
        // Meadow in the foreground with yellow flowers.
        const float shore = 0.86f + 0.03f * std::sin(x * 9.0f);
        if (y > shore) {
            p = Mix({90, 150, 60}, {60, 120, 40}, (y - shore) * 6);
            const float flower = std::sin(x * 310.0f) * std::sin(y * 270.0f);
            if (flower > 0.93f)
                p = {245, 210, 60};
        }
        return p;
    });
}

void DrawPortrait(CCanvas& c)
{
    const float aspect = float(c.width) / float(c.height);
    c.Paint([&](float x, float y, CColour) {
        // Dusk sky: violet to orange.
        CColour p = Mix({60, 40, 110}, {250, 140, 80}, SmoothStep(0.05f, 0.62f, y));
        // Stars high up.
        if (y < 0.25f && std::sin(x * 523.0f) * std::sin(y * 611.0f) > 0.985f)
            p = {250, 250, 255};
        // Sea.
        if (y > 0.62f)
            p = Mix({200, 110, 80}, {20, 40, 80}, (y - 0.62f) * 3.5f);
        // Cliff on the left.
        const float cliffEdge = 0.55f - 0.25f * (y - 0.5f) + 0.02f * std::sin(y * 40.0f);
        if (y > 0.5f && x < cliffEdge)
            p = Mix({90, 70, 60}, {50, 40, 35}, (y - 0.5f) * 2);
        // Lighthouse: white and red bands, light at the top with a beam.
        const float cx = 0.28f;
        const float halfWidth = 0.05f + 0.04f * (y - 0.2f);
        if (y > 0.2f && y < 0.52f && std::fabs(x - cx) < halfWidth) {
            const bool red = int((y - 0.2f) * 25.0f) % 2 == 0;
            p = red ? CColour{200, 40, 40} : CColour{235, 235, 230};
            p = Mix(p, {30, 30, 40}, (x - cx + halfWidth) / (2 * halfWidth) * 0.5f);
        }
        const float lx = (x - cx) * aspect, ly = y - 0.18f;
        const float glow = std::exp(-std::sqrt(lx * lx + ly * ly) * 30.0f);
        p = Mix(p, {255, 250, 200}, glow);
        if (x > cx && std::fabs(ly - (x - cx) * 0.25f) < 0.02f * (x - cx + 0.05f) * 4)
            p = Mix(p, {255, 245, 190}, 0.35f);
        return p;
    });
}

void DrawHills(CCanvas& c)
{
    c.Paint([&](float x, float y, CColour) {
        CColour p = Mix({200, 210, 230}, {120, 140, 170}, y * 1.5f);
        for (int layer = 0; layer < 4; ++layer) {
            const float top = 0.35f + 0.14f * float(layer) + 0.05f * std::sin(x * (5.0f + layer) + float(layer));
            if (y > top) {
                const float shade = 170.0f - 35.0f * float(layer);
                p = Mix({shade, shade, shade}, {shade * 0.6f, shade * 0.6f, shade * 0.6f}, (y - top) * 3);
            }
        }
        // A tree on the nearest hill.
        if (std::fabs(x - 0.2f) < 0.008f && y > 0.68f && y < 0.82f)
            p = {30, 30, 30};
        const float tx = (x - 0.2f) * 1.33f, ty = y - 0.64f;
        if (tx * tx + ty * ty < 0.005f)
            p = {45, 45, 45};
        return p;
    });
}

void DrawHarbour(CCanvas& c)
{
    c.Paint([&](float x, float y, CColour) {
        CColour p = Mix({120, 180, 230}, {220, 235, 245}, y * 2);
        if (y > 0.55f)
            p = Mix({30, 90, 140}, {10, 50, 90}, (y - 0.55f) * 2);
        // Boats: hulls and sails.
        for (int i = 0; i < 3; ++i) {
            const float bx = 0.2f + 0.3f * float(i);
            if (y > 0.52f && y < 0.58f && std::fabs(x - bx) < 0.08f - (y - 0.52f))
                p = i == 1 ? CColour{200, 60, 40} : CColour{240, 240, 235};
            if (y > 0.25f && y < 0.52f && x > bx && x < bx + (y - 0.25f) * 0.3f)
                p = {250, 250, 245};
        }
        return p;
    });
}

// --- A small APP1 Exif block -----------------------------------------------

class CExifBuilder {
public:
    // Big-endian ("MM") TIFF data with IFD0 (Make, Model, DateTime, Exif
    // pointer) and an Exif IFD holding a UserComment.
    std::vector<std::uint8_t> Build(const std::string& make, const std::string& model, const std::string& dateTime,
                                    const std::string& comment)
    {
        std::vector<std::uint8_t> tiff = {'M', 'M', 0, 42, 0, 0, 0, 8};
        const std::uint32_t ifd0 = 8;
        const std::uint32_t ifd0Size = 2 + 4 * 12 + 4;
        const std::uint32_t exifIfd = ifd0 + ifd0Size;
        const std::uint32_t exifIfdSize = 2 + 1 * 12 + 4;
        std::uint32_t data = exifIfd + exifIfdSize;

        std::vector<std::uint8_t> values;
        auto place = [&](const std::string& bytes) {
            const std::uint32_t offset = data + std::uint32_t(values.size());
            values.insert(values.end(), bytes.begin(), bytes.end());
            if (values.size() % 2)
                values.push_back(0);
            return offset;
        };
        const std::string makeZ = make + '\0', modelZ = model + '\0', dateZ = dateTime + '\0';
        const std::string userComment = std::string("ASCII\0\0\0", 8) + comment;

        Put16(tiff, 4);
        Entry(tiff, 0x010F, 2, std::uint32_t(makeZ.size()), place(makeZ));
        Entry(tiff, 0x0110, 2, std::uint32_t(modelZ.size()), place(modelZ));
        Entry(tiff, 0x0132, 2, std::uint32_t(dateZ.size()), place(dateZ));
        Entry(tiff, 0x8769, 4, 1, exifIfd);
        Put32(tiff, 0);
        Put16(tiff, 1);
        Entry(tiff, 0x9286, 7, std::uint32_t(userComment.size()), place(userComment));
        Put32(tiff, 0);
        tiff.insert(tiff.end(), values.begin(), values.end());

        std::vector<std::uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
        payload.insert(payload.end(), tiff.begin(), tiff.end());
        return payload;
    }

private:
    static void Put16(std::vector<std::uint8_t>& v, std::uint32_t x)
    {
        v.push_back(std::uint8_t(x >> 8));
        v.push_back(std::uint8_t(x));
    }
    static void Put32(std::vector<std::uint8_t>& v, std::uint32_t x)
    {
        Put16(v, x >> 16);
        Put16(v, x & 0xFFFF);
    }
    static void Entry(std::vector<std::uint8_t>& v, std::uint32_t tag, std::uint32_t type, std::uint32_t count,
                      std::uint32_t value)
    {
        Put16(v, tag);
        Put16(v, type);
        Put32(v, count);
        Put32(v, value);
    }
};

// --- Hand-written 24-bit bitmap ---------------------------------------------

bool WriteBitmap(const CImage& image, const std::filesystem::path& path)
{
    if (image.planes != 3)
        return false;  // the canvas could not be turned into an image
    const std::uint32_t stride = (std::uint32_t(image.cols) * 3 + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * std::uint32_t(image.rows);
    std::vector<std::uint8_t> file(54 + pixelBytes, 0);
    auto put32 = [&](std::size_t at, std::uint32_t x) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = std::uint8_t(x >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, std::uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, std::uint32_t(image.cols));
    put32(22, std::uint32_t(image.rows));
    file[26] = 1;
    file[28] = 24;
    put32(34, pixelBytes);
    put32(38, 2835);
    put32(42, 2835);
    for (int y = 0; y < image.rows; ++y) {
        std::uint8_t* row = file.data() + 54 + std::size_t(image.rows - 1 - y) * stride;
        for (int x = 0; x < image.cols; ++x) {
            const std::size_t i = std::size_t(y) * image.cols + x;
            row[x * 3 + 0] = image.plane[2][i];
            row[x * 3 + 1] = image.plane[1][i];
            row[x * 3 + 2] = image.plane[0][i];
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return bool(out);
}

bool Report(const std::filesystem::path& path, int result)
{
    if (result != 0) {
        std::fprintf(stderr, "make_samples: could not write %s (code %d)\n", path.c_str(), result);
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples FOLDER\n"
                             "Writes the project's sample pictures (JPEG and BMP) into FOLDER.\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool ok = true;

    CCanvas landscape(1200, 800);
    DrawLandscape(landscape);
    const CImage landscapeImage = landscape.ToImage(false);
    ok &= Report(folder / "landscape.jpg", WriteJpegFile(landscapeImage, folder / "landscape.jpg", 92, kSubsampling420));

    CCanvas portrait(720, 1080);
    DrawPortrait(portrait);
    ok &= Report(folder / "portrait.jpg", WriteJpegFile(portrait.ToImage(false), folder / "portrait.jpg", 92, kSubsampling420));

    CCanvas hills(1000, 750);
    DrawHills(hills);
    ok &= Report(folder / "greyscale.jpg", WriteJpegFile(hills.ToImage(true), folder / "greyscale.jpg", 92, kSubsampling420));

    // The Exif sample takes its coding from landscape.jpg and carries the block.
    const std::vector<std::uint8_t> exif =
        CExifBuilder().Build("Brevant Camera Works", "Framira Sample One", "2026:12:09 08:30:00",
                             "Sample picture made by the Framira project");
    const int payloadLength = int(exif.size());
    CCanvas evening(1024, 683);
    DrawLandscape(evening);
    for (CColour& p : evening.pixels)
        p = Mix(p, {255, 150, 90}, 0.25f);
    ok &= Report(folder / "with_exif.jpg", WriteJpegFileWithSource(evening.ToImage(false), folder / "with_exif.jpg",
                                                                   folder / "landscape.jpg", 92, exif.data(),
                                                                   &payloadLength));

    CCanvas harbour(640, 480);
    DrawHarbour(harbour);
    const std::filesystem::path bmp = folder / "harbour.bmp";
    ok &= Report(bmp, WriteBitmap(harbour.ToImage(false), bmp) ? 0 : 2);

    return ok ? 0 : 1;
}
