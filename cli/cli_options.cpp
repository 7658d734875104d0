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
    bool presetGiven = false;
    bool overwriteGiven = false;
    bool threadsGiven = false;
    bool endOfOptions = false;
    const auto takesValue = [](const std::string& name) {
        return name == "-p" || name == "--preset" || name == "-o" || name == "--out" || name == "-s" ||
               name == "--subfolder" || name == "--ignore" || name == "--threads";
    };
    const auto once = [&error](bool& given, const std::string& name) {
        if (given)
            error = name + " is given twice; give it once";
        const bool first = !given;
        given = true;
        return first;
    };

    // One option with its value (when it takes one).
    const auto apply = [&](const std::string& name, const std::string& value) -> bool {
        if (name == "-h" || name == "--help") {
            options.help = true;
        } else if (name == "-V" || name == "--version") {
            options.version = true;
        } else if (name == "--list-presets") {
            options.listPresets = true;
        } else if (name == "-p" || name == "--preset") {
            if (!once(presetGiven, "--preset"))
                return false;
            return ParsePreset(value, options.presetIndex, options.customWidth, options.customHeight, error);
        } else if (name == "-o" || name == "--out") {
            if (!once(options.designatedFolder, "--out"))
                return false;
            if (value.empty()) {
                error = "--out needs a folder";
                return false;
            }
            options.outDir = value;
        } else if (name == "-s" || name == "--subfolder") {
            if (!once(subfolderGiven, "--subfolder"))
                return false;
            if (value.empty() || value.find('/') != std::string::npos || value == "." || value == "..") {
                error = "--subfolder needs a plain folder name (no '/')";
                return false;
            }
            options.subfolder = value;
        } else if (name == "-r" || name == "--recurse") {
            options.recurse = true;
        } else if (name == "--ignore") {
            if (!once(options.ignoreGiven, "--ignore"))
                return false;
            options.ignoreText = value;
        } else if (name == "--skip-existing") {
            options.skipExisting = true;
        } else if (name == "--raw") {
            options.preferRaw = true;
        } else if (name == "-y" || name == "--yes" || name == "-n" || name == "--no") {
            const EOverwritePolicy policy =
                (name == "-y" || name == "--yes") ? EOverwritePolicy::Yes : EOverwritePolicy::No;
            if (overwriteGiven && policy != options.overwrite) {
                error = "--yes and --no exclude each other: write over existing outputs, or keep them";
                return false;
            }
            overwriteGiven = true;
            options.overwrite = policy;
        } else if (name == "-q" || name == "--quiet") {
            options.quiet = true;
        } else if (name == "--no-progress") {
            options.noProgress = true;
        } else if (name == "--threads") {
            if (!once(threadsGiven, "--threads"))
                return false;
            if (!ParseInt(value, options.threads) || options.threads < 1) {
                options.threads = 0;
                error = "--threads needs a whole number of threads, 1 or more, not '" + value + "'";
                return false;
            }
        } else {
            error = "unknown option " + name + " (see --help)";
            return false;
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
    if (options.designatedFolder && subfolderGiven) {
        error = "--out and --subfolder exclude each other: write into one folder, or into a subfolder beside each "
                "picture";
        return false;
    }
    if (options.ignoreGiven && !options.recurse)
        options.warnings.push_back("--ignore has no effect without --recurse (only subfolders are passed over)");
    if (!options.help && !options.version && !options.listPresets && options.paths.empty()) {
        error = "no pictures given (see --help)";
        return false;
    }
    return true;
}

std::string VersionText()
{
    return std::string("framira-batch ") + FRAMIRA_VERSION + "\n";
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
           "PATH is a picture file or a folder. A file is framed whatever its extension or\n"
           "name: its content decides (JPEG, TIFF, PNG, BMP, GIF, PGM/PPM, PSD). A folder\n"
           "adds its .jpg, .jpeg, .tif, .tiff, .bmp, .png, .gif, .pgm, .ppm, .pnm and .psd\n"
           "files (in any case); hidden files and folders (names beginning with '.') and\n"
           "the job's own output folders are passed over, so running the same command\n"
           "again frames the same pictures. The largest picture read is ") +
           DescribePictureSizeLimit() +
           ";\n"
           "larger ones, and files that cannot be read, are skipped with the reason.\n"
           "Short options combine: -rq is -r -q, -rp SXGA is -r -p SXGA.\n"
           "\n"
           "Options:\n"
           "  -p, --preset P       screen size of the output: a number (1-15), a name such\n"
           "                       as SXGA, or a size such as 1920x1080 (default 1920x1080).\n"
           "                       A size not in the list is used as it is.\n"
           "      --list-presets   show the numbered presets and exit\n"
           "  -o, --out DIR        write every output into the folder DIR (made if missing)\n"
           "  -s, --subfolder NAME write each output into the subfolder NAME beside its\n"
           "                       source (the default, named like Framira_1920x1080)\n"
           "  -r, --recurse        walk the subfolders of folders given as PATH too,\n"
           "                       passing over those whose names contain Framira\n"
           "      --ignore WORDS   with --recurse, pass over subfolders whose names contain\n"
           "                       one of the words instead (semicolons between them, case\n"
           "                       matters): --ignore 'Framira;old'; --ignore '' walks all\n"
           "      --skip-existing  frame only pictures whose output does not exist yet\n"
           "      --raw            where a camera RAW file and a JPEG share a name, frame the\n"
           "                       RAW rendering instead of the camera's JPEG\n"
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
           "  -V, --version        show the version and exit\n"
           "  -h, --help           show this help\n"
           "\n"
           "Ctrl-C, SIGTERM and SIGHUP stop after the current picture and print the\n"
           "summary; nothing is left half-written. The same signal again ends at once.\n"
           "\n"
           "A damaged picture (a file cut short, corrupt data) is framed as far as it can\n"
           "be read and reported as damaged with the reason.\n"
           "\n"
           "Exit status: 0 every picture was written cleanly (pictures skipped by\n"
           "--skip-existing included); 3 every picture was written, some from damaged\n"
           "files; 1 some pictures were missing, could not be read or could not be\n"
           "written; 2 the job was refused or stopped before its end; 64 wrong usage.\n"
           "\n"
           "Examples:\n"
           "  framira-batch holiday/                     (into holiday/Framira_1920x1080/)\n"
           "  framira-batch --preset SXGA --out framed/ a.jpg b.tif\n"
           "  framira-batch -r --skip-existing --preset 2560x1600 Pictures/\n";
}
