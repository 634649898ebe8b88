// The libraries a front end is built with, as Help > About lists them. Each
// platform's build picks its own about_libraries_*.cpp: what a program links,
// and how, differs between the Linux and the Windows build.
#pragma once

#include <string_view>

namespace tarn {

std::u16string_view AboutLibraries();

}  // namespace tarn
