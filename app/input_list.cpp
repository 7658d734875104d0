#include "input_list.h"

#include "output_path.h"
#include "output_plan.h"
#include "platform_services.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace {

// Case-insensitive order as the list shows it; paths equal but for case
// (different files here) keep a fixed order between them.
bool ListOrder(const std::string& a, const std::string& b)
{
    const int order = ComparePathsNoCase(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool IsTrimmedAtEdge(char c)
{
    return c == ' ' || c == '"';
}

bool IsCameraRawExtension(const std::string& extension)
{
    return std::find(kCameraRawExtensions.begin(), kCameraRawExtensions.end(), extension) !=
           kCameraRawExtensions.end();
}

bool IsJpegExtension(const std::string& extension)
{
    return extension == ".jpg" || extension == ".jpeg";
}

// What tells two paths of one file apart from two files: the device and
// inode of what the path leads to, or for a path that leads nowhere (yet)
// its normal spelling.
std::string FileIdentity(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    return "path:" + NormalPathKey(path);
}

// The path without its file name (and separator).
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

bool HasSupportedPictureExtension(const std::string& path)
{
    const std::string extension = SplitSourceName(path).extension;
    return std::find(kSupportedPictureExtensions.begin(), kSupportedPictureExtensions.end(), extension) !=
           kSupportedPictureExtensions.end();
}

std::vector<std::string> BuildKeywords(const std::string& keywordText)
{
    std::vector<std::string> keywords;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(keywordText.find(';', start), keywordText.size());
        std::size_t first = start;
        std::size_t last = end;
        while (first < last && IsTrimmedAtEdge(keywordText[first]))
            ++first;
        while (last > first && IsTrimmedAtEdge(keywordText[last - 1]))
            --last;
        if (last > first)
            keywords.push_back(keywordText.substr(first, last - first));
        if (end == keywordText.size())
            break;
        start = end + 1;
    }
    return keywords;
}

std::string BuildKeywordText(const std::vector<std::string>& keywords)
{
    std::string text;
    for (const std::string& keyword : keywords) {
        if (!text.empty())
            text += ';';
        text += keyword;
    }
    return text;
}

bool CInputList::AddPicture(const std::string& path)
{
    if (!HasSupportedPictureExtension(path))
        return false;
    return Insert(path);
}

bool CInputList::AddFile(const std::string& path)
{
    if (path.empty())
        return false;
    return Insert(path);
}

std::vector<std::string>::iterator CInputList::FindPartner(const std::string& path, bool pathIsRaw)
{
    const CSourceName name = SplitSourceName(path);
    const std::string folder = FolderOf(path);
    return std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
        const CSourceName other = SplitSourceName(entry);
        const bool partnerKind = pathIsRaw ? IsJpegExtension(other.extension) : IsCameraRawExtension(other.extension);
        return partnerKind && other.stem == name.stem && FolderOf(entry) == folder;
    });
}

bool CInputList::Insert(const std::string& path)
{
    const auto position = std::lower_bound(entries.begin(), entries.end(), path, ListOrder);
    if (position != entries.end() && *position == path)
        return false;
    // The same file under another spelling ("./a/../a/x.jpg", a link, a
    // folder and a file inside it) would be framed twice into two names.
    const std::string key = FileIdentity(path);
    if (fileKeys.count(key))
        return false;
    const std::string extension = SplitSourceName(path).extension;
    const bool isRaw = IsCameraRawExtension(extension);
    if (isRaw || IsJpegExtension(extension)) {
        const auto partner = FindPartner(path, isRaw);
        if (partner != entries.end()) {
            if (isRaw != preferRaw) {
                passedOver.twins.push_back(path);
                return false;
            }
            passedOver.twins.push_back(*partner);
            Erase(partner);
        }
    }
    fileKeys.emplace(key, path);
    entries.insert(std::lower_bound(entries.begin(), entries.end(), path, ListOrder), path);
    return true;
}

