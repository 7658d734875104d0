#include "destination_paths.h"

#include "platform_services.h"

#include <cctype>
#include <filesystem>

namespace {
bool IsSeparator(char c)
{
    // A backslash is an ordinary character of a file name here.
    return c == kPathSeparator;
}

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
} // namespace

CSourceName SplitSourceName(const std::string& sourcePath)
{
    CSourceName name;
    std::size_t start = 0;
    for (std::size_t i = sourcePath.size(); i > 0; --i) {
        if (IsSeparator(sourcePath[i - 1])) {
            start = i;
            break;
        }
    }
    name.fileName = sourcePath.substr(start);
    const std::size_t dot = name.fileName.rfind('.');
    if (dot == std::string::npos) {
        name.stem = name.fileName;
    } else {
        name.stem = name.fileName.substr(0, dot);
        name.extension = LowerAscii(name.fileName.substr(dot));
    }
    return name;
}

std::string RemoveTrailingSeparators(const std::string& path)
{
    std::size_t end = path.size();
    while (end > 1 && IsSeparator(path[end - 1]))
        --end;
    if (end == 1 && IsSeparator(path[0]))
        return std::string(1, kPathSeparator);
    return path.substr(0, end);
}

std::string GetFolderOfPath(const std::string& path)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return path.substr(0, i - 1);
    }
    return ".";
}

std::string BuildOutputFolder(int saveType, const std::string& outputFolder, const std::string& sourcePath)
{
    if (saveType == kSaveTypeSubfolder) {
        std::string folder = GetFolderOfPath(sourcePath);
        while (!folder.empty() && IsSeparator(folder.back()))
            folder.pop_back();
        return folder + kPathSeparator + outputFolder + kPathSeparator;
    }
    std::string folder = outputFolder;
    while (!folder.empty() && IsSeparator(folder.back()))
        folder.pop_back();
    return folder + kPathSeparator;
}

void CreateFoldersAlong(CPlatformServices& platform, const std::string& folder)
{
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (!IsSeparator(folder[i]) || i == 0 || IsSeparator(folder[i - 1]))
            continue;
        const std::string along = folder.substr(0, i);
        if (!platform.IsDirectory(along))
            platform.CreateFolder(along);
    }
    if (!folder.empty() && !IsSeparator(folder.back()) && !platform.IsDirectory(folder))
        platform.CreateFolder(folder);
}

std::string BuildOutputPath(const std::string& outputFolderWithSeparator, const std::string& sourcePath)
{
    return outputFolderWithSeparator + SplitSourceName(sourcePath).stem + ".jpg";
}

void COutputNameRegistry::Clear()
{
    taken.clear();
}

void COutputNameRegistry::ReserveSources(const std::vector<std::string>& sourcePaths)
{
    for (const std::string& source : sourcePaths)
        taken.insert(Key(source));
}

std::string COutputNameRegistry::ClaimOutputPath(const std::string& outputFolderWithSeparator,
                                                 const std::string& sourcePath)
{
    std::string path = FindFreePath(taken, outputFolderWithSeparator, sourcePath);
    taken.insert(Key(path));
    return path;
}

std::vector<std::string> COutputNameRegistry::PlanOutputPaths(const std::string& outputFolderWithSeparator,
                                                              const std::vector<std::string>& sourcePaths) const
{
    std::set<std::string> planned = taken;
    std::vector<std::string> paths;
    paths.reserve(sourcePaths.size());
    for (const std::string& source : sourcePaths) {
        paths.push_back(FindFreePath(planned, outputFolderWithSeparator, source));
        planned.insert(Key(paths.back()));
    }
    return paths;
}

std::string COutputNameRegistry::Key(const std::string& path)
{
    return std::filesystem::path(path).lexically_normal().string();
}

std::string COutputNameRegistry::FindFreePath(const std::set<std::string>& taken,
                                              const std::string& outputFolderWithSeparator,
                                              const std::string& sourcePath)
{
    const std::string stem = outputFolderWithSeparator + SplitSourceName(sourcePath).stem;
    std::string candidate = stem + ".jpg";
    for (unsigned number = 2; taken.count(Key(candidate)) != 0; ++number)
        candidate = stem + " (" + std::to_string(number) + ").jpg";
    return candidate;
}
