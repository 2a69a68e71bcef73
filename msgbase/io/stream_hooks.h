// The library-wide hooks through which the formats get every file stream,
// memory stream and directory search, and the concrete factories that the
// application installs in them at start-up.
//
// The three factory hooks start out empty: calling one before the factories
// are installed is run-time failure 217, as any operation that an object does
// not provide. OnStreamInit and OnStreamDone start out doing nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "msgbase/io/base_stream.h"
#include "msgbase/io/dir_search.h"
#include "msgbase/io/file_stream.h"
#include "msgbase/io/mem_stream.h"
#include "msgbase/io/run_time_error.h"

namespace kestrel {

// A replaceable factory function that must be installed before use.
template <typename Signature>
class FactoryHook;

template <typename Result, typename... Args>
class FactoryHook<Result(Args...)> {
 public:
  using Function = std::function<Result(Args...)>;

  // Installs a factory; an empty function (or nullptr) empties the hook.
  FactoryHook& operator=(Function function) {
    function_ = std::move(function);
    return *this;
  }

  bool Installed() const { return static_cast<bool>(function_); }

  // Calls the installed factory; run-time failure 217, reported at the
  // caller's place, when there is none.
  Result operator()(Args... args, SourceLocation where = SourceLocation::current()) const {
    if (!function_) RaiseRunTimeError(kFailureAbstractCall, where);
    return function_(std::forward<Args>(args)...);
  }

 private:
  Function function_;
};

// Makes a file stream for a name and a mode word (see file_stream.h).
using NewFileSignature = std::unique_ptr<BaseStream>(const std::string& name, std::uint32_t mode);
// Makes an empty memory stream; the size hint is not used.
using NewMemStreamSignature = std::unique_ptr<BaseStream>(std::int32_t size_hint);
// Makes a directory search.
using NewDirSearchSignature = std::unique_ptr<DirSearch>();

extern FactoryHook<NewFileSignature> NewFile;
extern FactoryHook<NewMemStreamSignature> NewMemStream;
extern FactoryHook<NewDirSearchSignature> NewDirSearch;

// Called by every stream when it is made and when it goes away.
extern std::function<void(BaseStream& stream, std::uint32_t mode, const std::string& name)>
    OnStreamInit;
extern std::function<void(BaseStream& stream)> OnStreamDone;

// The concrete factories. MakeFileStream yields no object for a mode word
// whose low byte names no request; otherwise the caller tests Status().
std::unique_ptr<FileStream> MakeFileStream(const std::string& name, std::uint32_t mode);
std::unique_ptr<MemStream> MakeMemStream(std::int32_t size_hint);
std::unique_ptr<DirSearch> MakeDirSearch();

}  // namespace kestrel
