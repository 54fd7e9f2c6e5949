// Registry values set for the life of a test object, and put back afterwards.
#include <utility>

#include "base/handles_win.h"
#include "tests/driver/driver_win.h"

namespace tallivo::test {
namespace {

using Key = UniqueRegistryKey;

}  // namespace

ScopedRegistryValue ScopedRegistryValue::Dword(HKEY root, std::wstring path, std::wstring name, DWORD value) {
  const auto* bytes = reinterpret_cast<const BYTE*>(&value);
  return ScopedRegistryValue(root, std::move(path), std::move(name), REG_DWORD,
                             std::vector<BYTE>(bytes, bytes + sizeof(value)));
}

ScopedRegistryValue ScopedRegistryValue::String(HKEY root, std::wstring path, std::wstring name,
                                                const std::wstring& value) {
  const auto* bytes = reinterpret_cast<const BYTE*>(value.c_str());
  return ScopedRegistryValue(root, std::move(path), std::move(name), REG_SZ,
                             std::vector<BYTE>(bytes, bytes + (value.size() + 1) * sizeof(wchar_t)));
}

ScopedRegistryValue::ScopedRegistryValue(HKEY root, std::wstring path, std::wstring name, DWORD type,
                                         const std::vector<BYTE>& data)
    : root_(root), path_(std::move(path)), name_(std::move(name)) {
  // Level by level, so the outermost key this object creates is known and can go again.
  Key key;
  for (std::size_t end = 0; end != std::wstring::npos;) {
    end = path_.find(L'\\', end + 1);
    const std::wstring level = path_.substr(0, end);
    HKEY raw = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root_, level.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &raw,
                        &disposition) != ERROR_SUCCESS) {
      return;
    }
    key.Reset(raw);
    if (disposition == REG_CREATED_NEW_KEY && created_.empty()) created_ = level;
  }
  DWORD oldType = 0;
  DWORD size = 0;
  const wchar_t* value = name_.empty() ? nullptr : name_.c_str();
  if (created_.empty() &&
      RegQueryValueExW(key.Get(), value, nullptr, &oldType, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<BYTE> old(size);
    if (RegQueryValueExW(key.Get(), value, nullptr, &oldType, old.data(), &size) != ERROR_SUCCESS) return;
    old.resize(size);
    previous_ = Previous{oldType, std::move(old)};
  }
  changing_ = true;
  set_ = RegSetValueExW(key.Get(), value, 0, type, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

ScopedRegistryValue::ScopedRegistryValue(ScopedRegistryValue&& other) noexcept
    : root_(other.root_),
      path_(std::move(other.path_)),
      name_(std::move(other.name_)),
      created_(std::move(other.created_)),
      previous_(std::move(other.previous_)),
      changing_(std::exchange(other.changing_, false)),
      set_(std::exchange(other.set_, false)) {
  other.created_.clear();
}

ScopedRegistryValue::~ScopedRegistryValue() {
  if (!created_.empty()) {
    RegDeleteTreeW(root_, created_.c_str());
    return;
  }
  if (!changing_) return;
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_WRITE, &raw) != ERROR_SUCCESS) return;
  const Key key(raw);
  const wchar_t* value = name_.empty() ? nullptr : name_.c_str();
  if (previous_) {
    RegSetValueExW(key.Get(), value, 0, previous_->type, previous_->data.data(),
                   static_cast<DWORD>(previous_->data.size()));
  } else {
    RegDeleteValueW(key.Get(), value);
  }
}

}  // namespace tallivo::test
