#include "msgbase/io/stream_hooks.h"

namespace kestrel {

FactoryHook<NewFileSignature> NewFile;
FactoryHook<NewMemStreamSignature> NewMemStream;
FactoryHook<NewDirSearchSignature> NewDirSearch;

std::function<void(BaseStream&, std::uint32_t, const std::string&)> OnStreamInit =
    [](BaseStream&, std::uint32_t, const std::string&) {};
std::function<void(BaseStream&)> OnStreamDone = [](BaseStream&) {};

std::unique_ptr<FileStream> MakeFileStream(const std::string& name, std::uint32_t mode) {
  if (!FileStream::IsValidMode(mode)) return nullptr;
  return std::make_unique<FileStream>(name, mode);
}

std::unique_ptr<MemStream> MakeMemStream(std::int32_t /*size_hint*/) {
  return std::make_unique<MemStream>();
}

std::unique_ptr<DirSearch> MakeDirSearch() {
  return std::make_unique<DirSearch>();
}

}  // namespace kestrel
