#include "resolution_list.h"

#include "framira.h"

namespace {

struct CEntryText {
    const char* aspect;
    bool typographicQuotes;
};

// By row of the preset table. The quotation marks differ from row to row as
// the list has always shown them: typographic for some names, plain for the
// others.
constexpr CEntryText kEntryTexts[kFramiraPresetCount - 1] = {
    {"", false},     {"3:2", true},   {"3:2", true},   {"4:3", false},  {"4:3", false},  {"4:3", true},
    {"4:3", false},  {"4:3", true},   {"5:4", false},  {"5:4", true},   {"16:9", true},  {"16:9", true},
    {"16:9", false}, {"16:10", true}, {"16:10", true}, {"25:16", false},
};

} // namespace

std::vector<std::string> ResolutionListEntries()
{
    std::vector<std::string> entries{"Current Monitor"};
    for (int row = 1; row < kFramiraPresetCount - 1; ++row) {
        const CAResolutionPreset& preset = kFramiraPresets[row];
        const bool typographic = kEntryTexts[row].typographicQuotes;
        entries.push_back(std::string(kEntryTexts[row].aspect) + " (" + std::to_string(preset.width) + "x" +
                          std::to_string(preset.height) + ") " + (typographic ? "\u201C" : "\"") + preset.name +
                          (typographic ? "\u201D" : "\""));
    }
    return entries;
}