void CInputList::Erase(std::vector<std::string>::iterator position)
{
    fileKeys.erase(FileIdentity(*position));
    entries.erase(position);
}

int CInputList::ScanFolder(const std::string& folder, bool recurse, const std::vector<std::string>& keywords)
{
    return Walk(folder, recurse, keywords, 0);
}

void CInputList::SetOutputFolders(const std::string& subfolderName, const std::vector<std::string>& folders)
{
    outputSubfolderName = subfolderName;
    outputFolderKeys.clear();
    for (const std::string& folder : folders)
        outputFolderKeys.insert(NormalPathKey(TrimTrailingSeparators(folder)));
}

bool IsPresetSubfolderName(const std::string& name)
{
    constexpr std::string_view prefix = "Framira_";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string_view size = std::string_view(name).substr(prefix.size());
    const std::size_t x = size.find('x');
    const auto digits = [](std::string_view part) {
        return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return x != std::string_view::npos && digits(size.substr(0, x)) && digits(size.substr(x + 1));
}

bool CInputList::IsOutputFolder(const std::string& name, const std::string& path) const
{
    if (!outputSubfolderName.empty() && name == outputSubfolderName)
        return true;
    if (passOverPresetSubfolders && IsPresetSubfolderName(name))
        return true;
    return !outputFolderKeys.empty() && outputFolderKeys.count(NormalPathKey(path)) != 0;
}

int CInputList::Walk(const std::string& folder, bool recurse, const std::vector<std::string>& keywords, int depth)
{
    int added = 0;
    std::vector<CFolderEntry> folderEntries;
    if (const int error = platform.ListFolderEntries(folder, folderEntries); error != 0) {
        passedOver.unreadableFolders.emplace_back(folder, std::error_code(error, std::generic_category()).message());
    } else {
        for (const CFolderEntry& entry : folderEntries) {
            if (entry.name.empty() || entry.name.front() == '.')
                continue;
            if (entry.isDirectory) {
                // A folder is never a picture, whatever its name ends in.
                if (!recurse || entry.isSymlink || depth >= kMaximumFolderDepth)
                    continue;
                const bool ignored = std::any_of(keywords.begin(), keywords.end(), [&](const std::string& keyword) {
                    return !keyword.empty() && entry.name.find(keyword) != std::string::npos;
                });
                const std::string path = JoinPath(folder, entry.name);
                if (!ignored && !IsOutputFolder(entry.name, path))
                    added += Walk(path, true, keywords, depth + 1);
                continue;
            }
            const std::string path = JoinPath(folder, entry.name);
            if (!HasSupportedPictureExtension(path))
                continue;
            if (IsJpegExtension(SplitSourceName(path).extension) && IsOwnOutput(path)) {
                passedOver.ownOutputs.push_back(path);
                continue;
            }
            if (Insert(path))
                ++added;
        }
    }
    browsePath = folder;
    return added;
}

int CInputList::AddDroppedPaths(const std::vector<std::string>& paths, const AskFolderOptions& askOptions)
{
    int added = 0;
    std::optional<CFolderOptions> toAll;
    for (const std::string& path : paths) {
        if (!platform.IsDirectory(path)) {
            if (AddPicture(path))
                ++added;
            continue;
        }
        std::optional<CFolderOptions> options = toAll;
        if (!options) {
            options = askOptions ? askOptions(path) : std::optional<CFolderOptions>(CFolderOptions{});
            if (options && options->toAll)
                toAll = options;
        }
        if (options)
            added += ScanFolder(path, options->recurse, options->keywords);
    }
    return added;
}

bool CInputList::Remove(const std::string& path)
{
    const auto position = std::find(entries.begin(), entries.end(), path);
    if (position == entries.end())
        return false;
    Erase(position);
    return true;
}

void CInputList::Clear()
{
    entries.clear();
    fileKeys.clear();
    passedOver = CPassedOver();
}

bool CInputList::Contains(const std::string& path) const
{
    return std::binary_search(entries.begin(), entries.end(), path, ListOrder);
}
