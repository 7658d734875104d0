#include "cli_options.h"

#include "framira.h"

#include "input_list.h"
#include "output_size_limits.h"
#include "preset_sizes.h"
#include "read_problem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <string_view>

namespace {

// Custom sizes stay within what a screen may reasonably have, and at least
// kMinimumOutputWidth x kMinimumOutputHeight, which still show the photograph.
constexpr int kMaximumCustomSide = 8192;

bool ParseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

struct COptionName {
    const char* shortName;  // null: none
    const char* longName;
    bool takesValue;
};

constexpr COptionName kOptionNames[] = {
    {"-h", "--help", false},
    {"-V", "--version", false},
    {nullptr, "--list-presets", false},
    {"-p", "--preset", true},
    {"-o", "--out", true},
    {"-s", "--subfolder", true},
    {"-r", "--recurse", false},
    {nullptr, "--ignore", true},
    {nullptr, "--skip-existing", false},
    {nullptr, "--raw", false},
    {"-y", "--yes", false},
    {"-n", "--no", false},
    {"-q", "--quiet", false},
    {nullptr, "--no-progress", false},
    {nullptr, "--threads", true},
    {nullptr, "--files-from", true},
    {"-0", "--null", false},
    {nullptr, "--shard", true},
    {nullptr, "--report", true},
};

const COptionName* FindOption(std::string_view name)
{
    for (const COptionName& option : kOptionNames)
        if (name == option.longName || (option.shortName && name == option.shortName))
            return &option;
    return nullptr;
}

// The option as the user typed it, with its other spelling: "-y (--yes)",
// since "-yy" or "-y --yes" do not show that they name one option twice.
std::string DescribeOption(const COptionName& option, const std::string& typed)
{
    if (option.shortName == nullptr)
        return option.longName;
    return typed == option.longName ? typed + " (" + option.shortName + ")" : typed + " (" + option.longName + ")";
}

} // namespace

bool ParsePresetList(const std::string& text, CCliOptions& options, std::string& error)
{
    options.presets.clear();
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        CPresetChoiceOption choice;
        if (!ParsePreset(text.substr(start, comma - start), choice.presetIndex, choice.customWidth,
                         choice.customHeight, error))
            return false;
        const CScreenSize size = PresetOutputSize(choice.presetIndex, {choice.customWidth, choice.customHeight});
        for (const CPresetChoiceOption& earlier : options.presets) {
            const CScreenSize other = PresetOutputSize(earlier.presetIndex, {earlier.customWidth, earlier.customHeight});
            if (other.width == size.width && other.height == size.height) {
                error = "--preset names " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                        " twice; give each size once";
                return false;
            }
        }
        options.presets.push_back(choice);
        if (comma == text.size())
            break;
        start = comma + 1;
    }
    options.presetIndex = options.presets.front().presetIndex;
    options.customWidth = options.presets.front().customWidth;
    options.customHeight = options.presets.front().customHeight;
    return true;
}

bool ParsePreset(const std::string& text, int& presetIndex, int& customWidth, int& customHeight, std::string& error)
{
    customWidth = customHeight = 0;
    int index = 0;
    if (ParseInt(text, index)) {
        if (IsChoosablePreset(index)) {
            presetIndex = index;
            return true;
        }
        error = "preset " + text + " does not exist; presets are numbered " + std::to_string(kFirstChoosablePreset) +
                " to " + std::to_string(kLastChoosablePreset) + " (see --list-presets)";
        if (index == kCustomSizePreset)
            error = "preset 0 is the current screen, which the command line does not have; give a size such as "
                    "1920x1080 instead";
        return false;
    }

    const std::string lower = Lower(text);
    const std::size_t x = lower.find('x');
    int width = 0, height = 0;
    if (x != std::string::npos && ParseInt(lower.substr(0, x), width) && ParseInt(lower.substr(x + 1), height)) {
        for (const CPresetChoice& preset : ChoosablePresets()) {
            if (preset.size.width == width && preset.size.height == height) {
                presetIndex = preset.index;
                return true;
            }
        }
        if (width < kMinimumOutputWidth || height < kMinimumOutputHeight) {
            error = "size " + text + " is too small to show the photograph: the output must be at least " +
                    SizeText(kMinimumOutputWidth, kMinimumOutputHeight) +
                    " (the bevelled band around the print takes 28 pixels each way)";
            return false;
        }
        if (width > kMaximumCustomSide || height > kMaximumCustomSide) {
            error = "size " + text + " is out of range; each side must be at most " +
                    std::to_string(kMaximumCustomSide) + " pixels";
            return false;
        }
        presetIndex = kCustomSizePreset;
        customWidth = width;
        customHeight = height;
        return true;
    }

    std::vector<CPresetChoice> named;
    for (const CPresetChoice& preset : ChoosablePresets())
        if (Lower(std::string(preset.name)) == lower)
            named.push_back(preset);
    if (named.size() == 1) {
        presetIndex = named.front().index;
        return true;
    }
    if (named.size() > 1) {
        std::string matches;
        for (const CPresetChoice& preset : named) {
            if (!matches.empty())
                matches += " and ";
            matches += std::to_string(preset.index) + " (" + SizeText(preset.size.width, preset.size.height) + ")";
        }
        error = "the name " + text + " belongs to presets " + matches + "; give the number or the size instead";
        return false;
    }
    if (lower == "current") {
        error = "the current screen is not known to the command line; give a size such as 1920x1080";
        return false;
    }
    error = "unknown preset '" + text + "'; give a number, a name or a size (see --list-presets)";
    return false;
}

