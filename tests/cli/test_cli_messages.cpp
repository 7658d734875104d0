// What framira-batch says, from the inside: the option parser's refusals,
// file names made safe for a terminal, the formats --help and the README
// list, and the summary and exit status the report gives.
#include "cli_options.h"
#include "console_report.h"
#include "input_list.h"
#include "printable_path.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(CliOptionsTest, RepeatedOptionsAndSizesWithoutRoomForThePhotoAreRefused)
{
    const struct {
        std::vector<std::string> args;
        const char* refusal;  // null: accepted
    } cases[] = {
        {{"-y", "-y"}, "-y (--yes) is given twice"},
        {{"-yy"}, "-y (--yes) is given twice"},
        {{"--yes", "-y"}, "-y (--yes) is given twice"},
        {{"-n", "--no"}, "--no (-n) is given twice"},
        {{"-q", "-q"}, "-q (--quiet) is given twice"},
        {{"-rq", "-r"}, "-r (--recurse) is given twice"},
        {{"--skip-existing", "--skip-existing"}, "--skip-existing is given twice"},
        {{"--raw", "--raw"}, "--raw is given twice"},
        {{"--no-progress", "--no-progress"}, "--no-progress is given twice"},
        {{"--ignore", "a", "--ignore=b", "-r"}, "--ignore is given twice"},
        {{"-o", "a", "--out", "b"}, "--out (-o) is given twice"},
        {{"-s", "a", "-s", "b"}, "-s (--subfolder) is given twice"},
        {{"-p", "1", "-pSXGA"}, "-p (--preset) is given twice"},
        {{"-h", "--help"}, "--help (-h) is given twice"},
        {{"--list-presets", "--list-presets"}, "--list-presets is given twice"},
        {{"--yes", "--no"}, "exclude each other"},
        {{"-p", "33x17"}, "too small to show the photograph: the output must be at least 40x40"},
        {{"-p", "39x400"}, "too small"},
        {{"-p", "400x39"}, "too small"},
        {{"-p", "0x0"}, "too small"},
        {{"-p", "8193x100"}, "out of range"},
        {{"-p", "40x40"}, nullptr},
        {{"-p", "8192x8192", "-ryq", "--raw", "--skip-existing", "--no-progress", "--threads=2"}, nullptr},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("x.jpg");
        CCliOptions options;
        std::string error;
        const bool accepted = ParseCommandLine(args, options, error);
        SCOPED_TRACE(args.front() + " " + args[1]);
        if (c.refusal == nullptr) {
            EXPECT_TRUE(accepted) << error;
        } else {
            EXPECT_FALSE(accepted);
            EXPECT_TRUE(Contains(error, c.refusal)) << error;
        }
    }
}

