#pragma once
// File names as a terminal may safely show them. A name may hold any byte
// but '/' and NUL: a newline would forge a report line of its own, an escape
// sequence would act on the terminal, and bytes that are not UTF-8 come out
// as replacement marks that no longer say which file is meant.

#include <string>

// `path` with every control character (C0, DEL and the C1 range) written as
// a C escape (\n, \t, \r) or as \xNN per byte, and every byte that is not
// part of valid UTF-8 as \xNN. Valid UTF-8 (accented letters, CJK, emoji)
// stays as it is, so ordinary names print unchanged. A backslash is written
// as \\, so every printed name reads back to exactly one file name.
std::string PrintablePath(const std::string& path);
