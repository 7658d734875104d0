// The pieces of running one job as many processes: the shard split, the
// file list of --files-from and the JSON Lines report.
#include "file_list.h"
#include "json_report.h"
#include "shard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>

namespace {

TEST(Shard, ThePartsAreDisjointBalancedAndTheSameWhateverTheOrderGiven)
{
    std::vector<std::string> sources;
    for (int i = 0; i < 41; ++i)
        sources.push_back("/p/" + std::string(1, char('a' + i % 7)) + "/" + std::to_string(i) + ".jpg");
    for (const int count : {1, 2, 4, 8, 41, 60}) {
        std::vector<std::string> reversed(sources.rbegin(), sources.rend());
        std::multiset<std::string> together;
        std::size_t smallest = sources.size(), largest = 0;
        for (int index = 1; index <= count; ++index) {
            const auto part = SelectShard(sources, {index, count});
            EXPECT_EQ(part, SelectShard(reversed, {index, count})) << index << "/" << count;
            together.insert(part.begin(), part.end());
            smallest = std::min(smallest, part.size());
            largest = std::max(largest, part.size());
        }
        EXPECT_EQ(together, std::multiset<std::string>(sources.begin(), sources.end())) << count;
        EXPECT_LE(largest - smallest, 1u) << count;
    }

    const struct {
        const char* text;
        bool valid;
    } texts[] = {{"1/1", true}, {"3/8", true}, {"8/8", true}, {"0/4", false}, {"5/4", false}, {"1/0", false},
                 {"a/b", false}, {"1/", false}, {"/4", false}, {"-1/4", false}, {"1/4/2", false}, {"", false}};
    for (const auto& t : texts) {
        CShard shard;
        std::string error;
        EXPECT_EQ(ParseShard(t.text, shard, error), t.valid) << t.text;
        EXPECT_EQ(error.empty(), t.valid) << t.text << ": " << error;
    }
}

TEST(FileList, LinesNulSeparatedAndWhatIsRefused)
{
    const struct {
        std::string content;
        bool nul;
        bool valid;
        std::vector<std::string> paths;
        bool warned;
    } cases[] = {
        {"a.jpg\nsub/b c.tif\n\n", false, true, {"a.jpg", "sub/b c.tif"}, false},
        {"a.jpg\r\nb.jpg\r\n", false, true, {"a.jpg", "b.jpg"}, true},
        {std::string("a\nb.jpg\0c.jpg\0", 14), true, true, {"a\nb.jpg", "c.jpg"}, false},
        {std::string("a.jpg\0b.jpg\0", 12), false, false, {}, false},
        {"", false, true, {}, false},
    };
    for (const auto& c : cases) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::tmpfile(), std::fclose);
        std::fwrite(c.content.data(), 1, c.content.size(), in.get());
        std::rewind(in.get());
        CFileList list;
        std::string error;
        EXPECT_EQ(ReadFileList("-", c.nul, in.get(), list, error), c.valid) << c.content;
        EXPECT_EQ(list.paths, c.paths) << c.content;
        EXPECT_EQ(!list.warnings.empty(), c.warned) << c.content;
    }
    CFileList list;
    std::string error;
    EXPECT_FALSE(ReadFileList("/nonexistent/list.txt", false, stdin, list, error));
    EXPECT_EQ(error, "--files-from /nonexistent/list.txt: No such file or directory");
}

TEST(JsonReport, EveryNameIsAValidStringThatGivesItsBytesBack)
{
    const struct {
        std::string bytes;
        std::string json;
    } cases[] = {
        {"plain/a.jpg", "\"plain/a.jpg\""},
        {"quote\"back\\slash", "\"quote\\\"back\\\\slash\""},
        {"new\nline\ttab\x1b", "\"new\\nline\\ttab\\u001b\""},
        {"caf\xc3\xa9.jpg", "\"caf\xc3\xa9.jpg\""},
        {"latin1 caf\xe9.jpg", "\"latin1 caf\\udce9.jpg\""},
        {"overlong \xc0\xaf", "\"overlong \\udcc0\\udcaf\""},
        {"cut \xe2\x82", "\"cut \\udce2\\udc82\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonString(c.bytes), c.json);
    EXPECT_EQ(JsonLine({{"source", std::string("a.jpg")}, {"bytes", std::int64_t{1234}}, {"output", nullptr}}),
              "{\"source\":\"a.jpg\",\"bytes\":1234,\"output\":null}");
}

} // namespace
