#pragma once

#include "macros/MacroMap.h"

// The product's name, as the product macros and the system macro
// descriptions give it.
inline constexpr const char* ProductName = "Tovrin";

// The process-wide product macros (ide, ide_branding, ... host), built on
// first use and never changed afterwards.
const MacroMap& productMacros();
