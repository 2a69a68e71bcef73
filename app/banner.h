// The banner written at start-up.
#pragma once

#include <string>

namespace kestrel {

// "Kestrel/WIN32 1.08b4, " + the maker's notice + " 15.06.2000."
std::string BannerLine();

// Writes the banner line and an empty line to the console.
void WriteBanner();

}  // namespace kestrel
