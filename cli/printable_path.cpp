#include "printable_path.h"

#include <cstddef>
#include <cstdio>

namespace {

// The length of the UTF-8 sequence at `at`, or 0 when it is not one:
// overlong forms, surrogates and code points beyond U+10FFFF are refused as
// a strict decoder refuses them.
std::size_t Utf8Length(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

void AppendByte(std::string& out, unsigned char c)
{
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    out += hex;
}

// The short escape of a control character, or null.
const char* ShortEscape(unsigned char c)
{
    switch (c) {
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\r': return "\\r";
    default: return nullptr;
    }
}

} // namespace

std::string PrintablePath(const std::string& path)
{
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        std::size_t length = 1;
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else if (const char* escape = ShortEscape(c)) {
            out += escape;
        } else if (c < 0x80 || (length = Utf8Length(path, i)) == 0) {
            AppendByte(out, c);  // the other C0 controls, DEL, bytes that are not UTF-8
            length = 1;
        } else if (c == 0xC2 && static_cast<unsigned char>(path[i + 1]) < 0xA0) {
            // U+0080 to U+009F, the C1 controls, which some terminals obey
            // (U+009B opens a control sequence as ESC [ does).
            AppendByte(out, c);
            AppendByte(out, static_cast<unsigned char>(path[i + 1]));
        } else {
            out.append(path, i, length);
        }
        i += length;
    }
    return out;
}
