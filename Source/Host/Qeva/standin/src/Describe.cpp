#include "Describe.h"

#include "Foundation/TextScan.h"

namespace QevaStandIn {
namespace describe {

// The journal's quoting, as Swift writes a string literal: \" \\ \n \r \t, \u{NN} for the other
// control bytes below 0x20; every other byte as it is.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  Foundation::AppendEscaped(text, quoted, [](unsigned char byte, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    switch (byte) {
      case '"':
      case '\\':
        out.push_back('\\');
        out.push_back(static_cast<char>(byte));
        return;
      case '\n':
        out += "\\n";
        return;
      case '\r':
        out += "\\r";
        return;
      case '\t':
        out += "\\t";
        return;
      default:
        if (byte < 0x20) {
          const char escape[] = {'\\', 'u', '{', kHex[byte >> 4], kHex[byte & 0xf], '}'};
          out.append(escape, sizeof escape);
        } else {
          out.push_back(static_cast<char>(byte));
        }
    }
  });
  quoted.push_back('"');
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