bool ParseCommandLine(const std::vector<std::string>& args, CCliOptions& options, std::string& error)
{
    bool endOfOptions = false;
    std::set<std::string_view> given;  // long names of the options seen so far
    const auto takesValue = [](const std::string& name) {
        const COptionName* option = FindOption(name);
        return option != nullptr && option->takesValue;
    };

    // One option with its value (when it takes one).
    const auto apply = [&](const std::string& typed, const std::string& value) -> bool {
        const COptionName* option = FindOption(typed);
        if (option == nullptr) {
            error = "unknown option " + typed + " (see --help)";
            return false;
        }
        const std::string_view name = option->longName;
        // --yes with --no is a contradiction rather than a repetition.
        const bool overwrite = name == "--yes" || name == "--no";
        if (overwrite && given.count(name == "--yes" ? "--no" : "--yes")) {
            error = "--yes and --no exclude each other: write over existing outputs, or keep them";
            return false;
        }
        if (!given.insert(name).second) {
            error = DescribeOption(*option, typed) + " is given twice; give it once";
            return false;
        }
        if (name == "--help") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--list-presets") {
            options.listPresets = true;
        } else if (name == "--preset") {
            return ParsePresetList(value, options, error);
        } else if (name == "--files-from") {
            if (value.empty()) {
                error = "--files-from needs a file (- for standard input)";
                return false;
            }
            options.filesFrom = value;
        } else if (name == "--null") {
            options.nullSeparated = true;
        } else if (name == "--shard") {
            return ParseShard(value, options.shard, error);
        } else if (name == "--report") {
            if (value.empty()) {
                error = "--report needs a file (- for standard output)";
                return false;
            }
            options.reportFile = value;
        } else if (name == "--out") {
            options.designatedFolder = true;
            if (value.empty()) {
                error = "--out needs a folder";
                return false;
            }
            options.outDir = value;
        } else if (name == "--subfolder") {
            if (value.empty() || value.find('/') != std::string::npos || value == "." || value == "..") {
                error = "--subfolder needs a plain folder name (no '/')";
                return false;
            }
            options.subfolder = value;
        } else if (name == "--recurse") {
            options.recurse = true;
        } else if (name == "--ignore") {
            options.ignoreGiven = true;
            options.ignoreText = value;
        } else if (name == "--skip-existing") {
            options.skipExisting = true;
        } else if (name == "--raw") {
            options.preferRaw = true;
        } else if (overwrite) {
            options.overwrite = name == "--yes" ? EOverwritePolicy::Yes : EOverwritePolicy::No;
        } else if (name == "--quiet") {
            options.quiet = true;
        } else if (name == "--no-progress") {
            options.noProgress = true;
        } else if (name == "--threads") {
            if (!ParseInt(value, options.threads) || options.threads < 1) {
                options.threads = 0;
                error = "--threads needs a whole number of threads, 1 or more, not '" + value + "'";
                return false;
            }
        }
        return true;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            options.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        const auto nextValue = [&](const std::string& name, std::string& value) {
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            const std::string name = arg.substr(0, eq);
            std::string value;
            if (eq != std::string::npos) {
                if (!takesValue(name)) {
                    error = "unexpected value in " + arg + ": " + name + " takes none, or is unknown (see --help)";
                    return false;
                }
                value = arg.substr(eq + 1);
            } else if (takesValue(name) && !nextValue(name, value)) {
                return false;
            }
            if (!apply(name, value))
                return false;
            continue;
        }
        // Short options, possibly several in one argument; one that takes a
        // value takes the rest of the argument, or the next one.
        for (std::size_t k = 1; k < arg.size(); ++k) {
            const std::string name = std::string("-") + arg[k];
            std::string value;
            if (takesValue(name)) {
                if (k + 1 < arg.size())
                    value = arg.substr(k + 1);
                else if (!nextValue(name, value))
                    return false;
                if (!apply(name, value))
                    return false;
                break;
            }
            if (!apply(name, value)) {
                if (arg.size() > 2 && error.rfind("unknown option", 0) == 0)
                    error = "unknown option " + name + " in " + arg + " (see --help)";
                return false;
            }
        }
    }
    if (options.presets.size() > 1 && given.count("--subfolder")) {
        error = "--subfolder names one folder for one size; with several sizes each goes into its own Framira_WxH "
                "folder";
        return false;
    }
    if (options.nullSeparated && options.filesFrom.empty()) {
        error = "-0 (--null) tells how the list of --files-from is separated, and there is no --files-from";
        return false;
    }
    if (options.designatedFolder && given.count("--subfolder")) {
        error = "--out and --subfolder exclude each other: write into one folder, or into a subfolder beside each "
                "picture";
        return false;
    }
    if (options.ignoreGiven && !options.recurse)
        options.warnings.push_back("--ignore has no effect without --recurse (only subfolders are passed over)");
    if (!options.help && !options.version && !options.listPresets && options.paths.empty() &&
        options.filesFrom.empty()) {
        error = "no pictures given (see --help)";
        return false;
    }
    return true;
}

