#pragma once
// Where a framed picture goes and what it is called. The job's folder check
// and the per-picture pipeline both build the names here, so the check looks
// at exactly the files the pipeline will write.
//
// Paths are UTF-8 with '/' as the separator. The output is always a JPEG
// named after the source's stem with the extension ".jpg".

#include <string>
#include <vector>

class CPlatformServices;

// Save types of a job.
inline constexpr int kSaveDesignatedFolder = 1;  // "Absolute Path": one folder for everything
inline constexpr int kSaveSubfolder = 2;         // "Relative Path": a subfolder beside each source

struct CSourceName {
    std::string fileName;   // text after the last separator
    std::string stem;       // file name without its extension and full stop
    std::string extension;  // from the last full stop to the end, lower case; empty without a full stop
};

CSourceName SplitSourceName(const std::string& sourcePath);

// Removes trailing separators ("/photos//" → "/photos"); "/" stays "/".
std::string TrimTrailingSeparators(const std::string& folder);

// `name` inside `folder`, with exactly one separator between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// <0, 0, >0 as `a` sorts before, with or after `b` when ASCII letters are
// compared without their case (the order the list and the job use).
int ComparePathsNoCase(const std::string& a, const std::string& b);

// The output folder of one source, ending in a separator.
// Subfolder: the source's folder, then `outputFolder` (the subfolder's name).
// Designated: `outputFolder` (the folder's full path).
std::string BuildOutputFolder(int saveType, const std::string& outputFolder, const std::string& sourcePath);

// The output folder plus the stem plus ".jpg".
std::string BuildOutputPath(const std::string& outputFolder, const std::string& sourcePath);

// Creates every folder along `folder` that does not exist yet and returns
// those it made, outermost first. Failures are not reported here: the
// folder's write test finds a folder that is missing, and
// WhyFolderCannotBeMade tells why.
std::vector<std::string> CreateFoldersAlong(const std::string& folder, CPlatformServices* platform);

// The system's error number that keeps a missing `folder` from being made:
// that of its nearest existing ancestor refusing a new entry (permission
// denied, read-only file system), or ENOENT.
int WhyFolderCannotBeMade(const std::string& folder, CPlatformServices& platform);

// True when `path` is a regular file (links followed). Only such files are
// read as pictures: a named pipe with a picture's name would hold its reader,
// and with it the whole job, until somebody writes to it.
bool IsPlainFile(const std::string& path);

// The form of a path used to tell whether two paths name the same file:
// absolute, with the links of its existing part resolved, lexically normal.
std::string NormalPathKey(const std::string& path);
