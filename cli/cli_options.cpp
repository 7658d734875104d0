#include "cli_options.h"

#include "framira.h"
#include "read_problem.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace {

// Custom sizes stay within what a screen may reasonably have.
constexpr int kMinimumCustomSide = 16;
constexpr int kMaximumCustomSide = 8192;
// Rows the user may choose: 0 is the screen and 16 closes the table.
constexpr int kFirstPreset = 1;
constexpr int kLastPreset = 15;

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

} // namespace

bool ParsePreset(const std::string& text, int& presetIndex, int& customWidth, int& customHeight, std::string& error)
{
    customWidth = customHeight = 0;
    int index = 0;
    if (ParseInt(text, index)) {
        if (index >= kFirstPreset && index <= kLastPreset) {
            presetIndex = index;
            return true;
        }
        error = "preset " + text + " does not exist; presets are numbered 1 to 15 (see --list-presets)";
        if (index == 0)
            error = "preset 0 is the current screen, which the command line does not have; give a size such as "
                    "1920x1080 instead";
        return false;
    }

    const std::string lower = Lower(text);
    const std::size_t x = lower.find('x');
    int width = 0, height = 0;
    if (x != std::string::npos && ParseInt(lower.substr(0, x), width) && ParseInt(lower.substr(x + 1), height)) {
        for (int i = kFirstPreset; i <= kLastPreset; ++i) {
            if (kFramiraPresets[i].width == width && kFramiraPresets[i].height == height) {
                presetIndex = i;
                return true;
            }
        }
        if (width < kMinimumCustomSide || height < kMinimumCustomSide || width > kMaximumCustomSide ||
            height > kMaximumCustomSide) {
            error = "size " + text + " is out of range; each side must be " + std::to_string(kMinimumCustomSide) +
                    " to " + std::to_string(kMaximumCustomSide) + " pixels";
            return false;
        }
        presetIndex = 0;
        customWidth = width;
        customHeight = height;
        return true;
    }

    std::vector<int> named;
    for (int i = kFirstPreset; i <= kLastPreset; ++i)
        if (Lower(kFramiraPresets[i].name) == lower)
            named.push_back(i);
    if (named.size() == 1) {
        presetIndex = named.front();
        return true;
    }
    if (named.size() > 1) {
        std::string matches;
        for (const int i : named) {
            if (!matches.empty())
                matches += " and ";
            matches += std::to_string(i) + " (" + SizeText(kFramiraPresets[i].width, kFramiraPresets[i].height) + ")";
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
    bool subfolderGiven = false;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            options.paths.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasInlineValue = false;
        if (const std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasInlineValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasInlineValue)
                return true;
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };

        if (name == "--") {
            endOfOptions = true;
        } else if (name == "-h" || name == "--help") {
            options.help = true;
        } else if (name == "--list-presets") {
            options.listPresets = true;
        } else if (name == "-p" || name == "--preset") {
            if (!takeValue() ||
                !ParsePreset(value, options.presetIndex, options.customWidth, options.customHeight, error))
                return false;
        } else if (name == "-o" || name == "--out") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                error = "--out needs a folder";
                return false;
            }
            options.designatedFolder = true;
            options.outDir = value;
        } else if (name == "-s" || name == "--subfolder") {
            if (!takeValue())
                return false;
            if (value.empty() || value.find('/') != std::string::npos || value == "." || value == "..") {
                error = "--subfolder needs a plain folder name (no '/')";
                return false;
            }
            subfolderGiven = true;
            options.subfolder = value;
        } else if (name == "-r" || name == "--recurse") {
            options.recurse = true;
        } else if (name == "--raw") {
            options.preferRaw = true;
        } else if (name == "--ignore") {
            if (!takeValue())
                return false;
            options.ignoreText = value;
        } else if (name == "-y" || name == "--yes") {
            options.overwrite = EOverwritePolicy::Yes;
        } else if (name == "-n" || name == "--no") {
            options.overwrite = EOverwritePolicy::No;
        } else if (name == "-q" || name == "--quiet") {
            options.quiet = true;
        } else if (name == "--no-progress") {
            options.noProgress = true;
        } else {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
    }
    if (options.designatedFolder && subfolderGiven) {
        error = "--out and --subfolder exclude each other: write into one folder, or into a subfolder beside each "
                "picture";
        return false;
    }
    if (!options.help && !options.listPresets && options.paths.empty()) {
        error = "no pictures given (see --help)";
        return false;
    }
    return true;
}

std::string PresetListText()
{
    std::string text = "Presets (number, name, size):\n";
    for (int i = kFirstPreset; i <= kLastPreset; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "  %2d  %-8s %s\n", i, kFramiraPresets[i].name,
                      SizeText(kFramiraPresets[i].width, kFramiraPresets[i].height).c_str());
        text += line;
    }
    return text;
}

std::string UsageText()
{
    return std::string("Usage: framira-batch [OPTIONS] PATH...\n"
           "\n"
           "Frames photographs for display on a screen: each picture is scaled to a print,\n"
           "centred on a mat textured from its own colours, and written as a JPEG of exactly\n"
           "the chosen screen size, named after the source with the extension .jpg and\n"
           "carrying the source's EXIF block. Source files are never changed.\n"
           "\n"
           "PATH is a picture file or a folder. A file is framed whatever its extension: its\n"
           "content decides (JPEG, TIFF, PNG, BMP, GIF, PGM/PPM, PSD). A folder adds its\n"
           ".jpg, .jpeg, .tif, .tiff, .bmp, .png, .gif, .pgm, .ppm, .pnm and .psd files\n"
           "(in any case). The largest picture read is ") +
           DescribePictureSizeLimit() +
           ";\n"
           "larger ones, and files that cannot be read, are skipped with the reason.\n"
           "\n"
           "Options:\n"
           "  -p, --preset P       screen size of the output: a number (1-15), a name such\n"
           "                       as SXGA, or a size such as 1920x1080 (default 1920x1080).\n"
           "                       A size not in the list is used as it is.\n"
           "      --list-presets   show the numbered presets and exit\n"
           "  -o, --out DIR        write every output into the existing folder DIR\n"
           "  -s, --subfolder NAME write each output into the subfolder NAME beside its\n"
           "                       source (the default, named like Framira_1920x1080)\n"
           "  -r, --recurse        walk the subfolders of folders given as PATH too\n"
           "      --ignore WORDS   with --recurse, skip subfolders whose names contain one of\n"
           "                       the words (semicolons between them, case matters):\n"
           "                       --ignore 'Framira;old'\n"
           "      --raw            where a camera RAW file and a JPEG share a name, frame the\n"
           "                       RAW rendering instead of the camera's JPEG\n"
           "  -y, --yes            write over outputs that already exist\n"
           "  -n, --no             never write over existing outputs (stop instead)\n"
           "                       Without either, the question is asked on the terminal, or\n"
           "                       refused when there is no terminal to ask.\n"
           "  -q, --quiet          no line per picture, only problems and the summary\n"
           "      --no-progress    no progress bar\n"
           "  -h, --help           show this help\n"
           "\n"
           "Ctrl-C stops after the current picture; nothing is left half-written.\n"
           "\n"
           "Exit status: 0 every picture was written; 1 some pictures could not be read or\n"
           "written; 2 the job was refused or stopped before its end; 64 wrong usage.\n"
           "\n"
           "Examples:\n"
           "  framira-batch holiday/                     (into holiday/Framira_1920x1080/)\n"
           "  framira-batch --preset SXGA --out framed/ a.jpg b.tif\n"
           "  framira-batch -r --ignore Framira --preset 2560x1600 Pictures/\n";
}
