#pragma once

#include <cstddef>
#include <cstdint>

// Copies `pixels` pixels of three bytes with the first and third byte of each exchanged: blue,
// green, red rows (the bitmap's) into red, green, blue ones (most files') and back. The two rows
// must not overlap.
void ExchangeRedBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels);
// Copies `pixels` pixels of four bytes, blue, green, red and an unused one (a 32-bit bitmap's rows),
// into pixels of three bytes, red, green, blue. The two rows must not overlap.
void PackRedGreenBlue(const std::uint8_t* from, std::uint8_t* to, std::size_t pixels);