std::string VersionText()
{
    // The engine's vector level decides its speed, never its bytes; it is
    // named so that figures from different machines can be read together.
    return std::string("framira-batch ") + FRAMIRA_VERSION + "\nengine kernels: " + Framira_KernelLevel() +
           " (FRAMIRA_SIMD=baseline|avx2|avx512 caps them)\n";
}

std::string PresetListText()
{
    std::string text = "Presets (number, name, size):\n";
    for (const CPresetChoice& preset : ChoosablePresets()) {
        char line[96];
        std::snprintf(line, sizeof line, "  %2d  %-8s %s\n", preset.index, std::string(preset.name).c_str(),
                      SizeText(preset.size.width, preset.size.height).c_str());
        text += line;
    }
    return text;
}

namespace {

// The extensions a folder walk takes, camera RAW ones apart or the others:
// ".jpg, .jpeg, ... or .webp".
std::string ExtensionList(bool cameraRaw)
{
    std::vector<std::string_view> chosen;
    for (const std::string_view extension : kSupportedPictureExtensions) {
        const bool isRaw = std::find(kCameraRawExtensions.begin(), kCameraRawExtensions.end(), extension) !=
                           kCameraRawExtensions.end();
        if (isRaw == cameraRaw)
            chosen.push_back(extension);
    }
    std::string text;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == chosen.size() ? " or " : ", ") + std::string(chosen[i]);
    return text;
}

// `text` broken into lines of at most `width` columns at its spaces.
std::string Wrap(const std::string& text, std::size_t width = 80)
{
    std::string out;
    std::size_t lineLength = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        if (lineLength > 0 && lineLength + 1 + word.size() > width) {
            out += '\n';
            lineLength = 0;
        } else if (lineLength > 0) {
            out += ' ';
            ++lineLength;
        }
        out += word;
        lineLength += word.size();
        at = end + 1;
    }
    return out + "\n";
}

} // namespace

