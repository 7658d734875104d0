#pragma once
// Where a framed picture goes: the output folder for a source under either
// destination choice, the output file name, and the per-job registry that
// keeps two pictures of one job from writing the same file.
//
// Paths are UTF-8 strings with '/' as the separator.

#include <set>
#include <string>
#include <vector>

class CPlatformServices;

// The two destination choices, numbered as the settings store them.
inline constexpr int kSaveTypeDesignatedFolder = 1;  // one folder for every picture
inline constexpr int kSaveTypeSubfolder = 2;         // a subfolder inside each source folder

inline constexpr char kPathSeparator = '/';

// The file-name pieces of a source path.
struct CSourceName {
    std::string fileName;   // text after the last separator
    std::string stem;       // file name without its extension
    std::string extension;  // from the last full stop of the file name, lower-cased; "" without one
};

CSourceName SplitSourceName(const std::string& sourcePath);

// Removes separators at the end of `path`; a path made only of separators
// keeps one (the root).
std::string RemoveTrailingSeparators(const std::string& path);

// The folder part of `path`: the text before its last separator ("" for a
// file in the root, "." for a bare file name).
std::string GetFolderOfPath(const std::string& path);

// The output folder of `sourcePath`, ending in a separator:
//   subfolder choice:  <source's folder>/<outputFolder>/
//   designated folder: <outputFolder>/
// `outputFolder` is the subfolder's name or the designated folder's path.
std::string BuildOutputFolder(int saveType, const std::string& outputFolder, const std::string& sourcePath);

// Creates every folder along `folder` that does not exist yet. Failures are
// ignored: the write test of the folder group reports a folder that could
// not be made.
void CreateFoldersAlong(CPlatformServices& platform, const std::string& folder);

// <outputFolderWithSeparator><stem>.jpg, the name before any de-duplication.
std::string BuildOutputPath(const std::string& outputFolderWithSeparator, const std::string& sourcePath);

// Hands out the output paths of one job so that no picture overwrites the
// output of an earlier picture of the same job, nor any source of the job.
//
// beach.jpg and beach.tif in one folder (or photos of the same name from
// several folders written into one designated folder) would all become
// beach.jpg. The first picture in job order keeps that name; each later one
// gets "beach (2).jpg", "beach (3).jpg", ..., the lowest number not yet
// handed out in this job. The names depend only on the job's list, so a
// second run of the same list produces the same names (and the overwrite
// question finds them).
//
// Use, on the worker thread:
//   registry.Clear();                         // at the start of every job
//   registry.ReserveSources(queue);           // the job's source paths
//   ... per folder group:
//   registry.PlanOutputPaths(folder, group);  // what the group will write
//                                             // (for the overwrite check)
//   ... per picture:
//   path = registry.ClaimOutputPath(folder, source);
//
// Paths are compared exactly (case-sensitive), after lexical normalisation.
class COutputNameRegistry {
public:
    void Clear();

    // Output paths never take the path of one of these sources: a designated
    // folder that is also a source folder must not replace the photographs.
    void ReserveSources(const std::vector<std::string>& sourcePaths);

    // The output path for `sourcePath` in `outputFolderWithSeparator`, now
    // taken for the rest of the job.
    std::string ClaimOutputPath(const std::string& outputFolderWithSeparator, const std::string& sourcePath);

    // The paths ClaimOutputPath would hand out for `sourcePaths`, in order,
    // without taking them.
    std::vector<std::string> PlanOutputPaths(const std::string& outputFolderWithSeparator,
                                             const std::vector<std::string>& sourcePaths) const;

private:
    static std::string Key(const std::string& path);
    static std::string FindFreePath(const std::set<std::string>& taken, const std::string& outputFolderWithSeparator,
                                    const std::string& sourcePath);

    std::set<std::string> taken;  // keys of reserved sources and claimed outputs
};
