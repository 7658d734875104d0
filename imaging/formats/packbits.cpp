#include "packbits.h"

#include <algorithm>
#include <cstddef>

bool DecodePackBits(std::span<const std::uint8_t> in, std::span<std::uint8_t> out)
{
    std::size_t read = 0;
    std::size_t written = 0;
    while (read < in.size()) {
        const int control = static_cast<std::int8_t>(in[read++]);
        if (control == -128)
            continue;
        if (control >= 0) {
            const std::size_t count = static_cast<std::size_t>(control) + 1;
            if (count > out.size() - written)
                return false;
            // A literal run cut off by the end of the input copies what is
            // there; the length test below then decides.
            const std::size_t available = std::min(count, in.size() - read);
            std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(read), available,
                        out.begin() + static_cast<std::ptrdiff_t>(written));
            read += available;
            written += available;
        } else {
            const std::size_t count = static_cast<std::size_t>(1 - control);
            if (count > out.size() - written)
                return false;
            if (read >= in.size())
                break;
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(written), count, in[read++]);
            written += count;
        }
    }
    return written == out.size();
}
