// Splitting a command line from the registry ("shell\open\command") into the
// program and its parameters.
#pragma once

#include <string>
#include <string_view>

namespace tallivo {

// Where SplitAtToken puts the token it split at.
struct TokenPlacement {
  bool onLeft = false;   // appended to the left part
  bool onRight = false;  // put in front of the right part
};

// Splits `text` at the first `token`. Not found (an empty token never is):
// all of `text` goes right with missingGoesRight, else left; the other part
// is empty.
void SplitAtToken(std::string_view token, std::string_view text, std::string& left, std::string& right,
                  bool missingGoesRight, TokenPlacement placement);

// Splits a command line held in `command` into the program, left in
// `command` without quotes, and its parameters, put in `parameters`; both
// trimmed. The program keeps a separator that lies inside a path with an
// extension; RUNDLL commands keep the DLL among the parameters.
void SplitCommandLine(std::string& command, std::string& parameters);

}  // namespace tallivo
