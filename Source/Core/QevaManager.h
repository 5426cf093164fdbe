#ifndef QEVA_FLUTTER_CORE_QEVAMANAGER_H_
#define QEVA_FLUTTER_CORE_QEVAMANAGER_H_

#include <flutter/binary_messenger.h>
#include <flutter/method_call.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Core/AdSpaceDict.h"
#include "Core/ChannelArguments.h"
#include "Core/FlutterResult.h"
#include "Core/ReplyLedger.h"
#include "Foundation/NSObject.h"
#include "Qeva/QevaAdSpace.h"
#include "Qeva/QevaCTAHandler.h"
#include "Qeva/QevaError.h"
#include "Qeva/QevaManager.h"
#include "UIKit/UIKit.h"

namespace QevaFlutter {

// The module's version: 1.0, and its what(1) banner
// "@(#)PROGRAM:QevaFlutter  PROJECT:QevaFlutter-1\n".
extern const double QevaFlutterVersionNumber;
extern const char QevaFlutterVersionString[];

// The plugin's one public class. Create() opens the plugin's five method channels on the
// host's messenger, in the order "QevaManager", "QevaApplication", "QevaUser", "QevaDevice",
// "QevaAdSpace", and from then on turns Dart's calls into Ad SDK calls and the SDK's callbacks
// into replies to those calls. It never calls Dart on its own.
//
// Lifetime: the "QevaManager" and "QevaAdSpace" handlers, which the messenger keeps, own the
// manager; the host need not keep the pointer Create() returns. Everything the SDK holds of
// the manager (status, ad-event and click-through delegate) is weak, so the manager goes away
// with the messenger's handlers.
//
// Threading: everything runs on the platform's main thread, where the engine delivers calls;
// the plugin relies on the SDK to call every delegate there too. No locks, no queues.
class QevaFlutterManager final : public Foundation::NSObject,
                                 public Qeva::InitializationStatusDelegate,
                                 public Qeva::QevaAdEventDelegate,
                                 public Qeva::QevaCTAHandlerEvents,
                                 public std::enable_shared_from_this<QevaFlutterManager> {
 public:
  // Opens the five channels on |flutter|; touches neither the SDK nor Dart. |flutter| must
  // outlive the manager; a null messenger yields a manager with no channels.
  static std::shared_ptr<QevaFlutterManager> Create(flutter::BinaryMessenger* flutter);

  ~QevaFlutterManager() override;

  QevaFlutterManager(const QevaFlutterManager&) = delete;
  QevaFlutterManager& operator=(const QevaFlutterManager&) = delete;

  // InitializationStatusDelegate: answer the latest "QevaManager" call with "success" or
  // "failure". The call stays stored; a repeated report for it is dropped by FlutterResult.
  void onSuccess() override;
  void onFailure(const Qeva::QevaError& error) override;

  // QevaAdEventDelegate: ready, render, refresh and error answer the result pending for the
  // ad space; click and close do nothing.
  void onAdReady(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdRender(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdRefresh(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdError(Qeva::QevaAdSpace& qevaAdSpace, const Qeva::QevaError& qevaError) override;
  void onAdClick(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdClose(Qeva::QevaAdSpace& qevaAdSpace) override;

  // QevaCTAHandlerEvents: pause and resume the ad space of the latest click-through; log a
  // failed one.
  void onSuccessRedirect(Qeva::QevaCTAaction event) override;
  void onFailureRedirect(const Qeva::QevaError& error) override;
  void onCompleteCTA() override;

  // Read-only views of the state, for tests and diagnostics.
  const UIKit::UIView& adContainer() const { return adContainer_; }
  bool hasAdManagerResult() const { return adManagerResult_.has_value(); }
  // Ids with a pending result, and ids of the ad spaces kept, in id order.
  std::vector<std::string> pendingResultIds() const;
  std::vector<std::string> adSpaceIds() const { return adSpaceDict_.ids(); }
  // The ad space kept under |adSpaceId|, or null.
  std::shared_ptr<Qeva::QevaAdSpace> adSpace(const std::string& adSpaceId) const {
    return adSpaceDict_.Find(adSpaceId);
  }
  const std::string& adSpaceIdforAdClick() const { return adSpaceIdforAdClick_; }
  const AdSpaceDict& adSpaceDict() const { return adSpaceDict_; }

  // Where every call the handlers received went (ReplyLedger.h). Shared, so that a host can
  // read it after the engine, and with it the manager, has gone: calls still kept then read
  // as released.
  std::shared_ptr<const ReplyLedger> replyLedger() const { return ledger_; }

 private:
  // The start-up values, owned by the "QevaManager" handler and overwritten in full by every
  // accepted call.
  struct StartUpValues {
    int64_t accountId = 0;
    int64_t appId = 0;
    std::string secretKey;
  };

  explicit QevaFlutterManager(flutter::BinaryMessenger* flutter);

  void OpenChannels();

  // "QevaManager".
  void HandleStartUpCall(const std::string& channel_name, const flutter::MethodCall<>& call,
                         FlutterResult result, StartUpValues& values);

  // "QevaAdSpace": the dispatcher and one operation per method.
  void HandleAdSpaceCall(const flutter::MethodCall<>& call, FlutterResult result);
  void adRequest(const ArgumentMap& arguments, FlutterResult result);
  void singleAd(const std::string& tagId, int64_t refreshRate, FlutterResult result);
  std::shared_ptr<Qeva::QevaAdSpace> getQevaAdSpace(const std::string& tagId, int64_t refreshRate);
  void adConsumed(const ArgumentMap& arguments, FlutterResult result);
  void adRefresh(const ArgumentMap& arguments, FlutterResult result);
  void adClicked(const ArgumentMap& arguments, FlutterResult result);
  void attemptFallbackAd(const ArgumentMap& arguments, FlutterResult result);
  void adPaused(const ArgumentMap& arguments, FlutterResult result);
  // The render reply of the render and refresh events, answering |adSpaceId|'s result.
  void AnswerRendered(const Qeva::QevaAdSpace& qevaAdSpace, const Qeva::QevaAd& ad,
                      const std::string& adSpaceId);

  // adSpaceResults. Store replaces (the old result is released unanswered, its call marked
  // replaced); Take moves the result out and erases it, so the caller answers a result that
  // is no longer in the map; Drop erases it unanswered, its call marked dropped.
  void StoreResult(const std::string& adSpaceId, FlutterResult result);
  bool HasPendingResult(const std::string& adSpaceId) const;
  std::optional<FlutterResult> TakeResult(const std::string& adSpaceId);
  void DropResult(const std::string& adSpaceId);

  // Declared first, so that results released with the manager still find it.
  std::shared_ptr<ReplyLedger> ledger_;
  // Non-owning: the messenger belongs to the host's engine, which outlives the manager (its
  // handlers own the manager).
  flutter::BinaryMessenger* flutterBinaryMessenger_;
  // The container handed to the SDK when an ad is shown; the ad itself is drawn in Dart.
  UIKit::UIView adContainer_;
  // The latest "QevaManager" call, answered by onSuccess()/onFailure().
  std::optional<FlutterResult> adManagerResult_;
  // Dart calls waiting for an ad-space event, by ad-space id.
  std::map<std::string, FlutterResult> adSpaceResults_;
  // The ad spaces created so far, by ad-space id; never shrunk while the manager lives.
  AdSpaceDict adSpaceDict_;
  // The ad-space id of the latest click-through.
  std::string adSpaceIdforAdClick_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_QEVAMANAGER_H_
