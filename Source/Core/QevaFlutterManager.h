#ifndef QEVA_FLUTTER_CORE_QEVAFLUTTERMANAGER_H_
#define QEVA_FLUTTER_CORE_QEVAFLUTTERMANAGER_H_

#include <flutter/binary_messenger.h>

#include <memory>
#include <string>
#include <vector>

#include "Core/AdSpaceChannel.h"
#include "Core/ReplyLedger.h"
#include "Core/StartupChannel.h"
#include "Foundation/NSObject.h"
#include "Qeva/QevaAdSpace.h"

namespace QevaFlutter {

// The module's version: 1.0, and its what(1) banner
// "@(#)PROGRAM:QevaFlutter  PROJECT:QevaFlutter-1\n".
extern const double QevaFlutterVersionNumber;
extern const char QevaFlutterVersionString[];

// The plugin's one public class. Create() opens the plugin's five method channels on the
// host's messenger, in the order "QevaManager", "QevaApplication", "QevaUser", "QevaDevice",
// "QevaAdSpace"; from then on the channels turn Dart's calls into Ad SDK calls and the SDK's
// callbacks into replies to those calls. It never calls Dart on its own.
//
// The SDK knows one delegate object, the manager, and names it in what it records; so the
// channels that play delegate roles are its bases, not members.
//
// Lifetime: the "QevaManager" and "QevaAdSpace" handlers, which the messenger keeps, own the
// manager; the host need not keep the pointer Create() returns. Everything the SDK holds of
// the manager is weak, so the manager goes away with the messenger's handlers. A host may
// make the manager the delegate of an ad space of its own through weak_from_this().
//
// Threading: everything runs on the platform's main thread, where the engine delivers calls;
// the plugin relies on the SDK to call every delegate there too. No locks, no queues.
class QevaFlutterManager final : public Foundation::NSObject,
                                 public StartupChannel,
                                 public AdSpaceChannel,
                                 public std::enable_shared_from_this<QevaFlutterManager> {
 public:
  // Opens the five channels on |flutter|; touches neither the SDK nor Dart. |flutter| must
  // outlive the manager; a null messenger yields a manager with no channels.
  static std::shared_ptr<QevaFlutterManager> Create(flutter::BinaryMessenger* flutter);

  ~QevaFlutterManager() override;

  // Where every call the channels received went (ReplyLedger.h). Shared, so that a host can
  // read it after the engine, and with it the manager, has gone: calls still kept then read
  // as released.
  std::shared_ptr<const ReplyLedger> replyLedger() const { return ledger_; }

  // For hosts that drive the SDK's ad spaces by id (the host tool, benchmarks, fuzzers): the
  // ids of the ad spaces kept, in id order, and the ad space kept under |ad_space_id|, or null.
  std::vector<std::string> adSpaceIds() const { return ad_spaces().ids(); }
  std::shared_ptr<Qeva::QevaAdSpace> adSpace(const std::string& ad_space_id) const {
    return ad_spaces().Find(ad_space_id);
  }

 private:
  explicit QevaFlutterManager(const std::shared_ptr<ReplyLedger>& ledger);

  std::shared_ptr<ReplyLedger> ledger_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_QEVAFLUTTERMANAGER_H_
