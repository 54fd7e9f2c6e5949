#include "versioninfo/version_info_win.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <stdexcept>

#include "ui/application_win.h"
#include "ui/text_win.h"

namespace tallivo {
namespace {

ui::PropInfo LinkProperty(std::string name, int index) {
  return ui::ComponentProperty<TVersionInfo>(
      std::move(name), [index](const TVersionInfo& v) { return v.GetCtl(index); },
      [index](TVersionInfo& v, ui::TWinControl* control) { v.SetCtl(index, control); });
}

// Writes into the first published string setting of the two the control has.
void WriteLinkedText(ui::TWinControl& control, const std::string& value) {
  for (const char* name : {"Caption", "Text"}) {
    const ui::PropInfo* p = control.Class().FindProperty(name);
    if (p && p->kind == ui::PropKind::String && p->set) {
      p->set(control, ui::PropValue(value));
      return;
    }
  }
}

struct ComponentFree {
  void operator()(ui::TComponent* c) const { ui::Free(c); }
};

std::string ReadVersionString(const std::string& path, int index) noexcept {
  try {
    const std::unique_ptr<TVersionInfo, ComponentFree> info(new TVersionInfo(&ui::Application()));
    info->SetFileName(path);
    return info->QueryStringByIndex(index);
  } catch (...) {
    return {};
  }
}

}  // namespace

TVersionInfo::TVersionInfo(ui::TComponent* owner) : TComponent(owner) {
  LoadVersionResource(fileName_);
}

TVersionInfo::~TVersionInfo() = default;

const ui::ClassInfo& TVersionInfo::StaticClass() {
  static const ui::ClassInfo info("TVersionInfo", &TComponent::StaticClass(), &ui::Construct<TVersionInfo>,
                                  {
                                      LinkProperty("CtlCompanyName", 1),
                                      LinkProperty("CtlFileDescription", 2),
                                      LinkProperty("CtlFileVersion", 3),
                                      LinkProperty("CtlInternalName", 4),
                                      LinkProperty("CtlLegalCopyRight", 5),
                                      LinkProperty("CtlOriginalFileName", 6),
                                      LinkProperty("CtlProductName", 7),
                                      LinkProperty("CtlProductVersion", 8),
                                  });
  return info;
}

void TVersionInfo::SetFileName(const std::string& fileName) {
  fileName_ = fileName.empty() ? ui::Application().ExeName() : fileName;
  LoadVersionResource(fileName);
}

void TVersionInfo::LoadVersionResource(const std::string& fileName) {
  block_.clear();
  size_ = 0;
  translation_.reset();
  const std::wstring path = ui::Widen(fileName.empty() ? ui::Application().ExeName() : fileName);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  size_ = size > static_cast<DWORD>(INT32_MAX) ? 0 : static_cast<std::int32_t>(size);
  if (size_ <= 0) return;
  block_.resize(static_cast<std::size_t>(size_));
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block_.data())) {
    throw std::runtime_error("Cannot retrieve Version Information for " + ui::Narrow(path));
  }
  void* entry = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block_.data(), L"\\VarFileInfo\\Translation", &entry, &length) && entry &&
      length >= sizeof(std::uint32_t)) {
    std::uint32_t first = 0;
    std::memcpy(&first, entry, sizeof(first));
    translation_ = TranslationFromEntry(first);
  }
  UpdateLinkedControls();
}

std::string TVersionInfo::QueryString(std::string_view key) const {
  if (size_ <= 0 || !translation_) return {};
  const std::wstring path = ui::Widen(StringFileInfoPath(*translation_, key));
  void* value = nullptr;
  UINT length = 0;
  // VerQueryValueW does not write to the block; the const_cast only suits its signature.
  if (!VerQueryValueW(const_cast<std::uint8_t*>(block_.data()), path.c_str(), &value, &length) || !value)
    return {};
  std::wstring_view text(static_cast<const wchar_t*>(value), length);
  text = text.substr(0, text.find(L'\0'));
  return ui::Narrow(text);
}

std::string TVersionInfo::QueryStringByIndex(int index) const {
  const std::string_view key = VersionKey(index);
  return key.empty() ? std::string() : QueryString(key);
}

void TVersionInfo::UpdateLinkedControls() {
  for (int index = 1; index <= static_cast<int>(links_.size()); ++index) {
    const std::string value = QueryStringByIndex(index);
    if (ui::TWinControl* control = GetCtl(index)) WriteLinkedText(*control, value);
  }
}

ui::TWinControl* TVersionInfo::GetCtl(int index) const {
  if (index < 1 || index > static_cast<int>(links_.size())) return nullptr;
  return links_[static_cast<std::size_t>(index - 1)];
}

void TVersionInfo::SetCtl(int index, ui::TWinControl* control) {
  if (index < 1 || index > static_cast<int>(links_.size())) return;
  links_[static_cast<std::size_t>(index - 1)] = control;
  // Told when the control goes away, so no link dangles.
  if (control) control->FreeNotification(this);
  UpdateLinkedControls();
}

void TVersionInfo::Notification(ui::TComponent* component, ui::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != ui::TOperation::opRemove) return;
  for (auto& link : links_) {
    if (link == component) link = nullptr;
  }
}

std::string GetFileVersionString(const std::string& path) {
  return ReadVersionString(path, kFileVersionIndex);
}

std::string GetLegalCopyrightString(const std::string& path) {
  return ReadVersionString(path, kLegalCopyrightIndex);
}

std::string GetExeVersionString() {
  return ReadVersionString(ui::Application().ExeName(), kFileVersionIndex);
}

}  // namespace tallivo
