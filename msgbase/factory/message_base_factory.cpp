#include "msgbase/factory/message_base_factory.h"

#include <utility>

#include "msgbase/jam/jam_base.h"
#include "msgbase/msgdir/msgdir_base.h"
#include "msgbase/squish/squish_base.h"
#include "msgbase/io/stream_hooks.h"

namespace kestrel {

std::int32_t BaseResult = 0;

namespace {

BaseConstructor& ConstructorOverride() {
  static BaseConstructor override_constructor;
  return override_constructor;
}

// The one place where each format's object is constructed. A kind whose
// format is not part of this program yields no object, and the factory
// reports the identifier as unusable.
std::unique_ptr<MessageBase> ConstructBase(AreaKind kind) {
  if (ConstructorOverride()) return ConstructorOverride()(kind);
  switch (kind) {
    case KindMsgDir:
      return std::make_unique<MsgDirBase>();
    case KindSquish:
      return std::make_unique<SquishBase>();
    case KindJam:
      return std::make_unique<JamBase>();
    case KindUnknown:
      break;
  }
  return nullptr;
}

}  // namespace

void ParseAreaId(const std::string& id, AreaKind& kind, std::string& path) {
  if (id.empty()) {
    kind = KindUnknown;
    return;
  }
  switch (id[0]) {
    case 'F':
    case 'f':
    case 'M':
    case 'm':
    case '*':
      kind = KindMsgDir;
      break;
    case 'J':
    case 'j':
      kind = KindJam;
      break;
    case 'S':
    case 's':
      kind = KindSquish;
      break;
    default:
      kind = KindUnknown;
      path = id;
      return;
  }
  path = id.substr(1);
}

bool NewBaseForArea(const std::string& id, std::unique_ptr<MessageBase>& base) {
  base.reset();
  BaseResult = BaseResultUnknownArea;
  if (id.empty()) return false;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(id, kind, path);
  if (kind == KindUnknown) return false;
  base = ConstructBase(kind);
  return base != nullptr;
}

bool OpenBase(const std::string& id, std::unique_ptr<MessageBase>& base) {
  if (!NewBaseForArea(id, base)) return false;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(id, kind, path);
  if (base->OpenMsgBase(path)) return true;
  BaseResult = base->GetLastError();
  DisposeBase(base);
  return false;
}

bool OpenOrCreateBase(const std::string& id, std::unique_ptr<MessageBase>& base) {
  if (!NewBaseForArea(id, base)) return false;
  AreaKind kind = KindUnknown;
  std::string path;
  ParseAreaId(id, kind, path);
  if (base->OpenMsgBase(path)) return true;
  if (base->MsgBaseExists(path)) {
    BaseResult = BaseResultCannotOpen;
    return false;
  }
  if (base->CreateMsgBase(path)) return true;
  BaseResult = base->GetLastError();
  return false;
}

bool CloseBase(std::unique_ptr<MessageBase>& base) {
  if (!base) return false;
  base->CloseMsgBase();
  DisposeBase(base);
  return true;
}

bool DisposeBase(std::unique_ptr<MessageBase>& base) {
  const bool had_base = base != nullptr;
  base.reset();
  return had_base;
}

void InstallStreamFactories() {
  NewFile = [](const std::string& name, std::uint32_t mode) -> std::unique_ptr<BaseStream> {
    return MakeFileStream(name, mode);
  };
  NewMemStream = [](std::int32_t size_hint) -> std::unique_ptr<BaseStream> {
    return MakeMemStream(size_hint);
  };
  NewDirSearch = [] { return MakeDirSearch(); };
}

void SetBaseConstructorOverride(BaseConstructor constructor) {
  ConstructorOverride() = std::move(constructor);
}

}  // namespace kestrel
