#include "Core/QevaFlutterManager.h"

#include "Core/TargetingChannel.h"

namespace QevaFlutter {

const double QevaFlutterVersionNumber = 1.0;
const char QevaFlutterVersionString[] = "@(#)PROGRAM:QevaFlutter  PROJECT:QevaFlutter-1\n";

std::shared_ptr<QevaFlutterManager> QevaFlutterManager::Create(flutter::BinaryMessenger* flutter) {
  // The constructor is private; make_shared cannot reach it.
  std::shared_ptr<QevaFlutterManager> manager(new QevaFlutterManager(ReplyLedger::Create()));
  if (flutter == nullptr) {
    return manager;
  }
  StartupChannel::Open(flutter, manager);
  for (const TargetingChannel* targeting :
       {&TargetingChannel::kApplication, &TargetingChannel::kUser, &TargetingChannel::kDevice}) {
    targeting->Open(flutter, manager->ledger_);
  }
  AdSpaceChannel::Open(flutter, manager);
  return manager;
}

QevaFlutterManager::QevaFlutterManager(const std::shared_ptr<ReplyLedger>& ledger)
    : NSObject("QevaFlutter.QevaFlutterManager"),
      StartupChannel(ledger),
      AdSpaceChannel(ledger),
      ledger_(ledger) {}

QevaFlutterManager::~QevaFlutterManager() = default;

}  // namespace QevaFlutter
