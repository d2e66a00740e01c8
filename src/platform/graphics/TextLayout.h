#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// DrawText's format flags, as Windows numbers them.
constexpr unsigned DT_TOP = 0x0000;
constexpr unsigned DT_LEFT = 0x0000;
constexpr unsigned DT_CENTER = 0x0001;
constexpr unsigned DT_RIGHT = 0x0002;
constexpr unsigned DT_VCENTER = 0x0004;
constexpr unsigned DT_WORDBREAK = 0x0010;
constexpr unsigned DT_SINGLELINE = 0x0020;
constexpr unsigned DT_CALCRECT = 0x0400;
constexpr unsigned DT_EDITCONTROL = 0x2000;

// The width of a text in pixels.
using TTextMeasure = std::function<int(std::string_view)>;

// The lines DrawText shows: CR LF, LF or CR end a line unless DT_SINGLELINE; with DT_WORDBREAK a
// line also ends before a word that would pass `width`, the blanks at the break being dropped. A
// word wider than the whole line stays whole, except with DT_EDITCONTROL, which breaks it between
// characters as an edit control does.
std::vector<std::string> BreakLines(std::string_view text, int width, unsigned format, const TTextMeasure& measure);

// Where a tab at x moves to: the first stop beyond x, counted from `origin`. No stops give one every
// `defaultInterval` pixels; one stop gives one every that many pixels; several are used as listed,
// and past the last one a tab moves nothing.
int NextTabStop(int x, std::span<const int> stops, int origin, int defaultInterval);
