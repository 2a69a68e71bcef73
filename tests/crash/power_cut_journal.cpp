#include "tests/crash/power_cut_journal.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace kestrel::testing {

const char kTracedCalls[] =
    "openat,open,creat,read,write,lseek,ftruncate,fsync,fdatasync,close,unlink,unlinkat,mkdir,"
    "mkdirat,rename,renameat,renameat2,link,linkat,truncate,pwrite64,pread64,dup,dup2,dup3";

namespace {

namespace fs = std::filesystem;

struct Call {
  std::string name;
  std::vector<std::string> args;
  std::string result;
};

// The bytes of a string as strace prints it with -xx ("\x41\x42"), or of a
// path it prints after a descriptor ("3</a/b>").
std::string Unquote(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      bytes += text[i];
      continue;
    }
    const char kind = text[++i];
    if (kind == 'x' && i + 2 < text.size()) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else if (kind == 'n') {
      bytes += '\n';
    } else if (kind == 't') {
      bytes += '\t';
    } else {
      bytes += kind;
    }
  }
  return bytes;
}

std::string StringArgument(const std::string& arg) {
  if (arg.size() < 2 || arg.front() != '"') return "";
  return Unquote(arg.substr(1, arg.rfind('"') - 1));
}

// "3</a/b>": the descriptor and its path ("" without one).
int Descriptor(const std::string& text, std::string* path = nullptr) {
  const std::size_t open = text.find('<');
  if (path != nullptr) {
    *path =
        open == std::string::npos ? "" : Unquote(text.substr(open + 1, text.rfind('>') - open - 1));
  }
  return std::atoi(text.c_str());
}

std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> args;
  std::string current;
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      current += c;
      if (c == '\\' && i + 1 < text.size()) {
        current += text[++i];
      } else if (c == '"') {
        quoted = false;
      }
      continue;
    }
    if (c == '"') quoted = true;
    if (c == '<' || c == '[' || c == '{') ++depth;
    if (c == '>' || c == ']' || c == '}') --depth;
    if (c == ',' && depth == 0) {
      args.push_back(current);
      current.clear();
      if (i + 1 < text.size() && text[i + 1] == ' ') ++i;
      continue;
    }
    current += c;
  }
  if (!current.empty()) args.push_back(current);
  return args;
}

// One line of the log: false for lines that are no finished call.
bool ParseCall(const std::string& line, Call& call) {
  std::size_t at = 0;
  while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at])))
    ++at;
  while (at < line.size() && line[at] == ' ')
    ++at;
  const std::size_t paren = line.find('(', at);
  const std::size_t equals = line.rfind(") = ");
  if (paren == std::string::npos || equals == std::string::npos || equals < paren) return false;
  call.name = line.substr(at, paren - at);
  call.args = SplitArguments(line.substr(paren + 1, equals - paren - 1));
  call.result = line.substr(equals + 4);
  return true;
}

bool Failed(const Call& call) {
  return call.result.rfind("-1", 0) == 0 || call.result.rfind("?", 0) == 0;
}

std::string Parent(const std::string& relative) {
  const std::size_t slash = relative.rfind('/');
  return slash == std::string::npos ? "" : relative.substr(0, slash);
}

std::string BaseName(const std::string& relative) {
  const std::size_t slash = relative.rfind('/');
  return slash == std::string::npos ? relative : relative.substr(slash + 1);
}

std::string Join(const std::string& directory, const std::string& name) {
  return directory.empty() ? name : directory + "/" + name;
}

void ApplyToFile(std::string& content, std::int64_t offset, const std::string& data,
                 bool truncate) {
  const auto at = static_cast<std::size_t>(offset);
  if (truncate) {
    content.resize(at);
    return;
  }
  if (content.size() < at + data.size()) content.resize(at + data.size());
  content.replace(at, data.size(), data);
}

}  // namespace

bool PowerCutJournal::Relative(const std::string& path, std::string& relative) const {
  if (path.empty()) return false;
  std::string normal = fs::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/')
    normal.pop_back();
  for (const std::string& root : {root_, fs::weakly_canonical(root_).string()}) {
    if (normal == root) {
      relative.clear();
      return true;
    }
    if (normal.rfind(root + "/", 0) == 0) {
      relative = normal.substr(root.size() + 1);
      return true;
    }
  }
  return false;
}

std::int64_t PowerCutJournal::CurrentSize(int file) const {
  return sizes_[static_cast<std::size_t>(file)];
}

