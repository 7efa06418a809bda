#pragma once
// The one naming rule for the temporary file a save writes beside its target
// before renaming it into place: "." + target name + "." + random + ".tmp".
// The writers (the ZIP engine, the card file, the safe file writes) make
// their names with it, and the cleanup of what a killed save left recognises
// them with it, also when a temporary file is itself the target of a write
// (the engine's file beside the card file's temporary archive). Standard C++
// only: the engine libraries use it too.

#include <string>
#include <string_view>

namespace qel {

inline constexpr std::string_view kTempNameEnd = ".tmp";

// The temporary name beside `fileName` (a name, not a path); `random` holds
// no '.' or '/'.
inline std::string TempNameBeside(std::string_view fileName, std::string_view random) {
  std::string name;
  name.reserve(fileName.size() + random.size() + 6);
  name += '.';
  name += fileName;
  name += '.';
  name += random;
  name += kTempNameEnd;
  return name;
}

// Whether `name` is a temporary file of a write of `fileName`, directly or
// through a temporary file of one.
inline bool IsTempNameOf(std::string_view name, std::string_view fileName) {
  while (name.size() > 1 + kTempNameEnd.size() && name.front() == '.' &&
         name.substr(name.size() - kTempNameEnd.size()) == kTempNameEnd) {
    const std::string_view inner = name.substr(1, name.size() - 1 - kTempNameEnd.size());
    const std::size_t dot = inner.rfind('.');
    if (dot == std::string_view::npos || dot + 1 == inner.size()) return false;
    const std::string_view owner = inner.substr(0, dot);
    if (owner == fileName) return true;
    name = owner;
  }
  return false;
}

} // namespace qel
