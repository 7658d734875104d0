#pragma once
// The one home of "preset → output size": which rows of the engine's preset
// table a user may choose, what each is called and how large it is, and the
// size a job, the destination's default subfolder name and the window's
// preview take for a preset. Row 0 stands for a size of the user's own (the
// screen's in the window, one given on the command line); the last row only
// closes the table and is never a choice.

#include "platform_services.h"

#include <string_view>
#include <vector>

inline constexpr int kCustomSizePreset = 0;
inline constexpr int kFirstChoosablePreset = 1;
inline constexpr int kLastChoosablePreset = 15;

// True for rows kFirstChoosablePreset to kLastChoosablePreset.
bool IsChoosablePreset(int presetIndex);

// The output size for `presetIndex`: a choosable row's own size; row 0, and
// any row that is no choice (the closing row, one outside the table), take
// `custom`.
CScreenSize PresetOutputSize(int presetIndex, CScreenSize custom);

struct CPresetChoice {
    int index = 0;
    std::string_view name;  // "HDTV"; two rows may share a name
    CScreenSize size;
};
// The choosable rows in table order.
std::vector<CPresetChoice> ChoosablePresets();
