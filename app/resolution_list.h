#pragma once
// The entries of the window's screen-resolution list, one per preset row
// (entry i is row i): "Current Monitor", then "16:9 (1920x1080) “HDTV”".

#include <string>
#include <vector>

std::vector<std::string> ResolutionListEntries();
