#pragma once
// Why a picture could not be read, as one short phrase the job shows after
// the file name ("damaged file", "unsupported variant (Lab colour)").
//
// Readers note the reason where they refuse a file; result codes alone
// cannot tell a damaged file from a variant the library does not decode or
// from a picture that is simply too large. The note is kept per thread: a
// read runs on one thread from start to end.

#include "image.h"

#include <cstddef>
#include <filesystem>
#include <string>

enum class EReadProblem {
    None,
    CannotOpen,     // the file cannot be opened or read
    Empty,          // the file holds no bytes at all
    UnknownFormat,  // no reader recognises its first bytes
    Damaged,        // recognised, but its data is inconsistent or cut short
    Unsupported,    // a variant of a known format that is not decoded; the detail says which
    TooLarge,       // more pixels than a picture may have
    OutOfMemory,
};

// Records why the current read fails. The first note of a read wins: the
// place that understood the problem speaks, not the general failure that
// follows on the way out.
void NoteReadProblem(EReadProblem kind, std::string detail = {});
// Notes a picture of cols x rows pixels as too large.
void NoteTooLarge(std::size_t cols, std::size_t rows);
// Forgets the note; every dispatched read starts with this.
void ClearReadProblem();

// Reads `path` through the format dispatch, as the file constructor does.
// When it fails (planes stay 0), `reason` receives the short phrase saying
// why; on success it is emptied.
int ReadPictureFile(const std::filesystem::path& path, CImage& image, std::string& reason);

// The largest picture the library reads, in words for messages and help:
// "268,435,456 pixels (16384 x 16384)".
std::string DescribePictureSizeLimit();