bool PowerCutJournal::Read(const std::string& before, const std::string& root,
                           const std::string& trace, std::string& error) {
  root_ = fs::path(root).lexically_normal().string();
  while (root_.size() > 1 && root_.back() == '/')
    root_.pop_back();
  initial_entries_[""];
  for (const fs::directory_entry& item : fs::recursive_directory_iterator(before)) {
    const std::string relative = fs::relative(item.path(), before).string();
    if (item.is_directory()) {
      initial_entries_[relative];
      initial_entries_[Parent(relative)][BaseName(relative)] = Entry{-1, true};
    } else {
      const int file = static_cast<int>(initial_contents_.size());
      initial_contents_.push_back(ReadWholeFile(item.path().string()));
      initial_entries_[Parent(relative)][BaseName(relative)] = Entry{file, false};
    }
  }
  entries_ = initial_entries_;
  for (const std::string& content : initial_contents_)
    sizes_.push_back(static_cast<std::int64_t>(content.size()));

  std::istringstream lines(trace);
  std::string line;
  while (std::getline(lines, line)) {
    if (!ReadLine(line, error)) return false;
  }
  return true;
}

bool PowerCutJournal::Open(const std::string& path, const std::string& flags, int fd) {
  open_.erase(fd);
  std::string relative;
  if (!Relative(path, relative)) return true;
  if (entries_.count(relative) != 0) {
    open_[fd] = OpenFile{-1, relative, 0, false};
    return true;
  }
  const std::string directory = Parent(relative);
  const std::string name = BaseName(relative);
  Entries& names = entries_[directory];
  auto found = names.find(name);
  if (found == names.end()) {
    if (flags.find("O_CREAT") == std::string::npos) return false;
    const int file = static_cast<int>(sizes_.size());
    sizes_.push_back(0);
    names[name] = Entry{file, false};
    Change change;
    change.kind = Kind::kAddName;
    change.file = file;
    change.directory = directory;
    change.name = name;
    changes_.push_back(change);
    found = names.find(name);
  }
  const int file = found->second.file;
  if (flags.find("O_TRUNC") != std::string::npos) {
    Change change;
    change.kind = Kind::kTruncate;
    change.file = file;
    changes_.push_back(change);
    sizes_[static_cast<std::size_t>(file)] = 0;
  }
  open_[fd] = OpenFile{file, "", 0, flags.find("O_APPEND") != std::string::npos};
  return true;
}

bool PowerCutJournal::ReadLine(const std::string& line, std::string& error) {
  Call call;
  if (!ParseCall(line, call) || Failed(call)) return true;
  auto tracked = [&](std::size_t arg) -> OpenFile* {
    if (call.args.size() <= arg) return nullptr;
    const auto found = open_.find(Descriptor(call.args[arg]));
    return found == open_.end() ? nullptr : &found->second;
  };
  // A path argument, made absolute against its directory descriptor (or the
  // root, the run's current directory).
  auto path_argument = [&](std::size_t dir_arg, std::size_t path_arg) {
    std::string path = StringArgument(call.args[path_arg]);
    if (!path.empty() && path[0] != '/') {
      std::string directory = root_;
      if (dir_arg < call.args.size()) Descriptor(call.args[dir_arg], &directory);
      if (directory.empty()) directory = root_;
      path = directory + "/" + path;
    }
    return path;
  };
  const std::string& name = call.name;
  if (name == "openat" || name == "open") {
    std::string path;
    const int fd = Descriptor(call.result, &path);
    const std::string& flags = call.args[name == "open" ? 1 : 2];
    if (!Open(path, flags, fd)) {
      error = "cannot follow: " + line;
      return false;
    }
  } else if (name == "close") {
    open_.erase(Descriptor(call.args[0]));
  } else if (name == "read") {
    if (OpenFile* open = tracked(0)) open->offset += std::atoll(call.result.c_str());
  } else if (name == "lseek") {
    if (OpenFile* open = tracked(0)) open->offset = std::atoll(call.result.c_str());
  } else if (name == "write") {
    OpenFile* open = tracked(0);
    if (open == nullptr || open->file < 0) return true;
    Change change;
    change.kind = Kind::kWrite;
    change.file = open->file;
    change.data = StringArgument(call.args[1]).substr(0, std::stoul(call.result));
    change.offset = open->append ? CurrentSize(open->file) : open->offset;
    open->offset = change.offset + static_cast<std::int64_t>(change.data.size());
    std::int64_t& size = sizes_[static_cast<std::size_t>(open->file)];
    size = std::max(size, open->offset);
    changes_.push_back(change);
  } else if (name == "ftruncate") {
    OpenFile* open = tracked(0);
    if (open == nullptr || open->file < 0) return true;
    Change change;
    change.kind = Kind::kTruncate;
    change.file = open->file;
    change.offset = std::atoll(call.args[1].c_str());
    sizes_[static_cast<std::size_t>(open->file)] = change.offset;
    changes_.push_back(change);
  } else if (name == "fsync" || name == "fdatasync") {
    OpenFile* open = tracked(0);
    if (open == nullptr) return true;
    Change change;
    change.kind = open->file < 0 ? Kind::kSyncDir : Kind::kSyncFile;
    change.file = open->file;
    change.directory = open->directory;
    changes_.push_back(change);
  } else if (name == "unlink" || name == "unlinkat" || name == "mkdir" || name == "mkdirat") {
    const bool at = name.back() == 't';
    std::string relative;
    if (!Relative(path_argument(at ? 0 : 99, at ? 1 : 0), relative)) return true;
    Change change;
    change.kind = name[0] == 'u' ? Kind::kRemoveName : Kind::kAddName;
    change.directory = Parent(relative);
    change.name = BaseName(relative);
    if (change.kind == Kind::kAddName) {
      change.names_directory = true;
      entries_[relative];
      entries_[change.directory][change.name] = Entry{-1, true};
    } else {
      if (at && call.args.size() > 2 && call.args[2].find("AT_REMOVEDIR") != std::string::npos) {
        error = "cannot follow: " + line;
        return false;
      }
      entries_[change.directory].erase(change.name);
    }
    changes_.push_back(change);
  } else if (line.find(root_) != std::string::npos || tracked(0) != nullptr) {
    // A rename, link, positioned write or duplicate under the root: the
    // journal does not model it, so it cannot tell what a cut leaves.
    error = "cannot follow: " + line;
    return false;
  }
  return true;
}

