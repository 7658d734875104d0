#include "cli_sources.h"

#include "console_platform.h"
#include "destination.h"
#include "json_report.h"
#include "output_path.h"
#include "preset_sizes.h"
#include "printable_path.h"

#include <system_error>

bool ChooseDestination(const CCliOptions& options, CConsolePlatformServices& platform, CCliDestination& destination,
                       std::string& error)
{
    CJobSettings& settings = destination.settings;
    settings.strength = 1.75f;
    settings.presetIndex = options.presetIndex;
    settings.customWidth = options.customWidth;
    settings.customHeight = options.customHeight;
    if (options.designatedFolder) {
        if (!platform.IsDirectory(options.outDir)) {
            destination.madeFolders = CreateFoldersAlong(options.outDir, nullptr);
            if (!platform.IsDirectory(options.outDir)) {
                const std::error_code why(WhyFolderCannotBeMade(options.outDir, platform), std::generic_category());
                error = std::string(kMissingOutputFolderMessage) + ": " + options.outDir +
                        " (it cannot be made: " + why.message() + ")";
                return false;
            }
            std::fprintf(stderr, "framira-batch: made the output folder %s\n", PrintablePath(options.outDir).c_str());
        }
        settings.saveType = kSaveDesignatedFolder;
        settings.outputFolder = TrimTrailingSeparators(options.outDir);
    } else {
        const CScreenSize size =
            PresetOutputSize(settings.presetIndex, CScreenSize{settings.customWidth, settings.customHeight});
        settings.saveType = kSaveSubfolder;
        settings.outputFolder =
            options.subfolder.empty() ? CDestination::MakeDefaultSubfolderName(size) : options.subfolder;
    }
    // Several sizes: each into its own folder named after it, beside the
    // sources or inside the --out folder.
    destination.outputFolders = {settings.outputFolder};
    if (options.presets.size() > 1) {
        destination.outputFolders.clear();
        for (const CPresetChoiceOption& preset : options.presets) {
            const std::string name = CDestination::MakeDefaultSubfolderName(
                PresetOutputSize(preset.presetIndex, CScreenSize{preset.customWidth, preset.customHeight}));
            const std::string folder =
                settings.saveType == kSaveDesignatedFolder ? JoinPath(settings.outputFolder, name) : name;
            destination.outputFolders.push_back(folder);
            if (destination.outputFolders.size() > 1)
                settings.moreSizes.push_back({preset.presetIndex, preset.customWidth, preset.customHeight, folder});
        }
        settings.outputFolder = destination.outputFolders.front();
    }
    return true;
}

CCliSources GatherSources(const CCliOptions& options, const std::vector<std::string>& paths,
                          const CCliDestination& destination, CConsolePlatformServices& platform, CInputList& list)
{
    // Walks never enter the job's own output folders, and with subfolders
    // they pass over every folder named like an output folder unless
    // --ignore names other words, so running the same command again frames
    // the same pictures and nothing the last run wrote.
    const auto keepOutOfOutputFolders = [&destination](CInputList& walked) {
        if (destination.settings.saveType == kSaveDesignatedFolder)
            walked.SetOutputFolders({}, destination.outputFolders);
        else
            walked.SetOutputFolders(destination.settings.outputFolder, {});
    };
    list.SetPreferRaw(options.preferRaw);
    keepOutOfOutputFolders(list);
    const std::vector<std::string> keywords =
        options.ignoreGiven ? BuildKeywords(options.ignoreText) : std::vector<std::string>{kProductName};
    CCliSources sources;
    for (const std::string& path : paths) {
        if (platform.IsDirectory(path)) {
            const std::size_t unreadableBefore = list.PassedOver().unreadableFolders.size();
            const std::string folder = TrimTrailingSeparators(path);
            if (list.ScanFolder(folder, options.recurse, keywords) == 0 &&
                list.PassedOver().unreadableFolders.size() == unreadableBefore) {
                // Pictures further down are what a user who forgot -r expects.
                CInputList deeper(platform);
                keepOutOfOutputFolders(deeper);
                const bool below = !options.recurse && deeper.ScanFolder(folder, true, keywords) > 0;
                std::fprintf(stderr, "framira-batch: no pictures in folder %s%s\n", PrintablePath(path).c_str(),
                             below ? " (its subfolders have some: add -r to frame them)" : "");
            }
        } else if (!platform.Exists(path)) {
            std::fprintf(stderr, "missing  %s: no such file or folder\n", PrintablePath(path).c_str());
            sources.reportLines.push_back(LeftOutReportLine(path, "missing", "no such file or folder"));
            ++sources.missing;
        } else {
            list.AddFile(path);
        }
    }
    const CPassedOver& passedOver = list.PassedOver();
    for (const auto& [folder, why] : passedOver.unreadableFolders) {
        std::fprintf(stderr, "unreadable  %s: the folder cannot be read: %s\n", PrintablePath(folder).c_str(),
                     why.c_str());
        sources.reportLines.push_back(LeftOutReportLine(folder, "unreadable", "the folder cannot be read: " + why));
    }
    for (const std::string& path : passedOver.ownOutputs)
        sources.reportLines.push_back(LeftOutReportLine(path, "passed-over", "framira-batch's own output"));
    for (const std::string& path : passedOver.twins)
        sources.reportLines.push_back(LeftOutReportLine(
            path, "passed-over", options.preferRaw ? "the RAW file of the same name is framed" :
                                                     "a JPEG of the same name is framed"));
    return sources;
}
