#pragma once
// The sources of --files-from: a file (or standard input) with one path per
// line, or separated by NUL bytes (find -print0) with -0.

#include <cstdio>
#include <string>
#include <vector>

struct CFileList {
    std::vector<std::string> paths;
    // Said to the user but not fatal ("CRLF line ends: the carriage
    // returns were taken off").
    std::vector<std::string> warnings;
};

// Reads the list named `name` ("-": `standardInput`). Empty entries are
// skipped; paths are kept as written (relative ones are taken from the
// current folder by whoever opens them). False with `error` when the list
// cannot be read or is not what was announced: NUL bytes in a list read
// without `nullSeparated`.
bool ReadFileList(const std::string& name, bool nullSeparated, std::FILE* standardInput, CFileList& list,
                  std::string& error);
