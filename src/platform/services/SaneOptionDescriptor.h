#pragma once

#include "platform/services/ScannerBackend.h"

#include <sane/sane.h>

#include <string>

// What a SANE backend says about its options, checked before it is believed.

// Bounds on what a backend describes; beyond them a descriptor is not believed.
inline constexpr int MaxOptionSize = 64 * 1024;
inline constexpr int MaxListLength = 4096;

// A backend's text up to its end, empty when none ends within the bounds.
std::string BoundedText(const char* text);
// True when the descriptor's type, size and constraint can be used as they stand.
bool Believable(const SANE_Option_Descriptor& descriptor);
// False for buttons and groups, which are no values to get or set.
bool HoldsValue(const SANE_Option_Descriptor& descriptor);
// The option as the program knows it; only of a believable descriptor.
ScanOption Describe(const SANE_Option_Descriptor& descriptor);
