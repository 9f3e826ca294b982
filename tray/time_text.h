// The tray menu's time item: hours, minutes and seconds joined by colons.
#pragma once

#include <cstdint>

// Counts below 10 get one leading zero; larger ones are written as they are.
// The buffer must hold three 10-digit counts, two colons and the zero: 33.
void FormatTrayTime(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds, char (&text)[33]);
