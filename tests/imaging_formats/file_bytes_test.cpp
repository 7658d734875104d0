#include "file_bytes.h"
#include "format_test_support.h"

#include <gtest/gtest.h>

namespace {
CBytes Counting(std::size_t size)
{
    CBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}
} // namespace

TEST(FileBytes, WholeFilesAndPrefixes)
{
    CScratchFolder folder;
    // Around the first buffer size, and well past it.
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                                   std::size_t{65537}, std::size_t{300001}}) {
        const CBytes written = Counting(size);
        const auto path = folder.Write("f" + std::to_string(size), written);
        std::vector<std::uint8_t> read = {9, 9};
        ASSERT_EQ(ReadFileBytes(path, read), kImageSuccess) << size;
        EXPECT_EQ(read, written) << size;

        ASSERT_EQ(ReadFileBytes(path, read, 66), kImageSuccess) << size;
        const auto prefix = static_cast<std::ptrdiff_t>(std::min(size, std::size_t{66}));
        EXPECT_EQ(read, CBytes(written.begin(), written.begin() + prefix)) << size;
    }
}

TEST(FileBytes, FilesWhoseSizeIsNotKnownAheadAreReadToTheEnd)
{
    // Files under /proc report a size of 0 and still hold text.
    std::vector<std::uint8_t> read;
    ASSERT_EQ(ReadFileBytes("/proc/self/status", read), kImageSuccess);
    const std::string text(read.begin(), read.end());
    EXPECT_NE(text.find("Name:"), std::string::npos);
    EXPECT_NE(text.find("VmRSS:"), std::string::npos);  // far from the first byte
}

TEST(FileBytes, MissingFileAndFolder)
{
    CScratchFolder folder;
    std::vector<std::uint8_t> read = {1};
    EXPECT_EQ(ReadFileBytes(folder.path / "missing", read), kImageCannotOpen);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(ReadFileBytes(folder.path, read), kImageCannotOpen);
    EXPECT_TRUE(read.empty());
}
