#include "check/json_writer.h"

#include <cstdio>

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned minimum = 0;
  unsigned code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

void appendJsonString(std::string& json, std::string_view text) {
  json += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (c == '"') {
      json += "\\\"";
    } else if (c == '\\') {
      json += "\\\\";
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c == '\r') {
      json += "\\r";
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      json += escape;
    } else if (u < 0x80) {
      json += c;
    } else if (const std::size_t length = utf8Length(text, i); length > 0) {
      json.append(text.substr(i, length));
      i += length - 1;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      json += escape;
    }
  }
  json += '"';
}

std::string jsonString(std::string_view text) {
  std::string json;
  appendJsonString(json, text);
  return json;
}