TEST(PrintablePathTest, ControlsAndBytesThatAreNotUtf8AreEscaped)
{
    const struct {
        std::string name;
        std::string printed;
    } cases[] = {
        {"Urlaub/Straße 東京 🙂.jpg", "Urlaub/Straße 東京 🙂.jpg"},  // valid UTF-8 stays
        {"a\nb\tc\rd.jpg", "a\\nb\\tc\\rd.jpg"},
        {"\x1b[31mred\x7f", "\\x1b[31mred\\x7f"},
        {std::string("nul\0one", 7), "nul\\x00one"},
        {"C:\\new\\x41", "C:\\\\new\\\\x41"},  // a literal backslash-n is not a newline
        {"\xc2\x9b" "2J \xc2\xa0", "\\xc2\\x9b2J \xc2\xa0"},  // C1 control escaped, no-break space kept
        {"latin1 caf\xe9.jpg", "latin1 caf\\xe9.jpg"},
        {"cut \xe6\x9d", "cut \\xe6\\x9d"},  // a sequence the name ends inside
        {"overlong \xc0\xaf \xe0\x80\xaf", "overlong \\xc0\\xaf \\xe0\\x80\\xaf"},
        {"surrogate \xed\xa0\x80", "surrogate \\xed\\xa0\\x80"},
        {"beyond \xf4\x90\x80\x80 \xf5", "beyond \\xf4\\x90\\x80\\x80 \\xf5"},
        {"stray \x80\xbf", "stray \\x80\\xbf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PrintablePath(c.name), c.printed) << c.printed;
}

TEST(CliOptionsTest, HelpAndReadmeListEveryFormatAndExitStatus)
{
    const std::string help = UsageText();
    std::ifstream file(FRAMIRA_SOURCE_DIR "/README.md");
    std::stringstream whole;
    whole << file.rdbuf();
    const std::string readme = whole.str().substr(whole.str().find("## framira-batch"));
    // Every extension as a word of its own (".tif" is no proof of ".tiff").
    const auto words = [](std::string text) {
        for (char& c : text)
            c = std::isalnum(static_cast<unsigned char>(c)) || c == '.' ? c : ' ';
        std::istringstream in(text);
        std::set<std::string> found;
        for (std::string word; in >> word;)
            found.insert(word.back() == '.' ? word.substr(0, word.size() - 1) : word);
        return found;
    };
    const std::set<std::string> helpWords = words(help), readmeWords = words(readme);
    for (const std::string_view extension : kSupportedPictureExtensions) {
        EXPECT_TRUE(helpWords.count(std::string(extension))) << extension;
        EXPECT_TRUE(readmeWords.count(std::string(extension))) << extension;
    }
    for (const int status : {kExitAllWritten, kExitDamaged, kExitSomeFailed, kExitRefused, kExitDiskFull, kExitUsage,
                             kExitStoppedBySignal + SIGHUP, kExitStoppedBySignal + SIGINT,
                             kExitStoppedBySignal + SIGTERM}) {
        const std::string number = std::to_string(status);
        EXPECT_TRUE(Contains(help, "\n  " + number + std::string(5 - number.size(), ' '))) << status;
        EXPECT_TRUE(Contains(readme, "\n| " + number + " |")) << status;
    }
}

// The report fed what a job posts, then asked for its summary and status.
TEST(ConsoleReportTest, SummaryAndExitStatusTellHowTheJobEnded)
{
    const struct {
        int end;                 // UWM_DONE or UWM_STOPPED
        int signal;              // the stop signal main() passes on (0: none)
        const char* signalName;  // as main() names it for the summary
        const char* diskFull;    // null: not full
        int ownOutputs, rawTwins;
        int status;
        const char* says;
    } cases[] = {
        {UWM_DONE, 0, nullptr, nullptr, 0, 0, kExitAllWritten, "written  /out/a\\nb.jpg\n1 of 1 picture written.\n"},
        {UWM_STOPPED, SIGINT, "Ctrl-C", nullptr, 0, 0, 130, "; stopped by Ctrl-C.\n"},
        {UWM_STOPPED, SIGTERM, "SIGTERM", nullptr, 0, 0, 143, "; stopped by SIGTERM.\n"},
        {UWM_STOPPED, 0, nullptr, nullptr, 0, 0, kExitRefused, "; stopped before the end.\n"},
        // The signal came once the job had ended: it stopped nothing.
        {UWM_DONE, SIGHUP, nullptr, nullptr, 0, 0, kExitAllWritten, "1 of 1 picture written.\n"},
        {UWM_STOPPED, SIGINT, "Ctrl-C", "no space left writing /out/\x1b[2Jb.jpg", 0, 0, kExitDiskFull,
         "; stopped because the disk is full: no space left writing /out/\\x1b[2Jb.jpg.\n"},
        {UWM_DONE, 0, nullptr, nullptr, 3, 1, kExitAllWritten,
         "1 of 1 picture written.\n3 of framira-batch's own outputs passed over.\n"
         "1 RAW file passed over (its JPEG is framed; --raw frames the RAW).\n"},
        {UWM_DONE, 0, nullptr, nullptr, 0, 2, kExitAllWritten,
         "2 RAW files passed over (their JPEGs are framed; --raw frames the RAWs).\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.status << ", signal " << c.signal);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), std::fclose);
        ASSERT_TRUE(out);
        std::mutex terminal;
        CConsoleReport report({"/in/a\nb.jpg"}, false, false, terminal, out.get());
        if (c.rawTwins > 0)
            report.PassedOverTwin("/in/a\tb.CR2");
        report.SetPassedOver(c.ownOutputs, c.rawTwins);
        report.Handle({UWM_PICTURE, 50, "/in/a\nb.jpg"});
        report.Handle({UWM_PICTURE, 100, "/out/a\nb.jpg"});
        report.Handle({c.end, 100, ""});
        if (c.diskFull)
            report.SetDiskFull(c.diskFull);
        report.PrintSummary(c.signalName, false);
        EXPECT_EQ(report.ExitStatus(c.signal), c.status);

        std::string printed(4096, '\0');
        std::rewind(out.get());
        printed.resize(std::fread(printed.data(), 1, printed.size(), out.get()));
        EXPECT_TRUE(Contains(printed, c.says)) << printed;
        if (c.rawTwins > 0) {
            EXPECT_TRUE(Contains(printed, "passed over  /in/a\\tb.CR2: a JPEG of the same name is framed (--raw "
                                          "frames the RAW)\n"))
                << printed;
        }
        // No name may start a line of its own.
        std::istringstream lines(printed);
        for (std::string line; std::getline(lines, line);)
            EXPECT_TRUE(line.rfind("written  ", 0) == 0 || line.rfind("passed over  ", 0) == 0 ||
                        std::isdigit(static_cast<unsigned char>(line[0])))
                << line;
    }
}

} // namespace
