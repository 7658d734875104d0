#pragma once
// An output file that appears under its final name only when it is complete.
// The bytes go to a temporary file in the same folder (so the final rename
// stays on one file system); Commit() closes it, checks that every write
// reached the file and renames it over the target. Without a successful
// Commit() the temporary file is removed and an existing target is untouched.

#include <cstdio>
#include <filesystem>

class CJpegOutputFile {
public:
    explicit CJpegOutputFile(std::filesystem::path target);
    ~CJpegOutputFile();
    CJpegOutputFile(const CJpegOutputFile&) = delete;
    CJpegOutputFile& operator=(const CJpegOutputFile&) = delete;

    // Creates the temporary file; false when the folder does not exist or
    // cannot be written.
    bool Open();
    std::FILE* Stream() const { return stream; }
    // True when the complete file now stands under the target name.
    bool Commit();

private:
    void Discard();

    std::filesystem::path target;
    std::filesystem::path temporary;
    std::FILE* stream = nullptr;
};
