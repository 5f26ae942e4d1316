#pragma once
// The registry's rules that every backend keeps the same way, written once: key
// paths, name lengths and letter case, the predefined roots, text terminators and how
// a value's bytes are handed out.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::platform {

inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// HKEY_CLASSES_ROOT .. HKEY_CURRENT_CONFIG. HKEY_DYN_DATA (0x80000006) existed only on
// Windows 9x, which no build of ours runs on (Windows answers it with an invalid
// handle), so it is no root in any store.
inline constexpr RegKey kFirstPredefinedRoot = 0x80000000u;
inline constexpr RegKey kLastPredefinedRoot = 0x80000005u;
inline constexpr bool IsPredefinedRoot(RegKey key) {
    return key >= kFirstPredefinedRoot && key <= kLastPredefinedRoot;
}

// Splits a key path into its components for the stores that keep keys themselves.
// An empty component (a backslash at either end, or doubled) would let two spellings
// name one key, or make a key with no name: it is refused, as is a component longer
// than a key name may be. An empty path names the key itself (no components).
std::int32_t SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts);

// Key and value names ignore the letter case of ASCII letters; other bytes compare
// exactly.
std::string FoldName(std::string_view name);
bool SameName(std::string_view a, std::string_view b);

// Text (REG_SZ, REG_EXPAND_SZ) is kept with exactly one terminator at its end,
// whether or not the writer gave one.
void TerminateText(std::uint32_t type, std::vector<std::uint8_t>& bytes);

// Hands a stored value's bytes to a caller as RegQueryValueExA does: `size` nullptr
// asks for nothing; `data` nullptr asks for the size only; a buffer smaller than the
// value gives kErrorMoreData and the size it needs, and nothing is copied.
std::int32_t CopyOutData(std::span<const std::uint8_t> stored, std::uint8_t* data,
                         std::uint32_t* size);
// The same rule for a store that reads the bytes itself: reports the size as asked and
// sets `copy` when the caller wants the bytes and they fit.
std::int32_t SizeOut(std::uint32_t storedSize, const std::uint8_t* data, std::uint32_t* size,
                     bool& copy);
// Hands a value's name to RegEnumValueA's caller: `nameLen` is the buffer's size in
// characters with room for the NUL on entry and the name's length on return. A name
// that does not fit with its NUL gives kErrorMoreData and is not delivered.
std::int32_t CopyOutName(std::string_view stored, char* name, std::uint32_t* nameLen);

}  // namespace quorvel::platform
