// The plug-in's name and version as the IDE's splash window shows it.
#pragma once

namespace toravex {

inline constexpr char kVersionText[] = "Toravex 2.35";

}  // namespace toravex
