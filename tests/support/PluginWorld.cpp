#include "support/PluginWorld.h"

#include <utility>

#include "Core/QevaFlutterPlugin.h"

namespace QevaFlutter::support {

PluginWorld::PluginWorld(WorldOptions options)
    : drawn_(std::make_shared<std::vector<Foundation::UUID::Bytes>>()),
      reply_hook_(std::make_shared<std::function<void()>>()) {
  QevaStandIn::StandIn::Reset();
  QevaStandIn::StandIn& stand_in = sdk();
  stand_in.logSink().setEcho(options.echo_log);
  // Each id is noted as the bytes it is made of; the text is made only when asked for.
  if (options.note_ids) {
    Foundation::UUID::SetByteSource([drawn = drawn_, source = std::move(options.uuid_bytes)] {
      drawn->push_back(source());
      return drawn->back();
    });
  } else {
    Foundation::UUID::SetByteSource(std::move(options.uuid_bytes));
  }

  engine_ = std::make_unique<headless::HeadlessEngine>();
  QevaFlutterPluginRegisterWithRegistrar(engine_->registrar());
  manager_ = QevaFlutterPlugin::ManagerFor(engine_->registrar());
  if (options.started) {
    stand_in.setInitializationReport(QevaStandIn::InitReport::successAtOnce);
    Reply reply =
        Call("QevaManager", "QevaManager",
             DartMap({{"accountId", Str("12")}, {"appId", Str("34")}, {"secretKey", Str("key")}}));
    started_ = Mismatch(*reply, Str("success")).empty();
    ForgetRecords();
  }
  stand_in.setRecording(options.recording);
}

PluginWorld::~PluginWorld() {
  ShutDown();
  Foundation::UUID::SetByteSource(nullptr);
  QevaStandIn::StandIn::Reset();
}

headless::HeadlessEngine::ReplyHooks PluginWorld::Hooks() const {
  headless::HeadlessEngine::ReplyHooks hooks;
  if (*reply_hook_) {
    hooks.on_reply = [hook = reply_hook_](const uint8_t*, size_t) {
      if (auto run = *hook) {
        run();
      }
    };
  }
  return hooks;
}

Reply PluginWorld::Call(const std::string& channel, const std::string& method,
                        const EncodableValue& arguments) {
  return engine_->CallMethod(channel, method, arguments, Hooks());
}

Reply PluginWorld::Send(const std::string& channel, std::vector<uint8_t> message) {
  return engine_->SendBytes(channel, std::move(message), Hooks());
}

Reply PluginWorld::Command(const std::string& method, const std::string& id, Entries more) {
  more.emplace_back("adSpaceId", Str(id));
  return Call("QevaAdSpace", method, DartMap(std::move(more)));
}

PluginWorld::Requested PluginWorld::Request(const std::string& tagId,
                                            const std::string& refreshRate) {
  const size_t ids_before = drawn_->size();
  const size_t ad_spaces_before = sdk().adSpaceCount();
  Requested requested;
  requested.reply = Call("QevaAdSpace", "AdRequest",
                         DartMap({{"tagId", Str(tagId)}, {"refreshRate", Str(refreshRate)}}));
  if (drawn_->size() > ids_before) {
    requested.id = Foundation::UUID(drawn_->at(ids_before)).uuidString();
  }
  if (sdk().adSpaceCount() > ad_spaces_before) {
    requested.adSpace = sdk().adSpace(ad_spaces_before + 1);
  }
  return requested;
}

std::vector<std::string> PluginWorld::adSpaceIds() const {
  std::vector<std::string> ids;
  ids.reserve(drawn_->size());
  for (const Foundation::UUID::Bytes& bytes : *drawn_) {
    ids.push_back(Foundation::UUID(bytes).uuidString());
  }
  return ids;
}

void PluginWorld::ShutDown() {
  engine_.reset();
}

void PluginWorld::ForgetRecords() const {
  sdk().journal().clear();
  sdk().logSink().clear();
}

}  // namespace QevaFlutter::support
