#pragma once
// The machine-readable report of --report: JSON Lines, one object per
// source and a summary object last.
//
// Paths are file names as the system holds them: bytes, not always UTF-8.
// Valid UTF-8 is written as it is (with JSON's escapes for quotes,
// backslashes and control characters); every byte that is not part of valid
// UTF-8 is written as a lone low surrogate \udc80 .. \udcff, the byte plus
// 0xdc00 (Python's "surrogateescape"), so the original bytes can be had back
// and no two names are written alike.

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct CPictureReport;
enum class EPictureOutcome;

// `text` as a JSON string, quotes included.
std::string JsonString(const std::string& text);

using CJsonValue = std::variant<std::string, std::int64_t, std::nullptr_t>;

// One line: {"key":value,...} in the given order, without the newline.
std::string JsonLine(const std::vector<std::pair<std::string, CJsonValue>>& fields);

// The status word of an outcome ("written", "damaged", ...).
const char* PictureStatusWord(EPictureOutcome outcome);

// The line of one picture: source, output (null when none), status
// ("written", "damaged", "skipped", "missing", "unreadable", "failed",
// "passed-over"), reason, bytes (the output's size) and ms (null when not
// known).
std::string PictureReportLine(const CPictureReport& report);
// The same for a file or folder the job never took in, with its status.
std::string LeftOutReportLine(const std::string& source, const std::string& status, const std::string& reason);
