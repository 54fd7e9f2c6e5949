// The keystroke bench's two measurements of one thing: a real key press
// (SendInput) into the focused euro field, timed until the pound field shows
// the new amount.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tallivo::bench {

// Keys typed first and not counted: the first of everything is slower.
inline constexpr int kWarmupKeys = 20;

// Pause after each key, once its effects are painted. A fast typist takes
// about 100 ms a key. With no pause, each key competes with what the key
// before left behind (Wine and the X server still drawing it) and every step
// of it runs several times slower: a load test, not what a typist meets.
inline constexpr int kDefaultPauseMs = 40;

struct KeystrokeRun {
  int keys;     // counted keys, after the warm-up ones
  int pauseMs;  // pause after each key
};

// Typed round and round. Each key changes the euro amount, so each one has
// to change the pound field: 1, 12, ... 12345 and back to empty (0.00).
inline constexpr WORD kKeyCycle[] = {'1', '2', '3', '4', '5', VK_BACK, VK_BACK, VK_BACK, VK_BACK, VK_BACK};

struct KeystrokeTimes {
  // Key press to the pound field's new text, one entry a counted key.
  std::vector<double> pound;
  // Key press to the key-down message reaching the euro field (in process only).
  std::vector<double> arrived;
  // Keys whose change was only noticed late, so their time is an upper bound.
  int late = 0;
};

// Presses and releases `vk` with SendInput, Ctrl held when `control`; false when not all input was queued.
bool PressKey(WORD vk, bool control = false);

// The calculator's main window hosted in this process; false and `error` on failure.
bool MeasureInProcess(const KeystrokeRun& run, KeystrokeTimes& out, std::string& error);

// A started Tallivo.exe, watched from this process; false and `error` on failure.
bool MeasureTallivoExe(const KeystrokeRun& run, KeystrokeTimes& out, std::string& error);

}  // namespace tallivo::bench
