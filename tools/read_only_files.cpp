#include "tools/read_only_files.h"

#include "msgbase/factory/message_base_factory.h"
#include "msgbase/io/file_stream.h"
#include "msgbase/io/stream_hooks.h"

namespace kestrel::check {

void InstallReadOnlyFiles() {
  InstallStreamFactories();
  NewFile = [](const std::string& name, std::uint32_t mode) -> std::unique_ptr<BaseStream> {
    const std::uint32_t request = mode & 0xFF;
    // Every caller takes a missing stream as a file that cannot be made.
    if (request == kFileCreate || request == kFileCreateNew) return nullptr;
    return MakeFileStream(name, kFileOpenRead | kFileShareDenyNone);
  };
}

}  // namespace kestrel::check