std::string UsageText()
{
    const std::string minimum = SizeText(kMinimumOutputWidth, kMinimumOutputHeight);
    const std::string maximum = SizeText(kMaximumCustomSide, kMaximumCustomSide);
    return "Usage: framira-batch [OPTIONS] PATH...\n"
           "\n"
           "Frames photographs for display on a screen: each picture is scaled to a print,\n"
           "centred on a mat textured from its own colours, and written as a JPEG of exactly\n"
           "the chosen screen size, named after the source with the extension .jpg and\n"
           "carrying the source's EXIF block. Source files are never changed.\n"
           "\n" +
           Wrap("PATH is a picture file or a folder. A file is framed whatever its extension or name: its content "
                "decides (JPEG, TIFF, PNG, BMP, GIF, PGM/PPM, PSD, HEIF/HEIC, AVIF, WebP or camera RAW). A folder "
                "adds its files ending in " + ExtensionList(false) + " and its camera RAW files ending in " +
                ExtensionList(true) + ", in any case. A RAW file with a JPEG of the same name beside it is the "
                "same shot: only the JPEG is framed, unless --raw is given. Hidden files and folders (names "
                "beginning with '.') and the job's own output folders are passed over, so running the same "
                "command again frames the same pictures. The largest picture read is " +
                DescribePictureSizeLimit() +
                "; larger ones, and files that cannot be read, are skipped with the reason. Short options "
                "combine: -rq is -r -q, -rp SXGA is -r -p SXGA. An option given twice is refused.") +
           "\n"
           "Options:\n"
           "  -p, --preset P       screen size of the output: a number (1-15), a name such\n"
           "                       as SXGA, or a size such as 1920x1080 (default 1920x1080).\n"
           "                       A size not in the list is used as it is, from " + minimum + "\n"
           "                       (smaller outputs leave no room for the photograph inside\n"
           "                       its bevelled band) to " + maximum + ". A comma-separated\n"
           "                       list (1920x1080,3840x2160) frames each picture once for\n"
           "                       every size, each size into its own Framira_WxH folder.\n"
           "      --list-presets   show the numbered presets and exit\n"
           "  -o, --out DIR        write every output into the folder DIR (made if missing)\n"
           "  -s, --subfolder NAME write each output into the subfolder NAME beside its\n"
           "                       source (the default, named like Framira_1920x1080)\n"
           "  -r, --recurse        walk the subfolders of folders given as PATH too,\n"
           "                       passing over those whose names contain Framira\n"
           "      --ignore WORDS   with --recurse, pass over subfolders whose names contain\n"
           "                       one of the words instead (semicolons between them, case\n"
           "                       matters): --ignore 'Framira;old'; --ignore '' walks all\n"
           "      --skip-existing  frame only pictures whose own output does not exist yet;\n"
           "                       a file there that is not the picture's output is kept\n"
           "                       and the picture takes the next free name\n"
           "      --raw            where a camera RAW file and a JPEG share a name, frame\n"
           "                       the RAW rendering instead of the camera's JPEG\n"
           "  -y, --yes            write over outputs that already exist, without asking\n"
           "  -n, --no             never write over existing outputs (stop instead)\n"
           "                       Without either, the question is asked on the terminal, or\n"
           "                       refused when there is no terminal to ask.\n"
           "  -q, --quiet          no line per picture, only problems and the summary\n"
           "      --no-progress    no progress bar\n"
           "      --threads N      threads that share the framing of each picture, 1 or more\n"
           "                       (default: one per processor this program may use); 1\n"
           "                       frames on a single thread. Reading and writing the\n"
           "                       pictures are not counted. Without it the engine takes\n"
           "                       the count from the environment variable FRAMIRA_THREADS\n"
           "                       when that is set.\n"
           "      --files-from FILE\n"
           "                       take pictures from FILE too (- for standard input), one\n"
           "                       path per line; relative paths from the current folder\n"
           "  -0, --null           the list of --files-from is separated by NUL bytes, as\n"
           "                       find -print0 writes it\n"
           "      --shard K/N      frame only the K-th of N equal parts of the pictures,\n"
           "                       split by their sorted paths; output names do not depend\n"
           "                       on it, so the N parts write what one run writes\n"
           "      --report FILE    write a JSON Lines report to FILE (- for standard\n"
           "                       output): one object per picture, then a summary\n"
           "  -V, --version        show the version and exit\n"
           "  -h, --help           show this help\n"
           "\n"
           "Ctrl-C, SIGTERM and SIGHUP stop after the current picture and print the\n"
           "summary; nothing is left half-written. The same signal again ends at once.\n"
           "\n"
           "A damaged picture (a file cut short, corrupt data) is framed as far as it can\n"
           "be read and reported as damaged with the reason.\n"
           "\n"
           "File names are printed with control characters and bytes that are not UTF-8\n"
           "escaped (\\n, \\t, \\x1b) and with backslashes doubled (\\\\), so each printed\n"
           "name stays on its line and stands for exactly one file.\n"
           "\n"
           "Exit status:\n"
           "  0    every picture was written cleanly (pictures skipped by --skip-existing\n"
           "       and files passed over included)\n"
           "  3    every picture was written, some from damaged files\n"
           "  1    some pictures were missing, could not be read or could not be written\n"
           "       (a folder that cannot be read or written counts for its pictures)\n"
           "  2    the job was refused or stopped before its end: the --out folder could\n"
           "       not be made, existing outputs were not to be written over, or the\n"
           "       frame engine failed\n"
           "  4    stopped because the disk is full\n"
           "  64   wrong usage (an unknown or repeated option, a bad value)\n"
           "  129  stopped by SIGHUP\n"
           "  130  stopped by Ctrl-C (SIGINT)\n"
           "  143  stopped by SIGTERM\n"
           "\n"
           "Examples:\n"
           "  framira-batch holiday/                     (into holiday/Framira_1920x1080/)\n"
           "  framira-batch --preset SXGA --out framed/ a.jpg b.tif\n"
           "  framira-batch -r --skip-existing --preset 2560x1600 Pictures/\n";
}
