// Whole runs through the C entry point on fixed generated pictures, compared
// with the bytes this engine has always produced: any change to how the
// stages compute (buffers kept between runs, loops reshaped, work split
// across threads) must leave every output byte as it was.
#include "framira.h"

#include "mat.h"
#include "sha256.h"
#include "work_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

namespace {

// Gradients, hard edges and fine noise, so every resampling tap, blur and
// warp shows in the result.
std::vector<uint8_t> Picture(int width, int height, uint32_t seed)
{
    std::vector<uint8_t> samples(static_cast<size_t>(width) * height * 3);
    uint32_t noise = seed;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* p = &samples[(static_cast<size_t>(y) * width + x) * 3];
            const int grain = static_cast<int>(noise >> 28);
            p[0] = static_cast<uint8_t>((x * 223 / width + grain) & 0xFF);
            p[1] = static_cast<uint8_t>(((x / 17 + y / 13) % 2 == 0 ? 190 : 60) + grain);
            p[2] = static_cast<uint8_t>((y * 251 / height) ^ static_cast<int>(seed & 0x3F));
        }
    }
    return samples;
}

struct CPinnedRun {
    int width, height, preset;
    uint32_t seed;
    const char* sha256;
};

// Landscape, portrait and square pictures, larger and smaller than the print,
// at three output sizes; later rows repeat earlier sizes with other content,
// so buffers kept from an earlier run cannot leak into it. At the screen size
// the planes are large enough to be shared by every thread.
const CPinnedRun runs[] = {
    {640, 427, 1, 1, "91b686c3dd27df8c3c1fd56b6456b0699948afa19ac373e643d38d80c5218b02"},
    {300, 520, 1, 2, "e8db672b45a3dd62d67576cc5ee6b4ea94ac4346b0ad79415322a50ff052ac30"},
    {97, 97, 1, 3, "b4800bf77357479310a7a088ec5c2228a0309a3b286d6894d7040d4c993b033d"},
    {640, 427, 3, 4, "e5b7c737d585457e9ec12294a44002914b47636122e7d12535112adaa4ac4f1c"},
    {300, 520, 3, 5, "ebad5acde5de8c042d7bd9280edc5f3e515841b8c9e01094ad2cbb59bd103812"},
    {2000, 120, 3, 6, "1d7f30721382eebd056d12e297376882c98f524f50ce8b5c4585e845cd0f12e8"},
    {640, 427, 1, 7, "e2f149a67c8db5d28d3cf48c6a1bcbf741ea81442d79653d6fe26193fd0c1895"},
    {300, 520, 3, 8, "ca0ab50cadc099e3c790af1b4f8b12fc7063dc93da9ffce2403495502ec4eb5f"},
    {640, 427, 12, 9, "2569cbdd7757b9b82de4932d9548098e0e8ba94d0f08fbe0899d3515232aecdd"},
    {300, 520, 12, 10, "e0c264f2ed6c44c8b463e226242a1bd71870ed1d9785aeeb6d93e5ab5b8cf1ee"},
};

// Whether anything of the engine still holds the texture sources (19 MB)
// once no preparation runs: taken and let go again here, they outlive the
// probe only if it does.
bool TextureSourcesHeld()
{
    Specklo_End();
    const std::weak_ptr<const framira::CTextureSources> probe = framira::AcquireTextureSources();
    return !probe.expired();
}

void ExpectRecordedBytes(const CPinnedRun& run, std::vector<uint8_t>& output)
{
    std::vector<uint8_t> input = Picture(run.width, run.height, run.seed);
    ASSERT_EQ(Specklo_Init(run.width, run.height, 12), 0);
    ASSERT_EQ(Framira_Run(input.data(), output.data(), 1.75f, 8, run.width, run.height, 1.0f, nullptr, run.preset,
                          0, 0),
              0);
    const size_t bytes = static_cast<size_t>(kFramiraPresets[run.preset].width) *
                         static_cast<size_t>(kFramiraPresets[run.preset].height) * 3;
    EXPECT_EQ(test_support::Sha256Hex(output.data(), bytes), run.sha256);
}

TEST(PinnedOutput, RunsGiveTheRecordedBytes)
{
    std::vector<uint8_t> output(1920 * 1080 * 3);
    // The same bytes when rows are shared out unevenly, on one thread, on two
    // and on the pool's most (the first three runs and the screen-sized ones
    // suffice there).
    for (const int threads : {3, 1, 2, 8})
    for (const CPinnedRun& run : runs) {
        if (threads != 3 && &run - runs >= 3 && run.preset != 12)
            continue;
        framira::SetWorkThreadCount(threads);
        SCOPED_TRACE(testing::Message() << run.width << " x " << run.height << " preset " << run.preset
                                        << ", threads " << threads);
        ExpectRecordedBytes(run, output);
        // Made anew for every texture set, the sources give the same bytes,
        // and nothing keeps them once the set is made.
        if (&run == &runs[std::size(runs) - 1]) {
            EXPECT_FALSE(TextureSourcesHeld());
        }
    }
    framira::SetWorkThreadCount(0);
}

