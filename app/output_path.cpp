#include "output_path.h"

#include "platform_services.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
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

std::vector<std::string> CreateFoldersAlong(const std::string& folder, CPlatformServices* platform)
{
    std::vector<std::string> made;
    for (std::size_t i = 0; i <= folder.size(); ++i) {
        if ((i < folder.size() && folder[i] != '/') || i == 0)
            continue;
        const std::string prefix = folder.substr(0, i);
        if (prefix.back() == '/' || prefix.back() == ':')
            continue;
        bool createdNow = false;
        if (platform) {
            createdNow = !platform->IsDirectory(prefix) && platform->CreateFolder(prefix);
        } else {
            std::error_code error;
            createdNow = fs::create_directory(fs::path(prefix), error) && !error;
        }
        if (createdNow)
            made.push_back(prefix);
    }
    return made;
}

int WhyFolderCannotBeMade(const std::string& folder, CPlatformServices& platform)
{
    fs::path ancestor = fs::path(TrimTrailingSeparators(folder));
    while (ancestor.has_relative_path() && !platform.IsDirectory(ancestor.string())) {
        if (platform.Exists(ancestor.string()))
            return ENOTDIR;  // a file stands where a folder must be made
        ancestor = ancestor.parent_path();
    }
    if (ancestor.empty())
        ancestor = ".";
    const int error = platform.ProbeWritableFolder(ancestor.string());
    return error != 0 ? error : ENOENT;
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
