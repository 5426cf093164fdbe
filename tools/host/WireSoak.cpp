// qeva-host-soak: the memory soak of wire mode. One in-process wire session of 200,000 calls
// over 2,000 ad spaces; prints the resident set size every 20,000 calls. The host keeps the
// ad spaces and nothing per call, so the curve is flat once the ad spaces exist.
//   qeva-host-soak [CALLS] [AD_SPACES]
#include <flutter/standard_method_codec.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "WireClient.h"
#include "WireServer.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::atol(line.c_str() + 6);
    }
  }
  return -1;
}

EncodableValue Map(std::initializer_list<std::pair<const char*, EncodableValue>> members) {
  EncodableMap map;
  for (const auto& [key, value] : members) {
    map.emplace(EncodableValue(key), value);
  }
  return EncodableValue(std::move(map));
}

std::string AdSpaceId(const std::vector<uint8_t>& reply) {
  std::string id;
  struct Take : flutter::MethodResult<EncodableValue> {
    explicit Take(std::string* into) : into_(into) {}
    void SuccessInternal(const EncodableValue* result) override {
      const auto* map = result != nullptr ? std::get_if<EncodableMap>(result) : nullptr;
      auto found =
          map != nullptr ? map->find(EncodableValue("adSpaceId")) : EncodableMap::const_iterator();
      if (map != nullptr && found != map->end()) {
        *into_ = std::get<std::string>(found->second);
      }
    }
    void ErrorInternal(const std::string&, const std::string&, const EncodableValue*) override {}
    void NotImplementedInternal() override {}
    std::string* into_;
  } take(&id);
  flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(reply.data(),
                                                                               reply.size(), &take);
  return id;
}

}  // namespace

int main(int argc, char** argv) {
  const long calls = argc > 1 ? std::atol(argv[1]) : 200000;
  const long ad_spaces = argc > 2 ? std::atol(argv[2]) : 2000;
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
    std::perror("socketpair");
    return 1;
  }
  // The client plays Dart on its own thread; the host serves on this one, as it must.
  bool ok = true;
  std::thread dart([&] {
    QevaHost::wire::WireClient client(fds[1], fds[1]);
    std::vector<std::string> ids;
    client.Call("QevaManager", "QevaManager",
                Map({{"accountId", EncodableValue("1")},
                     {"appId", EncodableValue("2")},
                     {"secretKey", EncodableValue("soak")}}));
    std::printf("calls,rss_kb\n0,%ld\n", ResidentKb());
    for (long made = 1; made <= calls && ok; ++made) {
      std::optional<std::vector<uint8_t>> reply;
      if (static_cast<long>(ids.size()) < ad_spaces) {
        reply = client.Call(
            "QevaAdSpace", "AdRequest",
            Map({{"tagId", EncodableValue("home-display")}, {"refreshRate", EncodableValue("0")}}));
        if (reply) {
          ids.push_back(AdSpaceId(*reply));
        }
      } else {
        const EncodableValue id(ids[static_cast<size_t>(made) % ids.size()]);
        switch (made % 3) {
          case 0:
            reply = client.Call("QevaAdSpace", "AdRender", Map({{"adSpaceId", id}}));
            break;
          case 1:
            reply = client.Call("QevaUser", "QevaUser",
                                Map({{"id", EncodableValue("user-" + std::to_string(made))}}));
            break;
          default:
            reply = client.Call("QevaDevice", "QevaDevice",
                                Map({{"model", EncodableValue("m" + std::to_string(made))}}));
            break;
        }
      }
      ok = reply.has_value();
      client.TakeEvents();
      if (made % 20000 == 0) {
        std::printf("%ld,%ld\n", made, ResidentKb());
        std::fflush(stdout);
      }
    }
    if (!ok) {
      std::fprintf(stderr, "qeva-host-soak: %s\n", client.error().c_str());
    }
    shutdown(fds[1], SHUT_WR);
    client.ReadToEnd();
  });
  QevaHost::WireOptions options;
  QevaHost::ServeWire(fds[0], fds[0], options, nullptr);
  dart.join();
  close(fds[0]);
  close(fds[1]);
  return ok ? 0 : 1;
}
