#include "read_problem.h"

namespace {
thread_local CReadNote currentNote;

std::string GroupThousands(std::size_t value)
{
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

std::string Phrase(const CReadNote& note)
{
    switch (note.kind) {
    case EReadProblem::CannotOpen: return "cannot be opened";
    case EReadProblem::Empty: return "empty file";
    case EReadProblem::UnknownFormat: return "unknown format";
    case EReadProblem::Damaged: return "damaged file";
    case EReadProblem::Unsupported:
        return note.detail.empty() ? "unsupported variant" : "unsupported variant (" + note.detail + ")";
    case EReadProblem::TooLarge:
        return "too large (" + (note.detail.empty() ? std::string() : note.detail + ", ") + "more than " +
               GroupThousands(CImage::kMaxPixels) + " pixels)";
    case EReadProblem::OutOfMemory: return "not enough memory";
    case EReadProblem::None: break;
    }
    return "damaged file";
}
} // namespace

void NoteReadProblem(EReadProblem kind, std::string detail)
{
    if (currentNote.kind != EReadProblem::None)
        return;
    currentNote.kind = kind;
    currentNote.detail = std::move(detail);
}

void NoteTooLarge(std::size_t cols, std::size_t rows)
{
    NoteReadProblem(EReadProblem::TooLarge, std::to_string(cols) + " x " + std::to_string(rows));
}

CReadNote TakeReadProblem()
{
    CReadNote note = std::move(currentNote);
    currentNote = CReadNote{};
    return note;
}

std::string DescribeReadProblem(const CReadNote& note)
{
    return Phrase(note);
}

std::string DescribePictureSizeLimit()
{
    return GroupThousands(CImage::kMaxPixels) + " pixels (16384 x 16384)";
}
