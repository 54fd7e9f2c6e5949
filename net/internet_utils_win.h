// Whether the computer is online, the program a file type opens with, opening
// a web address, the local time bias for HTTP dates, and waiting on an event
// while the user interface goes on. None throws; failures show in the result.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace tallivo {

// Addresses as dotted text: online when the last one is neither empty nor "127.0.0.1".
bool HostOnlineFromAddresses(const std::vector<std::string>& addresses);

// True when this computer's host name resolves, through Winsock, to an
// address list whose last entry is not the loopback address.
bool IsHostOnline();

// The first byte of HKLM "...\Services\RemoteAccess" value "Remote Connection"
// is 1 when that value can be read into 4 bytes; IsHostOnline otherwise.
bool IsConnectedToInternet();

// The program (path without quotes or parameters) that opens files of
// `extension` (".html") through HKEY_CLASSES_ROOT; empty when none is found.
std::string GetAssociatedProgram(std::string_view extension);

// Opens `url` ("http://" put in front when it has no "://") in the program
// associated with ".html" when asked to and there is one, else through the shell.
void OpenURL(std::string_view url, bool useAssociatedBrowser);

// UTC minus local time, in days, daylight saving included when it is in force
// now; 0 when the time zone cannot be read. The bias ParseHTTPDate takes.
double LocalTimeBias();

// Closes the application's main form, if it has one, and terminates the application.
// Main thread only.
void CloseApplication();

// Creates a manual-reset event in `event` and handles the application's messages
// until it is signalled, `timeoutMs` pass without a message (0: no limit) or,
// with stopWhenTerminating, the application terminates; then closes it and sets
// `event` to INVALID_HANDLE_VALUE. Main thread only.
void WaitForEventPumping(HANDLE& event, DWORD timeoutMs, bool stopWhenTerminating);

// Sets `event` unless it is INVALID_HANDLE_VALUE or null (no event).
void SignalEvent(HANDLE& event);

}  // namespace tallivo
