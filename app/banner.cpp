#include "app/banner.h"

#include "app/version.h"
#include "platform/console.h"

namespace kestrel {

std::string BannerLine() {
  return std::string(kProgramTag) + ", " + std::string(kMakerNotice) + " " +
         std::string(kReleaseDate);
}

void WriteBanner() {
  platform::ConsoleWriteLine(BannerLine());
  platform::ConsoleWriteLine("");
}

}  // namespace kestrel
