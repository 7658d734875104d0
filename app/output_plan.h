#pragma once
// Which file each picture of a job is written to, decided once for the whole
// job before anything is written, and the mark that ties an output to its
// source.
//
// Every framed picture carries a small segment naming its source (the
// source's path as seen from the output's folder). That mark makes names
// stable across runs: a source whose output is already in the folder gets
// that same name again, whatever siblings were added or removed since, and a
// picture never takes a name whose file belongs to another source. It also
// lets folder walks recognise the program's own outputs wherever they are,
// so they are never framed again.

#include "jpeg_writer.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// APP15 with this identifier (and its terminating zero) holds the mark.
inline constexpr int kSourceMarkSegment = 0xEF;
inline constexpr char kSourceMarkIdentifier[] = "Framira source";

// The segment that marks `outputPath` as the framed picture of `sourcePath`.
CMarkerSegment MakeSourceMark(const std::string& outputPath, const std::string& sourcePath);

// The source path a JPEG's mark names, as written (relative to the JPEG's
// folder unless it was absolute); nothing when the file is not a JPEG this
// program wrote. Reads only the segment headers before the picture data.
std::optional<std::string> ReadSourceMark(const std::string& jpegPath);

// True when `path` is a picture this program wrote.
inline bool IsOwnOutput(const std::string& path)
{
    return ReadSourceMark(path).has_value();
}

// What stood under an output's name when the job was planned.
enum class EExistingOutput {
    None,      // nothing: a new file
    Own,       // this picture's own output of an earlier run
    Unmarked,  // a file no source claims (the user's, or from before outputs were marked)
};

struct COutputAssignment {
    std::string output;
    EExistingOutput existing = EExistingOutput::None;
    // The name the picture would have had, when a file that is not its output
    // holds it (empty otherwise): the report tells why the name differs.
    std::string displacedFrom;
};

class COutputPlan {
public:
    // Plans every source of a job, given in the job's order; the order
    // decides only between pictures that have no output yet. With
    // `keepUnmarkedFiles`, a file no source claims is never chosen (it is
    // kept, and the picture takes the next free name); otherwise it may be
    // replaced, after the folder check has asked.
    static COutputPlan Make(const std::vector<std::string>& sources, int saveType, const std::string& outputFolder,
                            bool keepUnmarkedFiles);

    // The assignment of `source`, or null when it is not in the plan.
    const COutputAssignment* Find(const std::string& source) const;
    bool Empty() const { return assignments.empty(); }

private:
    std::map<std::string, COutputAssignment> assignments;
};
