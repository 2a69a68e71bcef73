// Opening a message area by its identifier, and the library's set-up.
//
// An area identifier is a type letter followed by the path: "M", "F" or "*"
// for a *.MSG directory, "S" for a Squish base, "J" for a JAM base (either
// case). The factory constructs the object of that format and opens the base,
// or creates it.
//
// BaseResult: the factory's outcome is kept in one process-wide variable,
// `BaseResult`. Every factory call sets it to BaseResultUnknownArea (256)
// first and then to its outcome: the format's `LastError` when a base cannot
// be opened or created, BaseResultCannotOpen (257) when a base exists but
// cannot be opened. A successful call leaves it at 256: only a failure
// reports a code of its own. It keeps its value until the next factory call.
// Nothing in the mover reads it; the boolean results are what count.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "msgbase/message_base.h"

namespace kestrel {

enum AreaKind : std::uint8_t {
  KindJam = 0,
  KindMsgDir = 1,
  KindSquish = 2,
  KindUnknown = 3,
};

// Codes of the factory itself, reported only through BaseResult.
inline constexpr std::int32_t BaseResultUnknownArea = 256;  // empty id, unknown letter
inline constexpr std::int32_t BaseResultCannotOpen = 257;   // exists, cannot be opened

extern std::int32_t BaseResult;

// Splits an identifier: the kind from its first character and the path
// after it (nothing else is trimmed). An unknown letter gives KindUnknown
// and the whole id as path; an empty id gives KindUnknown and leaves path
// as it was.
void ParseAreaId(const std::string& id, AreaKind& kind, std::string& path);

// Constructs (does not open) the object for id. False, with base null, for
// an empty id, an unknown type letter or a format this program lacks.
bool NewBaseForArea(const std::string& id, std::unique_ptr<MessageBase>& base);

// Constructs and opens an existing base. On failure base is null and
// BaseResult holds the reason.
bool OpenBase(const std::string& id, std::unique_ptr<MessageBase>& base);

// Constructs and opens the base, creating it when it does not exist. On a
// failure after construction the unopened object stays in base for the
// caller to release (CloseBase).
bool OpenOrCreateBase(const std::string& id, std::unique_ptr<MessageBase>& base);

// Closes and disposes the base. False when base is null.
bool CloseBase(std::unique_ptr<MessageBase>& base);

// Disposes the base without closing it. False when base is null.
bool DisposeBase(std::unique_ptr<MessageBase>& base);

// Installs the file, memory-stream and directory-search factories of the
// file layer into its hooks. Called once at start-up, before any base is
// opened.
void InstallStreamFactories();

// Constructs the unopened object of one kind; null for a kind this program
// does not build.
using BaseConstructor = std::function<std::unique_ptr<MessageBase>(AreaKind kind)>;

// Replaces the constructors of the formats, for tests that stand in a format
// of their own. An empty function restores the built-in constructors.
void SetBaseConstructorOverride(BaseConstructor constructor);

}  // namespace kestrel
