// Preset → output size: the one rule the job, the destination, the window's
// preview and the command line share.
#include "batch_worker.h"
#include "preset_sizes.h"

#include <gtest/gtest.h>

#include <set>

TEST(PresetSizes, RowsMapToTheirSizeAndEverythingElseToTheCustomSize)
{
    const CScreenSize custom{640, 400};
    struct {
        int preset;
        CScreenSize expected;  // PresetOutputSize with `custom`
        CScreenSize job;       // what a job frames at with `custom`
    } const cases[] = {
        {0, {640, 400}, {640, 400}},      // the user's own size
        {1, {480, 320}, {480, 320}},      // the first row
        {9, {2560, 2048}, {2560, 2048}},  // the largest
        {12, {1920, 1080}, {1920, 1080}},
        {15, {1600, 1024}, {1600, 1024}},  // the last choice
        {16, {640, 400}, {0, 0}},          // only closes the table
        {17, {640, 400}, {0, 0}},          // past the table
        {-1, {640, 400}, {0, 0}},
    };
    for (const auto& c : cases) {
        const CScreenSize size = PresetOutputSize(c.preset, custom);
        EXPECT_EQ(size.width, c.expected.width) << c.preset;
        EXPECT_EQ(size.height, c.expected.height) << c.preset;

        CBatchWorker job;
        job.presetIndex = c.preset;
        job.customWidth = custom.width;
        job.customHeight = custom.height;
        int width = -1, height = -1;
        job.GetOutputSize(width, height);
        EXPECT_EQ(width, c.job.width) << c.preset;
        EXPECT_EQ(height, c.job.height) << c.preset;
    }
}

TEST(PresetSizes, EveryChoiceOnceInTableOrder)
{
    const std::vector<CPresetChoice> choices = ChoosablePresets();
    ASSERT_EQ(choices.size(), 15u);
    std::set<std::pair<int, int>> sizes;
    for (std::size_t i = 0; i < choices.size(); ++i) {
        EXPECT_EQ(choices[i].index, int(i) + 1);
        EXPECT_TRUE(IsChoosablePreset(choices[i].index));
        EXPECT_FALSE(choices[i].name.empty()) << choices[i].index;
        const CScreenSize size = PresetOutputSize(choices[i].index, {});
        EXPECT_EQ(choices[i].size.width, size.width);
        EXPECT_EQ(choices[i].size.height, size.height);
        sizes.insert({size.width, size.height});
    }
    EXPECT_EQ(sizes.size(), choices.size()) << "a size names one row, so --preset WxH is unambiguous";
    EXPECT_EQ(choices[10].name, "HDTV");
    EXPECT_EQ(choices[11].name, "HDTV");
    EXPECT_FALSE(IsChoosablePreset(kCustomSizePreset));
}
