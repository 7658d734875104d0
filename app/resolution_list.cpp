#include "resolution_list.h"

#include "preset_sizes.h"

namespace {

struct CEntryText {
    const char* aspect;
    bool typographicQuotes;
};

// By row of the preset table. The quotation marks differ from row to row as
// the list has always shown them: typographic for some names, plain for the
// others.
constexpr CEntryText kEntryTexts[kLastChoosablePreset + 1] = {
    {"", false},     {"3:2", true},   {"3:2", true},   {"4:3", false},  {"4:3", false},  {"4:3", true},
    {"4:3", false},  {"4:3", true},   {"5:4", false},  {"5:4", true},   {"16:9", true},  {"16:9", true},
    {"16:9", false}, {"16:10", true}, {"16:10", true}, {"25:16", false},
};

} // namespace

std::vector<std::string> ResolutionListEntries()
{
    std::vector<std::string> entries{"Current Monitor"};
    for (const CPresetChoice& preset : ChoosablePresets()) {
        const bool typographic = kEntryTexts[preset.index].typographicQuotes;
        entries.push_back(std::string(kEntryTexts[preset.index].aspect) + " (" + std::to_string(preset.size.width) +
                          "x" + std::to_string(preset.size.height) + ") " + (typographic ? "\u201C" : "\"") +
                          std::string(preset.name) + (typographic ? "\u201D" : "\""));
    }
    return entries;
}
