#ifndef FLUTTER_SHELL_PLATFORM_COMMON_CLIENT_WRAPPER_INCLUDE_FLUTTER_CHANNEL_WARNINGS_H_
#define FLUTTER_SHELL_PLATFORM_COMMON_CLIENT_WRAPPER_INCLUDE_FLUTTER_CHANNEL_WARNINGS_H_

#include <functional>
#include <string>

namespace flutter {

// Where this channel layer writes its warnings (a reply never sent, a second answer, a message
// it cannot decode). Flutter's own wrapper writes the same lines to std::cerr and has no such
// sink: a host that sets one is built against this layer, and plugins never use it.
using ChannelWarningSink = std::function<void(const std::string& warning)>;

// Replaces the sink and returns the one it replaces; an empty sink means std::cerr, a line each.
ChannelWarningSink SetChannelWarningSink(ChannelWarningSink sink);

// Hands |warning| (one line, without its newline) to the sink.
void WriteChannelWarning(const std::string& warning);

}  // namespace flutter

#endif  // FLUTTER_SHELL_PLATFORM_COMMON_CLIENT_WRAPPER_INCLUDE_FLUTTER_CHANNEL_WARNINGS_H_
