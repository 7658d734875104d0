#include "output_plan.h"

#include "output_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kIdentifierBytes = sizeof kSourceMarkIdentifier;  // with its zero

// Reads exactly `size` bytes at `offset`.
bool ReadAt(int fd, std::uint64_t offset, void* data, std::size_t size)
{
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, off_t(offset));
        if (got <= 0)
            return false;
        bytes += got;
        size -= std::size_t(got);
        offset += std::uint64_t(got);
    }
    return true;
}

class CFileDescriptor {
public:
    explicit CFileDescriptor(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~CFileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return fd; }

private:
    int fd;
};

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

std::string CandidateName(const std::string& stem, int number)
{
    return number == 1 ? stem + ".jpg" : stem + " (" + std::to_string(number) + ").jpg";
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(fs::path(a), fs::path(b), error) && !error;
}

// The files of one output folder, by the stems their names would have as
// outputs: "beach.jpg" is number 1 of "beach", "beach (3).jpg" number 3 of
// "beach" and number 1 of "beach (3)". Names compare without their case, so
// a folder on a file system that ignores case gets the same names as any other.
struct CFolderListing {
    std::string folder;  // with its trailing separator
    std::map<std::string, std::vector<std::pair<int, std::string>>> byStem;  // lower-case stem → (number, name)
    std::map<std::string, std::optional<std::string>> marks;                 // name → its mark, once read
    std::set<std::string> taken;                                             // lower-case names of the plan

    void Add(const std::string& name)
    {
        const std::string lower = LowerAscii(name);
        if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".jpg") != 0)
            return;
        const std::string base = lower.substr(0, lower.size() - 4);
        byStem[base].emplace_back(1, name);
        if (base.size() < 4 || base.back() != ')')
            return;
        const std::size_t open = base.rfind(" (");
        if (open == std::string::npos || open + 2 >= base.size() - 1)
            return;
        const std::string digits = base.substr(open + 2, base.size() - 1 - (open + 2));
        if (digits.size() > 9 || digits.front() == '0' ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return;
        if (const int number = std::stoi(digits); number >= 2)
            byStem[base.substr(0, open)].emplace_back(number, name);
    }

    // The existing file under `name` (any case), or "" when there is none.
    std::string Existing(const std::string& stem, int number) const
    {
        const auto it = byStem.find(LowerAscii(stem));
        if (it == byStem.end())
            return {};
        for (const auto& [n, name] : it->second)
            if (n == number)
                return name;
        return {};
    }

    const std::optional<std::string>& Mark(const std::string& name)
    {
        auto it = marks.find(name);
        if (it == marks.end())
            it = marks.emplace(name, ReadSourceMark(folder + name)).first;
        return it->second;
    }

    // True when the file `name` is marked as the output of `source`.
    bool IsOutputOf(const std::string& name, const std::string& source)
    {
        const std::optional<std::string>& mark = Mark(name);
        if (!mark)
            return false;
        const fs::path named(*mark);
        return SameFile(named.is_absolute() ? *mark : folder + *mark, source);
    }
};

} // namespace

CMarkerSegment MakeSourceMark(const std::string& outputPath, const std::string& sourcePath)
{
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(fs::absolute(fs::path(outputPath), error).parent_path(), error);
    std::string named;
    if (!error) {
        const fs::path source = fs::weakly_canonical(fs::absolute(fs::path(sourcePath), error), error);
        // Relative, so an output still finds its source when the whole tree
        // is moved or mounted elsewhere.
        if (!error)
            named = source.lexically_relative(folder).string();
        if (named.empty())
            named = source.string();
    }
    if (named.empty())
        named = NormalPathKey(sourcePath);

    std::string payload(kSourceMarkIdentifier, kIdentifierBytes);
    payload += named.substr(0, std::size_t(kMaxApp1Payload) - kIdentifierBytes);
    CMarkerSegment segment;
    segment.marker = kSourceMarkSegment;
    segment.payload.assign(payload.begin(), payload.end());
    return segment;
}

