#include "json_report.h"

#include "batch_worker.h"

#include <cstdio>

namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there
// does not start one (overlong forms, surrogates and values past U+10FFFF
// are not valid).
std::size_t Utf8Length(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    std::uint32_t value = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (byte(at + i) & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    char escape[8];
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8Length(text, at);
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\udc%02x", c);
            json += escape;
            ++at;
            continue;
        }
        if (length > 1) {
            json.append(text, at, length);
        } else if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json += char(c);
        }
        at += length;
    }
    return json + "\"";
}

std::string JsonLine(const std::vector<std::pair<std::string, CJsonValue>>& fields)
{
    std::string line = "{";
    for (const auto& [key, value] : fields) {
        if (line.size() > 1)
            line += ',';
        line += JsonString(key) + ':';
        if (const auto* text = std::get_if<std::string>(&value))
            line += JsonString(*text);
        else if (const auto* number = std::get_if<std::int64_t>(&value))
            line += std::to_string(*number);
        else
            line += "null";
    }
    return line + "}";
}

const char* PictureStatusWord(EPictureOutcome outcome)
{
    switch (outcome) {
    case EPictureOutcome::Written: return "written";
    case EPictureOutcome::Damaged: return "damaged";
    case EPictureOutcome::Missing: return "missing";
    case EPictureOutcome::Unreadable: return "unreadable";
    case EPictureOutcome::Failed: return "failed";
    case EPictureOutcome::Skipped: return "skipped";
    }
    return "failed";
}

namespace {

CJsonValue NumberOrNull(std::int64_t value)
{
    return value < 0 ? CJsonValue(nullptr) : CJsonValue(value);
}

} // namespace

std::string PictureReportLine(const CPictureReport& report)
{
    return JsonLine({{"source", report.source},
                     {"output", report.output.empty() ? CJsonValue(nullptr) : CJsonValue(report.output)},
                     {"status", std::string(PictureStatusWord(report.outcome))},
                     {"reason", report.reason},
                     {"bytes", NumberOrNull(report.bytes)},
                     {"ms", NumberOrNull(report.milliseconds)}});
}

std::string LeftOutReportLine(const std::string& source, const std::string& status, const std::string& reason)
{
    return JsonLine({{"source", source},
                     {"output", nullptr},
                     {"status", status},
                     {"reason", reason},
                     {"bytes", nullptr},
                     {"ms", nullptr}});
}
