#include "shard.h"

#include <algorithm>
#include <charconv>

namespace {

bool ParseCount(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return true;
}

} // namespace

bool ParseShard(const std::string& text, CShard& shard, std::string& error)
{
    const std::size_t slash = text.find('/');
    int index = 0, count = 0;
    if (slash == std::string::npos || !ParseCount(text.substr(0, slash), index) ||
        !ParseCount(text.substr(slash + 1), count)) {
        error = "--shard takes K/N, two whole numbers such as 3/8, not '" + text + "'";
        return false;
    }
    if (count < 1 || index < 1 || index > count) {
        error = "--shard " + text + ": K must be from 1 to N, and N at least 1";
        return false;
    }
    shard = CShard{index, count};
    return true;
}

std::vector<std::string> SelectShard(std::vector<std::string> sources, CShard shard)
{
    std::sort(sources.begin(), sources.end());
    const std::size_t n = sources.size();
    const std::size_t count = std::size_t(std::max(shard.count, 1));
    const std::size_t index = std::size_t(std::clamp(shard.index, 1, int(count)));
    const std::size_t first = n * (index - 1) / count;
    const std::size_t end = n * index / count;
    return std::vector<std::string>(sources.begin() + long(first), sources.begin() + long(end));
}
