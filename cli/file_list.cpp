#include "file_list.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

struct CFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool ReadAll(std::FILE* file, std::string& text)
{
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    return !std::ferror(file);
}

} // namespace

bool ReadFileList(const std::string& name, bool nullSeparated, std::FILE* standardInput, CFileList& list,
                  std::string& error)
{
    const std::string shown = name == "-" ? std::string("standard input") : name;
    std::unique_ptr<std::FILE, CFileCloser> opened;
    std::FILE* file = standardInput;
    if (name != "-") {
        opened.reset(std::fopen(name.c_str(), "rb"));
        if (!opened) {
            error = "--files-from " + shown + ": " + std::strerror(errno);
            return false;
        }
        file = opened.get();
    }
    std::string text;
    if (!ReadAll(file, text)) {
        error = "--files-from " + shown + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    const char separator = nullSeparated ? '\0' : '\n';
    if (!nullSeparated && text.find('\0') != std::string::npos) {
        error = "--files-from " + shown + " holds NUL bytes: a list from find -print0 needs -0 (--null)";
        return false;
    }
    std::vector<std::string> entries;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        if (end > start)
            entries.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    // A list written on Windows ends every line in CR LF; a name ending in a
    // carriage return is far less likely than that.
    if (!nullSeparated && !entries.empty() &&
        std::all_of(entries.begin(), entries.end(), [](const std::string& e) { return e.back() == '\r'; })) {
        for (std::string& entry : entries)
            entry.pop_back();
        list.warnings.push_back("--files-from " + shown + " has CRLF line ends: the carriage returns were taken off");
    }
    for (std::string& entry : entries)
        if (!entry.empty())
            list.paths.push_back(std::move(entry));
    return true;
}
