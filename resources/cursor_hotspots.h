// Hot spots of the window's cursors (:/ui/cursors/*.png, 32 x 32): the
// pixel of the arrow's tip, the same for both so the pointer does not jump
// when a job starts or ends.
#pragma once

constexpr int kIdleCursorHotX = 2;
constexpr int kIdleCursorHotY = 2;
constexpr int kBusyCursorHotX = 2;
constexpr int kBusyCursorHotY = 2;
