#include "output_path.h"

#include "platform_services.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(fs::path(a), fs::path(b), error) && !error;
}

} // namespace

CSourceName SplitSourceName(const std::string& sourcePath)
{
    CSourceName name;
    const std::size_t slash = sourcePath.find_last_of('/');
    name.fileName = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
    const std::size_t dot = name.fileName.find_last_of('.');
    if (dot == std::string::npos) {
        name.stem = name.fileName;
    } else {
        name.stem = name.fileName.substr(0, dot);
        name.extension = name.fileName.substr(dot);
        for (char& c : name.extension)
            c = LowerAscii(c);
    }
    return name;
}

std::string TrimTrailingSeparators(const std::string& folder)
{
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    return trimmed;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    const std::string trimmed = TrimTrailingSeparators(folder);
    return (!trimmed.empty() && trimmed.back() == '/') ? trimmed + name : trimmed + "/" + name;
}

int ComparePathsNoCase(const std::string& a, const std::string& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const int d = int(static_cast<unsigned char>(LowerAscii(a[i]))) -
                      int(static_cast<unsigned char>(LowerAscii(b[i])));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string BuildOutputFolder(int saveType, const std::string& outputFolder, const std::string& sourcePath)
{
    if (saveType == kSaveSubfolder) {
        const std::size_t slash = sourcePath.find_last_of('/');
        std::string folder = slash == std::string::npos ? std::string() : sourcePath.substr(0, slash);
        while (!folder.empty() && folder.back() == '/')
            folder.pop_back();
        // A picture named without a folder sits in the working folder.
        if (slash == std::string::npos)
            folder = ".";
        return folder + "/" + outputFolder + "/";
    }
    std::string folder = TrimTrailingSeparators(outputFolder);
    if (folder.empty())
        return "./";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

std::string BuildOutputPath(const std::string& outputFolder, const std::string& sourcePath)
{
    return outputFolder + SplitSourceName(sourcePath).stem + ".jpg";
}

void CreateFoldersAlong(const std::string& folder, CPlatformServices* platform)
{
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (folder[i] != '/' || i == 0)
            continue;
        const std::string prefix = folder.substr(0, i);
        if (prefix.back() == '/' || prefix.back() == ':')
            continue;
        if (platform) {
            if (!platform->IsDirectory(prefix))
                platform->CreateFolder(prefix);
        } else {
            std::error_code error;
            fs::create_directory(fs::path(prefix), error);
        }
    }
}

bool IsPlainFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_regular_file(fs::path(path), error);
}

std::string NormalPathKey(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error)
        absolute = fs::path(path);
    // Links are resolved as far as the path exists: a designated folder that
    // is a link to a source folder, or an output name that links to a
    // source, must still meet that source's key.
    const fs::path resolved = fs::weakly_canonical(absolute, error);
    return (error ? absolute.lexically_normal() : resolved).string();
}

std::string ChooseDistinctOutputPath(const std::string& outputPath, const std::string& sourcePath,
                                     const std::set<std::string>& claimedKeys)
{
    auto isFree = [&](const std::string& candidate) {
        return !claimedKeys.count(NormalPathKey(candidate)) && !SameFile(candidate, sourcePath);
    };
    if (isFree(outputPath))
        return outputPath;
    const bool jpg = outputPath.size() >= 4 && outputPath.compare(outputPath.size() - 4, 4, ".jpg") == 0;
    const std::string base = jpg ? outputPath.substr(0, outputPath.size() - 4) : outputPath;
    for (int n = 2;; ++n) {
        const std::string candidate = base + " (" + std::to_string(n) + ").jpg";
        if (isFree(candidate))
            return candidate;
    }
}
