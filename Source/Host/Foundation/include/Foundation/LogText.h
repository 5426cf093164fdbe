#ifndef QEVA_HOST_FOUNDATION_LOGTEXT_H_
#define QEVA_HOST_FOUNDATION_LOGTEXT_H_

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

// Text as the platform prints it in log lines.
namespace Foundation {

// One entry of a dictionary of strings: its key and its value.
using StringEntry = std::pair<std::string_view, std::string_view>;

// Appends to |out| the way Swift prints a dictionary of strings, ["key": "value", ...], with
// the entries in the order given (Swift's own order is its hash order; callers choose one).
// Each string is written as its debug description: in double quotes, with '"', '\\', '\n',
// '\r', '\t' and NUL escaped by a backslash, other control characters (DEL included) as
// "\u{hex}", and everything else, UTF-8 included, as it is.
void AppendDictionaryDescription(std::string& out, std::initializer_list<StringEntry> entries);

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_LOGTEXT_H_
