// Reads the string values of a file's version resource (by default the
// running executable's) and can copy them into up to eight linked controls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/control_win.h"
#include "versioninfo/version_keys.h"

namespace tallivo {

class TVersionInfo : public ui::TComponent {
 public:
  // Reads the running executable's version data; throws std::runtime_error
  // when the system reports a resource it then cannot read.
  explicit TVersionInfo(ui::TComponent* owner);
  ~TVersionInfo() override;

  static const ui::ClassInfo& StaticClass();
  const ui::ClassInfo& Class() const override { return StaticClass(); }

  // The file whose version data is held (a full path once set).
  const std::string& FileName() const { return fileName_; }
  // Sets the file (empty: the running executable) and loads its data; may
  // throw as the constructor does.
  void SetFileName(const std::string& fileName);

  // Replaces the held data with that of `fileName` (empty: the running
  // executable) and refreshes the linked controls. A file without a version
  // resource leaves no data, which is no error.
  void LoadVersionResource(const std::string& fileName);

  // The key's value in the first translation's string block; empty when the
  // key, the block or the data is missing. Keys match regardless of case.
  std::string QueryString(std::string_view key) const;
  // QueryString of kVersionKeys' entry `index` (1 to 8); empty otherwise.
  std::string QueryStringByIndex(int index) const;

  // Writes each key's value into the Caption (else Text) of its linked control.
  void UpdateLinkedControls();

  // The control linked to key `index` (1 to 8); nullptr for any other index.
  ui::TWinControl* GetCtl(int index) const;
  // Links `control` (or nothing) to key `index`, then refreshes the links.
  void SetCtl(int index, ui::TWinControl* control);

  // The published links, one a key of kVersionKeys, in its order.
  ui::TWinControl* CtlCompanyName() const { return GetCtl(1); }
  ui::TWinControl* CtlFileDescription() const { return GetCtl(2); }
  ui::TWinControl* CtlFileVersion() const { return GetCtl(3); }
  ui::TWinControl* CtlInternalName() const { return GetCtl(4); }
  ui::TWinControl* CtlLegalCopyRight() const { return GetCtl(5); }
  ui::TWinControl* CtlOriginalFileName() const { return GetCtl(6); }
  ui::TWinControl* CtlProductName() const { return GetCtl(7); }
  ui::TWinControl* CtlProductVersion() const { return GetCtl(8); }

 protected:
  void Notification(ui::TComponent* component, ui::TOperation operation) override;

 private:
  std::string fileName_;
  std::vector<std::uint8_t> block_;
  // Bytes the system reported for the block; 0 or less: no data held.
  std::int32_t size_ = 0;
  // The first \VarFileInfo\Translation entry; none when the resource has none.
  std::optional<VersionTranslation> translation_;
  std::array<ui::TWinControl*, kVersionKeys.size()> links_{};
};

// The file's FileVersion string, or empty on any failure; never throws.
std::string GetFileVersionString(const std::string& path);
// The file's LegalCopyright string, or empty on any failure; never throws.
std::string GetLegalCopyrightString(const std::string& path);
// The running executable's FileVersion string, or empty on any failure.
std::string GetExeVersionString();

}  // namespace tallivo
