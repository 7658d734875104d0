#pragma once
// Why a picture could not be read, as one short phrase the job shows after
// the file name ("damaged file", "unsupported variant (Lab colour)").
//
// Readers note the reason where they refuse a file; result codes alone
// cannot tell a damaged file from a variant the library does not decode or
// from a picture that is simply too large. The note is kept per thread, from
// the start of a read to its end, and only inside the image library: the
// format dispatch (picture_reading.h) takes it into the result it returns.

#include "image.h"

#include <cstddef>
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

struct CReadNote {
    EReadProblem kind = EReadProblem::None;
    std::string detail;
};
// The note of the read that has just ended, which is forgotten: every
// dispatched read starts and ends with this.
CReadNote TakeReadProblem();

// The short phrase of a note: "damaged file", "too large (...)", ...
std::string DescribeReadProblem(const CReadNote& note);

// The largest picture the library reads, in words for messages and help:
// "268,435,456 pixels (16384 x 16384)".
std::string DescribePictureSizeLimit();
