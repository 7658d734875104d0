#pragma once
// The command line of framira-batch.

#include <string>
#include <vector>

#include "shard.h"

enum class EOverwritePolicy { Ask, Yes, No };

// One size of --preset: a row of the table, or row 0 with a custom size.
struct CPresetChoiceOption {
    int presetIndex = 12;
    int customWidth = 0;
    int customHeight = 0;
};

struct CCliOptions {
    int presetIndex = 12;  // 1920 x 1080: there may be no screen to take the size from
    int customWidth = 0;   // for preset 0: a size that is not in the table
    int customHeight = 0;
    bool designatedFolder = false;  // --out DIR
    std::string outDir;
    std::string subfolder;  // --subfolder NAME; empty: the default name for the size
    bool recurse = false;
    bool ignoreGiven = false;  // without --ignore, --recurse passes over folders named like outputs
    std::string ignoreText;    // --ignore KEYWORDS, semicolons between keywords
    bool skipExisting = false; // frame only pictures whose output does not exist yet
    bool preferRaw = false;    // --raw: a RAW file rather than its JPEG twin
    EOverwritePolicy overwrite = EOverwritePolicy::Ask;
    bool quiet = false;       // no per-picture lines
    bool noProgress = false;  // no progress bar even on a terminal
    int threads = 0;          // --threads N: the engine's threads per picture; 0: not given
    // --preset with a comma-separated list: every size, the first also in
    // presetIndex/customWidth/customHeight above. Empty: the default size.
    std::vector<CPresetChoiceOption> presets;
    std::string filesFrom;       // --files-from FILE ("-": standard input)
    bool nullSeparated = false;  // -0: that list is separated by NUL bytes
    CShard shard;                // --shard K/N
    std::string reportFile;      // --report FILE ("-": standard output)
    bool help = false;
    bool version = false;
    bool listPresets = false;
    std::vector<std::string> paths;
    // Options that make no sense together with the others given, explained
    // ("--ignore has no effect without --recurse"); the job still runs.
    std::vector<std::string> warnings;
};

// Exit statuses, as --help tables them.
inline constexpr int kExitAllWritten = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitRefused = 2;  // refused or stopped before the end, or the engine failed
inline constexpr int kExitDamaged = 3;  // every picture written, some from damaged files
inline constexpr int kExitDiskFull = 4; // stopped because the disk is full
inline constexpr int kExitUsage = 64;
// Stopped by a signal: 128 + its number (130 after Ctrl-C, 143 after
// SIGTERM, 129 after SIGHUP), the status a shell gives a program it kills.
inline constexpr int kExitStoppedBySignal = 128;

// Parses the arguments (without the program name). Short options may be
// combined ("-rq", "-rp SXGA", "-pSXGA"); long ones take "--name value" or
// "--name=value". False with `error` set on a mistake the user must
// correct, which includes an option given twice and options that exclude
// each other.
bool ParseCommandLine(const std::vector<std::string>& args, CCliOptions& options, std::string& error);

// A comma-separated list of presets ("1920x1080,3840x2160,SXGA"), each as
// ParsePreset takes it, no size twice.
bool ParsePresetList(const std::string& text, CCliOptions& options, std::string& error);

// A preset by index ("12"), name ("SXGA", any case) or size ("1920x1080").
// A size that no row has is taken as a custom screen size (index 0).
bool ParsePreset(const std::string& text, int& presetIndex, int& customWidth, int& customHeight, std::string& error);

std::string UsageText();
std::string VersionText();
std::string PresetListText();
