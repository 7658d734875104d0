// Output names decided for a whole job from what the output folder holds.
#include "output_path.h"
#include "output_plan.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;
using test_support::CScratchFolder;

namespace {

// A file standing in for a framed picture: only its segments are read.
void WriteMarked(const std::string& path, const std::string& source)
{
    const CMarkerSegment mark = MakeSourceMark(path, source);
    std::ofstream out(path, std::ios::binary);
    out << "\xFF\xD8\xFF\xE0" << '\0' << '\4' << "ab";  // a segment to step over
    out << '\xFF' << char(mark.marker) << char((mark.payload.size() + 2) >> 8) << char((mark.payload.size() + 2) & 0xFF);
    out.write(reinterpret_cast<const char*>(mark.payload.data()), std::streamsize(mark.payload.size()));
    out << "\xFF\xDA";
}

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

TEST(OutputPlan, NamesFollowTheFolderContentsAndNeverTakeAnotherFile)
{
    struct Case {
        const char* what;
        std::vector<std::string> sources;               // in the job's order, in src/
        std::map<std::string, std::string> marked;      // output name in out/ → its source in src/
        std::vector<std::string> unmarked;              // other files in out/
        bool keepUnmarked;
        std::map<std::string, std::string> expected;    // source → output name
        std::map<std::string, EExistingOutput> existing;
    };
    const Case cases[] = {
        {"first run: the job's order decides", {"beach.jpg", "beach.tif"}, {}, {}, false,
         {{"beach.jpg", "beach.jpg"}, {"beach.tif", "beach (2).jpg"}}, {}},
        {"a sibling added first in order does not move the others", {"beach.jpg", "beach.png", "beach.tif"},
         {{"beach.jpg", "beach.jpg"}, {"beach (2).jpg", "beach.tif"}}, {}, true,
         {{"beach.jpg", "beach.jpg"}, {"beach.png", "beach (3).jpg"}, {"beach.tif", "beach (2).jpg"}},
         {{"beach.jpg", EExistingOutput::Own}, {"beach.png", EExistingOutput::None}}},
        {"a removed source's output is nobody else's", {"beach.png"}, {{"beach.jpg", "gone.jpg"}}, {}, false,
         {{"beach.png", "beach (2).jpg"}}, {}},
        {"names compare without case, as some file systems do", {"Beach.TIF", "beach.jpg"}, {}, {}, false,
         {{"Beach.TIF", "Beach.jpg"}, {"beach.jpg", "beach (2).jpg"}}, {}},
        {"an unmarked file is kept when asked", {"dune.jpg"}, {}, {"DUNE.JPG"}, true, {{"dune.jpg", "dune (2).jpg"}},
         {}},
        {"an unmarked file may be replaced otherwise", {"dune.jpg"}, {}, {"dune.jpg"}, false,
         {{"dune.jpg", "dune.jpg"}}, {{"dune.jpg", EExistingOutput::Unmarked}}},
        {"a stem that looks numbered is its own stem", {"a (2).png", "a.png"}, {{"a (2).jpg", "a.png"}}, {}, false,
         {{"a (2).png", "a (2) (2).jpg"}, {"a.png", "a (2).jpg"}}, {{"a.png", EExistingOutput::Own}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScratchFolder root;
        fs::create_directories(root.path / "src");
        fs::create_directories(root.path / "out");
        std::vector<std::string> sources;
        for (const std::string& name : c.sources) {
            sources.push_back(root / ("src/" + name));
            Touch(sources.back());
        }
        for (const auto& [output, source] : c.marked)
            WriteMarked(root / ("out/" + output), root / ("src/" + source));
        for (const std::string& name : c.unmarked)
            Touch(root / ("out/" + name));
        const COutputPlan plan = COutputPlan::Make(sources, kSaveDesignatedFolder, root / "out", c.keepUnmarked);
        for (const auto& [source, output] : c.expected) {
            const COutputAssignment* planned = plan.Find(root / ("src/" + source));
            ASSERT_NE(planned, nullptr) << source;
            EXPECT_EQ(SplitSourceName(planned->output).fileName, output) << source;
            if (const auto it = c.existing.find(source); it != c.existing.end()) {
                EXPECT_EQ(planned->existing, it->second) << source;
            }
        }
    }
}

TEST(OutputPlan, SourcesAreNeverOutputsWhateverTheSpelling)
{
    // The designated folder is a link to the sources' folder, and an output
    // name is itself a link to a source.
    CScratchFolder root;
    fs::create_directory(root.path / "photos");
    Touch(root / "photos/beach.jpg");
    Touch(root / "photos/beach.tif");
    fs::create_directory_symlink(root.path / "photos", root.path / "linked");
    fs::create_symlink(root.path / "photos/beach.jpg", root.path / "photos/alias.jpg");
    Touch(root / "photos/alias.tif");
    const std::vector<std::string> sources = {root / "photos/alias.tif", root / "photos/beach.jpg",
                                              root / "photos/beach.tif"};
    const COutputPlan plan = COutputPlan::Make(sources, kSaveDesignatedFolder, root / "linked", false);
    EXPECT_EQ(plan.Find(sources[0])->output, root / "linked/alias (2).jpg");
    EXPECT_EQ(plan.Find(sources[1])->output, root / "linked/beach (2).jpg");
    EXPECT_EQ(plan.Find(sources[2])->output, root / "linked/beach (3).jpg");
}

} // namespace
