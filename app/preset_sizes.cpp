#include "preset_sizes.h"

#include "framira.h"

// The engine's table ends with its closing row right after the last choice.
static_assert(kLastChoosablePreset == kFramiraPresetCount - 2);

bool IsChoosablePreset(int presetIndex)
{
    return presetIndex >= kFirstChoosablePreset && presetIndex <= kLastChoosablePreset;
}

CScreenSize PresetOutputSize(int presetIndex, CScreenSize custom)
{
    if (!IsChoosablePreset(presetIndex))
        return custom;
    return CScreenSize{kFramiraPresets[presetIndex].width, kFramiraPresets[presetIndex].height};
}

std::vector<CPresetChoice> ChoosablePresets()
{
    std::vector<CPresetChoice> choices;
    for (int row = kFirstChoosablePreset; row <= kLastChoosablePreset; ++row)
        choices.push_back(CPresetChoice{row, kFramiraPresets[row].name, PresetOutputSize(row, {})});
    return choices;
}
