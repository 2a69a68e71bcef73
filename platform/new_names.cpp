#include "platform/new_names.h"

#include <map>
#include <mutex>

namespace kestrel::platform {
namespace {

std::mutex& NewNamesLock() {
  static std::mutex lock;
  return lock;
}

std::map<FileHandle, std::string>& NewNames() {
  static std::map<FileHandle, std::string> names;
  return names;
}

}  // namespace

bool SyncsEnabled() {
#ifdef KESTREL_NO_SYNC
  return false;
#else
  return true;
#endif
}

void NoteNewName(FileHandle handle, const std::string& directory) {
  if (!SyncsEnabled()) return;
  const std::lock_guard<std::mutex> guard(NewNamesLock());
  NewNames()[handle] = directory;
}

void ForgetNewName(FileHandle handle) {
  if (!SyncsEnabled()) return;
  const std::lock_guard<std::mutex> guard(NewNamesLock());
  NewNames().erase(handle);
}

bool PendingDirectoryOf(FileHandle handle, std::string& directory) {
  const std::lock_guard<std::mutex> guard(NewNamesLock());
  const auto found = NewNames().find(handle);
  if (found == NewNames().end()) return false;
  directory = found->second;
  return true;
}

}  // namespace kestrel::platform