std::optional<std::string> ReadSourceMark(const std::string& jpegPath)
{
    const CFileDescriptor file(jpegPath);
    struct stat status {};
    if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    unsigned char start[2];
    if (!ReadAt(file.Get(), 0, start, 2) || start[0] != 0xFF || start[1] != 0xD8)
        return std::nullopt;
    std::uint64_t offset = 2;
    // The mark sits among the metadata segments before the first scan;
    // a bounded number of them are stepped over, each by its length alone.
    for (int segments = 0; segments < 4096; ++segments) {
        unsigned char header[4];
        if (!ReadAt(file.Get(), offset, header, 4) || header[0] != 0xFF)
            return std::nullopt;
        if (header[1] == 0xFF) {  // fill byte
            ++offset;
            continue;
        }
        if (header[1] == 0xDA || header[1] == 0xD9)
            return std::nullopt;
        const std::size_t length = std::size_t(header[2]) << 8 | header[3];
        if (length < 2)
            return std::nullopt;
        if (header[1] == kSourceMarkSegment && length - 2 >= kIdentifierBytes) {
            std::string payload(length - 2, '\0');
            if (!ReadAt(file.Get(), offset + 4, payload.data(), payload.size()))
                return std::nullopt;
            if (std::memcmp(payload.data(), kSourceMarkIdentifier, kIdentifierBytes) == 0) {
                std::string named = payload.substr(kIdentifierBytes);
                named.resize(std::strlen(named.c_str()));
                return named;
            }
        }
        offset += 2 + length;
    }
    return std::nullopt;
}

COutputPlan COutputPlan::Make(const std::vector<std::string>& sources, int saveType, const std::string& outputFolder,
                              bool keepUnmarkedFiles)
{
    COutputPlan plan;
    std::set<std::string> sourceKeys;
    for (const std::string& source : sources)
        sourceKeys.insert(NormalPathKey(source));

    // Each output folder is listed once.
    std::map<std::string, CFolderListing> listings;
    std::vector<std::pair<const std::string*, CFolderListing*>> order;
    for (const std::string& source : sources) {
        const std::string folder = BuildOutputFolder(saveType, outputFolder, source);
        const std::string key = NormalPathKey(folder);
        auto [it, added] = listings.try_emplace(key);
        if (added) {
            it->second.folder = folder;
            std::error_code error;
            for (fs::directory_iterator entry(fs::path(folder), error), end; !error && entry != end;
                 entry.increment(error))
                it->second.Add(entry->path().filename().string());
        }
        order.emplace_back(&source, &it->second);
    }

    // First every picture whose output is there already keeps its name, so
    // that no picture new to the folder can take it.
    std::vector<bool> placed(order.size(), false);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::string& source = *order[i].first;
        CFolderListing& listing = *order[i].second;
        const auto stem = listing.byStem.find(LowerAscii(SplitSourceName(source).stem));
        if (stem == listing.byStem.end())
            continue;
        std::vector<std::pair<int, std::string>> candidates = stem->second;
        std::sort(candidates.begin(), candidates.end());
        for (const auto& [number, name] : candidates) {
            if (!listing.taken.count(LowerAscii(name)) && listing.IsOutputOf(name, source)) {
                listing.taken.insert(LowerAscii(name));
                plan.assignments[source] = COutputAssignment{listing.folder + name, EExistingOutput::Own, {}};
                placed[i] = true;
                break;
            }
        }
    }

    // Then the others, in the job's order, each the first name that no
    // picture of the job, no source and no other source's output holds.
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (placed[i])
            continue;
        const std::string& source = *order[i].first;
        CFolderListing& listing = *order[i].second;
        const std::string stem = SplitSourceName(source).stem;
        COutputAssignment assignment;
        for (int number = 1;; ++number) {
            const std::string name = CandidateName(stem, number);
            const std::string path = listing.folder + name;
            if (listing.taken.count(LowerAscii(name)) || sourceKeys.count(NormalPathKey(path)) ||
                SameFile(path, source))
                continue;
            const std::string existing = listing.Existing(stem, number);
            if (!existing.empty() && (listing.Mark(existing) || keepUnmarkedFiles)) {
                if (number == 1)
                    assignment.displacedFrom = existing;
                continue;
            }
            listing.taken.insert(LowerAscii(name));
            assignment.output = existing.empty() ? path : listing.folder + existing;
            assignment.existing = existing.empty() ? EExistingOutput::None : EExistingOutput::Unmarked;
            break;
        }
        plan.assignments[source] = std::move(assignment);
    }
    return plan;
}

const COutputAssignment* COutputPlan::Find(const std::string& source) const
{
    const auto it = assignments.find(source);
    return it == assignments.end() ? nullptr : &it->second;
}
