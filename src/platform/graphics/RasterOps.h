#pragma once

#include <cstdint>

// Raster operations of BitBlt and CopyRect, shared by the canvas and the PDF writer's GDI emulation.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t SRCINVERT = 0x00660046;
constexpr std::uint32_t PATCOPY = 0x00F00021;
constexpr std::uint32_t BLACKNESS = 0x00000042;
constexpr std::uint32_t WHITENESS = 0x00FF0062;