// Textures made ahead (Framira_Prepare) give the bytes of textures made by
// the run: prepared for the run's size, for another size or one never run, by
// preset or by the same size given as a custom one, and waited for by
// Specklo_End.
TEST(PinnedOutput, PreparedRunsGiveTheRecordedBytes)
{
    struct CStep {
        int prepare[3];  // preset, custom width and height; preset -1: none
        int run;         // row of runs[]; -1: none
        bool end;        // Specklo_End after it
    };
    const CStep steps[] = {
        {{3, 0, 0}, 3, false},     // a size change, prepared
        {{3, 0, 0}, 4, false},     // the size the engine holds
        {{1, 0, 0}, -1, true},     // never run, ended while it is made
        {{12, 0, 0}, 8, false},    // a size change, prepared
        {{0, 640, 480}, 3, false}, // VGA's size given as a custom one
        {{7, 0, 0}, 0, false},     // prepared for another size than the run's
        {{1, 0, 0}, 1, false},     // the size the engine holds
        {{-1, 0, 0}, 9, false},    // a size change after one prepared and left
        {{0, 96, 64}, -1, false},  // never run, left for the process's exit
    };
    std::vector<uint8_t> output(1920 * 1080 * 3);
    for (const int threads : {1, 2}) {
        framira::SetWorkThreadCount(threads);
        for (const CStep& step : steps) {
            SCOPED_TRACE(testing::Message() << "step " << &step - steps << ", threads " << threads);
            if (step.prepare[0] >= 0) {
                Framira_Prepare(step.prepare[0], step.prepare[1], step.prepare[2]);
            }
            if (step.run >= 0) {
                ExpectRecordedBytes(runs[step.run], output);
            }
            if (step.end) {
                EXPECT_EQ(Specklo_End(), 0);
            }
        }
        // Nor does a set made ahead, taken or not.
        EXPECT_FALSE(TextureSourcesHeld());
    }
    framira::SetWorkThreadCount(0);
}

// A reader over a picture held in memory that checks the engine asks for
// the rows in order, each once, and can give up at a row.
struct CCheckedRows {
    const std::vector<uint8_t>* samples;
    int width;
    int height;
    int failAt = -1;  // the first row it refuses to hand over; -1: none
    int next = 0;
    int doneCalls = 0;  // told the rows may go
    bool inOrder = true;

    static const unsigned char* Read(void* context, int32_t first, int32_t count)
    {
        CCheckedRows& rows = *static_cast<CCheckedRows*>(context);
        if (count == 0 && first == rows.height && rows.next == rows.height) {
            ++rows.doneCalls;
            return nullptr;
        }
        rows.inOrder = rows.inOrder && first == rows.next && count > 0 && first + count <= rows.height;
        rows.next = first + count;
        if (!rows.inOrder || (rows.failAt >= 0 && rows.failAt < first + count)) {
            return nullptr;
        }
        return rows.samples->data() + static_cast<size_t>(first) * rows.width * 3;
    }
};

// Rows handed over by a reader give the bytes of the picture held whole, on
// one thread and on two, including a picture tall enough to come in many
// pieces; a reader that gives up ends the run with 1.
TEST(PinnedOutput, RowReaderRunsGiveTheRecordedBytes)
{
    std::vector<uint8_t> output(1920 * 1080 * 3);
    std::vector<uint8_t> whole(1920 * 1080 * 3);
    const CPinnedRun tall{700, 2900, 12, 11, nullptr};
    for (const int threads : {1, 2}) {
        framira::SetWorkThreadCount(threads);
        for (const CPinnedRun& run : {runs[0], runs[5], runs[8], runs[9], tall}) {
            SCOPED_TRACE(testing::Message() << run.width << " x " << run.height << ", threads " << threads);
            const std::vector<uint8_t> input = Picture(run.width, run.height, run.seed);
            const size_t bytes = static_cast<size_t>(kFramiraPresets[run.preset].width) *
                                 static_cast<size_t>(kFramiraPresets[run.preset].height) * 3;
            CCheckedRows rows{&input, run.width, run.height};
            ASSERT_EQ(Specklo_Init(run.width, run.height, 12), 0);
            ASSERT_EQ(Framira_RunRows(CCheckedRows::Read, &rows, output.data(), run.width, run.height, run.preset,
                                      0, 0),
                      0);
            EXPECT_TRUE(rows.inOrder);
            EXPECT_EQ(rows.next, run.height);
            EXPECT_EQ(rows.doneCalls, 1);
            if (run.sha256 != nullptr) {
                EXPECT_EQ(test_support::Sha256Hex(output.data(), bytes), run.sha256);
                continue;
            }
            std::vector<uint8_t> copy = input;
            ASSERT_EQ(Framira_Run(copy.data(), whole.data(), 1.75f, 8, run.width, run.height, 1.0f, nullptr,
                                  run.preset, 0, 0),
                      0);
            EXPECT_EQ(test_support::Sha256Hex(output.data(), bytes), test_support::Sha256Hex(whole.data(), bytes));
            for (const int failAt : {0, 1000}) {
                CCheckedRows failing{&input, run.width, run.height, failAt};
                EXPECT_EQ(Framira_RunRows(CCheckedRows::Read, &failing, output.data(), run.width, run.height,
                                          run.preset, 0, 0),
                          1);
            }
        }
    }
    EXPECT_EQ(Framira_RunRows(nullptr, nullptr, output.data(), 10, 10, 1, 0, 0), 1);
    framira::SetWorkThreadCount(0);
}

} // namespace
