// Wire mode on systems where it is not built (Windows): its framing reads and writes file
// descriptors that may be pipes or sockets alike and waits on them with poll(), which Windows
// does not offer for pipes. The options are still parsed; running them says why they cannot.
#include <ostream>

#include "WireServer.h"

namespace QevaHost {

namespace {

int Unavailable(std::ostream& err) {
  err << "qeva-host: wire mode is not available in this build (it needs POSIX pipes and "
         "sockets)\n";
  return 2;
}

}  // namespace

int RunWireStdio(const WireOptions&, std::ostream& err) {
  return Unavailable(err);
}

int RunWirePort(const WireOptions&, int, bool, std::ostream& err) {
  return Unavailable(err);
}

}  // namespace QevaHost