std::size_t PowerCutJournal::syncs() const {
  std::size_t count = 0;
  for (const Change& change : changes_) {
    if (change.kind == Kind::kSyncFile || change.kind == Kind::kSyncDir) ++count;
  }
  return count;
}

void PowerCutJournal::WriteCutState(std::size_t cut, Keep keep, std::mt19937& random,
                                    const std::string& target) const {
  std::vector<std::string> contents = initial_contents_;
  contents.resize(sizes_.size());
  std::vector<std::string> durable = contents;
  std::map<std::string, Entries> names = initial_entries_;
  std::map<std::string, Entries> durable_names = names;
  std::map<int, std::vector<const Change*>> file_pending;
  std::map<std::string, std::vector<const Change*>> directory_pending;

  for (std::size_t i = 0; i < cut && i < changes_.size(); ++i) {
    const Change& change = changes_[i];
    const auto file = static_cast<std::size_t>(change.file);
    switch (change.kind) {
      case Kind::kWrite:
      case Kind::kTruncate:
        ApplyToFile(contents[file], change.offset, change.data, change.kind == Kind::kTruncate);
        file_pending[change.file].push_back(&change);
        break;
      case Kind::kAddName:
        names[change.directory][change.name] = Entry{change.file, change.names_directory};
        directory_pending[change.directory].push_back(&change);
        break;
      case Kind::kRemoveName:
        names[change.directory].erase(change.name);
        directory_pending[change.directory].push_back(&change);
        break;
      case Kind::kSyncFile:
        durable[file] = contents[file];
        file_pending.erase(change.file);
        break;
      case Kind::kSyncDir:
        durable_names[change.directory] = names[change.directory];
        directory_pending.erase(change.directory);
        break;
    }
  }

  // Of what was not synced, each file and each directory keeps a first part.
  auto kept = [&](std::size_t pending) -> std::size_t {
    if (keep == Keep::kNothing || pending == 0) return 0;
    return std::uniform_int_distribution<std::size_t>(0, pending)(random);
  };
  for (const auto& [file, pending] : file_pending) {
    std::string& content = durable[static_cast<std::size_t>(file)];
    const std::size_t count = kept(pending.size());
    for (std::size_t i = 0; i < count; ++i)
      ApplyToFile(content, pending[i]->offset, pending[i]->data,
                  pending[i]->kind == Kind::kTruncate);
  }
  for (const auto& [directory, pending] : directory_pending) {
    Entries& entries = durable_names[directory];
    const std::size_t count = kept(pending.size());
    for (std::size_t i = 0; i < count; ++i) {
      if (pending[i]->kind == Kind::kAddName) {
        entries[pending[i]->name] = Entry{pending[i]->file, pending[i]->names_directory};
      } else {
        entries.erase(pending[i]->name);
      }
    }
  }

  // What the disk holds: the tree of names reachable from the root.
  std::vector<std::string> directories = {""};
  while (!directories.empty()) {
    const std::string directory = directories.back();
    directories.pop_back();
    fs::create_directories(fs::path(target) / directory);
    for (const auto& [name, entry] : durable_names[directory]) {
      const std::string relative = Join(directory, name);
      if (entry.is_directory) {
        directories.push_back(relative);
      } else {
        WriteWholeFile((fs::path(target) / relative).string(),
                       durable[static_cast<std::size_t>(entry.file)]);
      }
    }
  }
}

}  // namespace kestrel::testing
