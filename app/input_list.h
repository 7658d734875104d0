#pragma once
// What may enter the list of pictures and how folders are walked into it,
// apart from the window: the supported extensions, the refusal of
// duplicates, the folder walk with subfolders and ignore keywords, and the
// keywords of the "Add Folder Options" text.
//
// Paths are UTF-8 with '/' as the separator. File names that differ only in
// case are different files here; two paths are duplicates when they lead to
// the same file (device and inode), however they are spelt.

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class CPlatformServices;

// Every extension the image library has a reader for, lower case with the
// leading full stop. Folder walks take these files (reading still goes by
// content), and the file dialog's filter is built from the same list.
inline constexpr std::array<std::string_view, 31> kSupportedPictureExtensions = {
    ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".png", ".gif", ".pgm", ".ppm", ".pnm", ".psd",
    ".heic", ".heif", ".hif", ".avif", ".webp",
    ".dng", ".cr2", ".cr3", ".nef", ".nrw", ".arw", ".srf", ".sr2", ".orf", ".rw2", ".raf", ".pef", ".srw",
    ".rwl", ".iiq"};

// The camera RAW extensions among them: a RAW file and a JPEG of the same
// name in one folder are the same shot, framed once.
inline constexpr std::array<std::string_view, 15> kCameraRawExtensions = {
    ".dng", ".cr2", ".cr3", ".nef", ".nrw", ".arw", ".srf", ".sr2", ".orf", ".rw2", ".raf", ".pef", ".srw",
    ".rwl", ".iiq"};

// True when the lower-cased extension of `path` (from the last full stop of
// its file name) is one of the supported extensions.
bool HasSupportedPictureExtension(const std::string& path);

// True for a name a preset gives its output subfolder: "Framira_1920x1080".
bool IsPresetSubfolderName(const std::string& name);

// Splits `keywordText` at every semicolon, trims leading spaces and double
// quotes and trailing double quotes and spaces from each piece, and keeps the
// non-empty pieces in text order: ";; Framira" gives {"Framira"}.
std::vector<std::string> BuildKeywords(const std::string& keywordText);
// The keyword text for `keywords`: "Framira;old".
std::string BuildKeywordText(const std::vector<std::string>& keywords);

// What the "Add Folder Options" question answered for one folder.
struct CFolderOptions {
    bool recurse = false;                // Yes / Yes to All
    bool toAll = false;                  // Yes to All / No to All: ask no more in this drop
    std::vector<std::string> keywords;   // subfolders whose names contain one are skipped
};

// What a walk or a drop left out besides files of other kinds, for reports.
struct CPassedOver {
    std::vector<std::string> ownOutputs;  // pictures this program wrote (they carry its mark)
    std::vector<std::string> twins;       // RAW files beside their JPEG (or, preferring RAW, the JPEGs)
    std::vector<std::pair<std::string, std::string>> unreadableFolders;  // folder, the system's reason
};

class CInputList {
public:
    // A folder walk descends at most this many levels: a link that leads back
    // up the tree would otherwise be walked for ever.
    static constexpr int kMaximumFolderDepth = 64;

    explicit CInputList(CPlatformServices& platform) : platform(platform) {}

    // A camera RAW file and a JPEG of the same stem in the same folder would
    // both be framed into one output name, so only one of them is listed:
    // the JPEG (the camera's own rendering) unless the RAW is preferred.
    // Whichever comes second, the preferred one stays.
    void SetPreferRaw(bool prefer) { preferRaw = prefer; }
    bool PrefersRaw() const { return preferRaw; }

    // Adds one file when its extension is supported and it is not listed yet.
    // True when it was added.
    bool AddPicture(const std::string& path);
    // Adds a file whatever its extension (a file named on the command line,
    // whose content decides); duplicates are still refused.
    bool AddFile(const std::string& path);

    // Adds the folder's supported files, and with `recurse` those of every
    // subfolder whose own name contains none of `keywords` (case-sensitive).
    // Hidden entries (names beginning with a full stop: ".thumbnails", the
    // "._IMG_0001.jpg" companions other systems leave on shared drives) and
    // the job's output folders (SetOutputFolders) are passed over, and so is
    // every picture this program wrote, wherever it lies, so a second run
    // never frames the first run's outputs. A folder that cannot be listed
    // adds nothing and is noted with its reason (PassedOver). Sets the
    // browse path to `folder`. Returns the number of pictures added.
    int ScanFolder(const std::string& folder, bool recurse, const std::vector<std::string>& keywords);

    // Dropped (or command-line) paths, in order: folders are walked with the
    // options `askOptions` returns for them (nothing: that folder is left
    // out); after a to-all answer the following folders are walked with the
    // same options without asking. Anything else goes to AddPicture.
    using AskFolderOptions = std::function<std::optional<CFolderOptions>(const std::string& folder)>;
    int AddDroppedPaths(const std::vector<std::string>& paths, const AskFolderOptions& askOptions);

    // The folders a job will write into, which walks never enter: every
    // subfolder named `subfolderName` (the subfolder beside each source;
    // empty: none) and each folder of `folders` (a designated folder).
    void SetOutputFolders(const std::string& subfolderName, const std::vector<std::string>& folders);
    // Also passes over every subfolder named as a preset's output subfolder
    // ("Framira_<width>x<height>"), the outputs of earlier runs at other sizes.
    void SetPassOverPresetSubfolders(bool passOver) { passOverPresetSubfolders = passOver; }

    // What walks and additions have left out since the last Clear().
    const CPassedOver& PassedOver() const { return passedOver; }

    // Removes the entry equal to `path`; true when there was one.
    bool Remove(const std::string& path);
    void Clear();

    bool Contains(const std::string& path) const;
    bool IsEmpty() const { return entries.empty(); }
    std::size_t Size() const { return entries.size(); }
    // The entries, kept in case-insensitive order as the list shows them.
    const std::vector<std::string>& Entries() const { return entries; }

    // Where the file dialog and folder browser start next.
    const std::string& GetBrowsePath() const { return browsePath; }
    void SetBrowsePath(const std::string& path) { browsePath = path; }

private:
    bool Insert(const std::string& path);
    void Erase(std::vector<std::string>::iterator position);
    bool IsOutputFolder(const std::string& name, const std::string& path) const;
    // The listed RAW/JPEG partner of `path` (same folder and stem), if any.
    std::vector<std::string>::iterator FindPartner(const std::string& path, bool pathIsRaw);
    int Walk(const std::string& folder, bool recurse, const std::vector<std::string>& keywords, int depth);

    CPlatformServices& platform;
    std::vector<std::string> entries;
    std::string browsePath;
    std::string outputSubfolderName;
    std::set<std::string> outputFolderKeys;  // as NormalPathKey gives them
    bool preferRaw = false;
    bool passOverPresetSubfolders = false;
    std::map<std::string, std::string> fileKeys;  // identity of each listed file → its entry
    CPassedOver passedOver;
};
