#include "Describe.h"

#include <cstdio>

namespace QevaStandIn {
namespace describe {

std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      case '\t':
        quoted += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof(escape), "\\u{%02X}", static_cast<unsigned>(c));
          quoted += escape;
        } else {
          quoted += c;
        }
    }
  }
  quoted += '"';
  return quoted;
}

std::string QuotedList(const std::vector<std::string>& texts) {
  std::string list = "[";
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) {
      list += ", ";
    }
    list += Quoted(texts[i]);
  }
  return list + "]";
}

std::string QuotedMap(const std::map<std::string, std::string>& map) {
  if (map.empty()) {
    return "[:]";
  }
  std::string text = "[";
  for (const auto& [key, value] : map) {
    if (text.size() > 1) {
      text += ", ";
    }
    text += Quoted(key) + ": " + Quoted(value);
  }
  return text + "]";
}

std::string Integer(int64_t value) {
  return std::to_string(value);
}

std::string Integer(const std::optional<int64_t>& value) {
  return value ? std::to_string(*value) : "nil";
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

std::string Case(Qeva::AdClickBrowser browser) {
  switch (browser) {
    case Qeva::AdClickBrowser::embedded:
      return ".embedded";
    case Qeva::AdClickBrowser::external:
      return ".external";
  }
  return ".unknown";
}

std::string Case(Qeva::QevaCTAaction action) {
  switch (action) {
    case Qeva::QevaCTAaction::openedInEmbeddedBrowser:
      return ".openedInEmbeddedBrowser";
    case Qeva::QevaCTAaction::openedInExternalBrowser:
      return ".openedInExternalBrowser";
    case Qeva::QevaCTAaction::openedInApp:
      return ".openedInApp";
  }
  return ".unknown";
}

std::string Arg(std::string_view label, std::string_view value) {
  std::string arg(label);
  arg += ": ";
  arg += value;
  return arg;
}

}  // namespace describe
}  // namespace QevaStandIn
