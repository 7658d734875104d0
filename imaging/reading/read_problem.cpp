#include "read_problem.h"

#include "file_bytes.h"
#include "file_type.h"

#include <cstdio>
#include <system_error>

namespace {
struct CReadNote {
    EReadProblem kind = EReadProblem::None;
    std::string detail;
};

thread_local CReadNote currentNote;

std::string GroupThousands(std::size_t value)
{
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

// The first bytes of a file no reader takes, where they name a format the
// user may expect to work.
std::string UnreadVariantOf(const std::filesystem::path& path)
{
    const CInputFile file = OpenForReading(path);
    std::uint8_t head[2] = {};
    if (!file || std::fread(head, 1, sizeof head, file.get()) != sizeof head)
        return {};
    if (head[0] != 'P')
        return {};
    switch (head[1]) {
    case '1': case '4': return "1-bit PBM";
    case '2': case '3': return "plain-text greymap/pixmap";
    case '7': return "PAM";
    default: return {};
    }
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

void ClearReadProblem()
{
    currentNote = CReadNote{};
}

std::string DescribePictureSizeLimit()
{
    return GroupThousands(CImage::kMaxPixels) + " pixels (16384 x 16384)";
}

int ReadPictureFile(const std::filesystem::path& path, CImage& image, std::string& reason)
{
    reason.clear();
    const int result = image.ReadFile(path, kFileTypeUnknown);
    if (image.planes != 0)
        return result;
    CReadNote note = currentNote;
    if (note.kind == EReadProblem::None) {
        // The reader gave only its code: say what that code can tell.
        std::error_code error;
        if (!OpenForReading(path)) {
            note.kind = EReadProblem::CannotOpen;
        } else if (std::filesystem::file_size(path, error) == 0 && !error) {
            // A copy that never got its data: no format to name.
            note.kind = EReadProblem::Empty;
        } else if (DetectFileType(path) == kFileTypeUnknown) {
            note.detail = UnreadVariantOf(path);
            note.kind = note.detail.empty() ? EReadProblem::UnknownFormat : EReadProblem::Unsupported;
        } else if (DetectFileType(path) == kFileTypeRaw) {
            note = {EReadProblem::Unsupported, "raw scanner data"};
        } else {
            note.kind = result == kImageOutOfMemory ? EReadProblem::OutOfMemory : EReadProblem::Damaged;
        }
    }
    reason = Phrase(note);
    return result == kImageSuccess ? kImageBadArgument : result;
}
