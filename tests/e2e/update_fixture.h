// An installed copy of the released Tallivo.exe in a folder of its own, and
// an update server: the nginx of tests/server, reached through the proxy
// setting of this Wine prefix, so the program's own server name resolves to
// it unchanged. The server's folder upd/Tallivo/ is what the maker publishes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/handles_win.h"
#include "tests/driver/driver_win.h"

namespace tallivo::test {

// The addresses Tallivo's updater is built with.
inline constexpr char kPublishedInfoURL[] = "http://updates.tallivo.example/upd/Tallivo/Tallivo.inf";
inline constexpr char kPublishedProgramURL[] = "http://updates.tallivo.example/upd/Tallivo/Tallivo.exe";

// An update takes a download, two processes ending and one starting.
inline constexpr Timeout kUpdateTimeout{90000};

// "a.b.c.d" from the fixed numbers of a file's version resource; empty without one.
std::string FileVersionOf(const std::filesystem::path& file);
// The "FileVersion" text of a file's version resource, in its first language; empty without one.
std::string FileVersionTextOf(const std::filesystem::path& file);
// The whole contents of a file; nullopt when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& file);
// Ids of the running processes started from `program`.
std::vector<DWORD> ProcessesOf(const std::filesystem::path& program);
// The arguments a process was started with, after its program's name, as the
// C runtime splits them; nullopt when they cannot be read.
std::optional<std::vector<std::string>> ArgumentsOf(HANDLE process);

class UpdateTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes `text` as the published information file.
  void PublishInfoFile(const std::string& text);
  // Publishes the program one version up (bin/next/Tallivo.exe).
  void PublishNextProgram();
  // Installs the released program built with the tests' keys instead.
  void InstallSigned();
  // Publishes the program one version up with the information file the
  // maker's tool signed for it (tests/upgrader/publish-signed-cases).
  void PublishSignedNextProgram();
  // Answers the running program's update prompt with Enter, waits until the
  // wizard's OK is ready and presses it. The program must then exit with 0
  // and start again from installed_: `new_id` gets the new process's id.
  void AcceptUpdate(DWORD& new_id);
  // What Tallivo's online test answers from now on.
  void ReportOnline(bool online);
  // Starts the installed copy and waits for its main window.
  void StartInstalled();
  // How many requests for the information file the server has answered.
  int InfoFileRequests() const;
  // A visible window of the running program that asks or tells the user
  // something: a message box or the updater's prompt; nullptr when none shows.
  HWND QuestionOrMessage() const;
  // For failure messages: the installation folder's files and the finisher's traces.
  std::string Situation() const;

  std::filesystem::path install_dir_;  // contains a space, as "Program Files" does
  std::filesystem::path installed_;    // Tallivo.exe in it
  std::filesystem::path published_;    // the server's upd\Tallivo\ folder
  std::filesystem::path temp_dir_;     // the programs' temporary folder, where the finisher goes
  std::optional<Process> process_;
  HWND main_ = nullptr;

 private:
  std::filesystem::path access_log_;
  std::vector<std::pair<std::wstring, std::wstring>> saved_temp_;  // TMP and TEMP as they were
  std::vector<ScopedRegistryValue> settings_;
  std::optional<ScopedRegistryValue> online_;
};

}  // namespace tallivo::test
