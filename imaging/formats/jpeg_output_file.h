#pragma once
// An output file that appears under its final name only when it is complete.
// The bytes go to a temporary file in the same folder (so the final rename
// stays on one file system); Commit() flushes it to the disk, checks that
// every write reached the file, renames it over the target and flushes the
// folder, so a power cut leaves either the old file or the new one. Without
// a successful Commit() the temporary file is removed and an existing target
// is untouched.
//
// A target that is a symbolic link is written through: the file the link
// leads to is the one replaced (atomically, in its own folder), and the link
// stays a link.

#include <cstdio>
#include <filesystem>
#include <memory>

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
    // Notes that writing into Stream() failed, with the system's reason
    // when the stream has one.
    void NoteStreamFailure();

private:
    void Discard();
    void Fail(int errorNumber);

    std::filesystem::path target;   // the file replaced (a link's final target)
    std::filesystem::path temporary;
    // The stream's buffer, larger than the system's (see Open); it outlives
    // the stream, which is closed before the members go.
    std::unique_ptr<char[]> streamBuffer;
    std::FILE* stream = nullptr;
};

// The system's error number of the last output file that failed on the
// calling thread ("No space left on device", "Read-only file system"), or 0
// when the last one was written or failed for another reason (the encoder).
int LastJpegOutputError();
