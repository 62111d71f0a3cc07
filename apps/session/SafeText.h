#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace session {

// Texts reach the transcript from the session file, from workflows (status texts, notifications, names) and
// from exception messages; any of them may hold bytes that are not UTF-8. These write every text so that a
// transcript line stays one line of valid UTF-8 and a JSON line stays valid JSON: a byte outside a
// well-formed UTF-8 sequence is spelled \xNN.

// text as one line: invalid bytes, control bytes and DEL spelled \xNN, the rest as it is.
std::string SafeText(std::string_view text);

// text in double quotes with JSON's escapes, invalid bytes spelled \xNN (unescaped, as in SafeText).
std::string SafeQuoted(std::string_view text);

// Every string value in value with its invalid bytes spelled \xNN, so that dump() cannot throw.
void MakeJsonSafe(nlohmann::ordered_json& value);

}  // namespace session
