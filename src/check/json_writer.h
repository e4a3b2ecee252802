// Writing JSON text: the one place where the reports quote strings.
#pragma once

#include <string>
#include <string_view>

// Appends text to json as a JSON string, quotes included. Quotes,
// backslashes and control characters are escaped; well-formed UTF-8 passes
// as it is; any other byte is written as \u00XX (read as Latin-1), so the
// result is always valid JSON.
void appendJsonString(std::string& json, std::string_view text);

// text as a JSON string.
std::string jsonString(std::string_view text);
