// Writes the seed corpora of the fuzz targets: qeva-make-seeds <corpus-dir> fills
// <corpus-dir>/codec, /channels, /gammarkup and /display (made if missing), one small file
// per seed, named after what it holds. Re-run it after changing a target's input format.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ChannelScript.h"
#include "flutter/encodable_value.h"
#include "flutter/method_call.h"
#include "flutter/standard_message_codec.h"
#include "flutter/standard_method_codec.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using Bytes = std::vector<uint8_t>;
namespace channels = qeva_fuzz::channels;

EncodableValue Str(const std::string& text) {
  return EncodableValue(text);
}

EncodableValue Map(std::initializer_list<std::pair<std::string, EncodableValue>> entries) {
  EncodableMap map;
  for (const auto& [key, value] : entries) {
    map.emplace(Str(key), value);
  }
  return EncodableValue(std::move(map));
}

EncodableValue List(std::initializer_list<EncodableValue> items) {
  return EncodableValue(EncodableList(items));
}

Bytes Call(const std::string& method, const EncodableValue& arguments) {
  flutter::MethodCall<> call(method, std::make_unique<EncodableValue>(arguments));
  return *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
}

Bytes Message(const EncodableValue& value) {
  return *flutter::StandardMessageCodec::GetInstance().EncodeMessage(value);
}

// A typical call of every method of every channel, as Dart sends it.
struct TypicalCall {
  const char* name;
  int channel;  // As channels::kChannels.
  const char* method;
  EncodableValue arguments;
};

// An ad-space id as Dart sends it back; in a channels script an integer picks a live one.
const char kSomeId[] = "6F9619FF-8B86-4D11-B42D-00C04FC964FF";

std::vector<TypicalCall> TypicalCalls(bool with_live_ids) {
  const EncodableValue id = with_live_ids ? EncodableValue(0) : Str(kSomeId);
  return {
      {"startup", 0, "QevaManager",
       Map({{"accountId", Str("12")}, {"appId", Str("34")}, {"secretKey", Str("key")}})},
      {"application", 1, "QevaApplication",
       Map({{"keywords", List({Str("news"), Str("sport")})},
            {"pageCategory", List({Str("IAB1"), Str("IAB12")})},
            {"sectionCategory", List({Str("IAB2")})},
            {"customData", Map({{"plan", Str("free")}})}})},
      {"user", 2, "QevaUser",
       Map({{"id", Str("u-1")},
            {"gender", Str("female")},
            {"age", Str("34")},
            {"city", Str("Oslo")},
            {"region", Str("Oslo")},
            {"country", Str("NO")},
            {"zipCode", Str("0150")},
            {"keywords", List({Str("cars")})}})},
      {"device", 3, "QevaDevice",
       Map({{"connectionType", EncodableValue(2)},
            {"deviceType", EncodableValue(4)},
            {"make", Str("Acme")},
            {"model", Str("A1")},
            {"operatingSystem", Str("Android")},
            {"osVersion", Str("14")},
            {"platform", EncodableValue(1.0)},
            {"marketingName", Str("Acme One")}})},
      {"adrequest", 4, "AdRequest", Map({{"tagId", Str("home")}, {"refreshRate", Str("30")}})},
      {"adrender", 4, "AdRender", Map({{"adSpaceId", id}})},
      {"adrefresh", 4, "AdRefresh", Map({{"adSpaceId", id}})},
      {"adclick", 4, "AdClick",
       Map({{"adSpaceId", id}, {"clickUrl", Str("https://click.example/a?b=c")}})},
      {"fallbackad", 4, "FallbackAd", Map({{"adSpaceId", id}})},
      {"adpause", 4, "AdPause", Map({{"adSpaceId", id}})},
  };
}

bool Write(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// ----- codec -------------------------------------------------------------------------------------

std::vector<std::pair<std::string, Bytes>> CodecSeeds() {
  std::vector<std::pair<std::string, Bytes>> seeds;
  for (const TypicalCall& call : TypicalCalls(false)) {
    seeds.emplace_back(std::string("call-") + call.name, Call(call.method, call.arguments));
  }
  seeds.emplace_back("call-no-arguments", Call("AdPause", EncodableValue()));
  const auto& method_codec = flutter::StandardMethodCodec::GetInstance();
  const EncodableValue ready =
      Map({{"result", Str("success")},
           {"adSpaceId", Str(kSomeId)},
           {"response", Str(R"({"adSize":"320x50","response":"<div>ad</div>"})")},
           {"signature", Str("iab.smartphonebanner")}});
  const EncodableValue rendered =
      Map({{"result", Str("success")}, {"isAdRefreshable", EncodableValue(true)}});
  const EncodableValue details = List({Str("a"), EncodableValue(42)});
  seeds.emplace_back("envelope-ready", *method_codec.EncodeSuccessEnvelope(&ready));
  seeds.emplace_back("envelope-rendered", *method_codec.EncodeSuccessEnvelope(&rendered));
  seeds.emplace_back("envelope-null", *method_codec.EncodeSuccessEnvelope());
  seeds.emplace_back("envelope-ad-error", *method_codec.EncodeErrorEnvelope(
                                              "1001", "QevaAd is nil or Ad Response is empty."));
  Bytes with_trace = *method_codec.EncodeErrorEnvelope("errorCode", "failed", &details);
  const Bytes trace = Message(Str("at main.dart:1"));
  with_trace.insert(with_trace.end(), trace.begin(), trace.end());
  seeds.emplace_back("envelope-error-stack-trace", with_trace);

  seeds.emplace_back("message-scalars",
                     Message(List({EncodableValue(), EncodableValue(true), EncodableValue(false),
                                   EncodableValue(int32_t{-7}), EncodableValue(int64_t{1} << 40),
                                   EncodableValue(3.14159), EncodableValue(-0.0)})));
  seeds.emplace_back(
      "message-nan",
      Message(List({EncodableValue(std::nan("")), EncodableValue(std::vector<float>{NAN, 1.0f})})));
  seeds.emplace_back("message-unicode", Message(Str("h\u263Aw \U0001F602 \xC3\xA9")));
  seeds.emplace_back("message-long-string", Message(Str(std::string(300, 'x'))));
  seeds.emplace_back("message-typed-lists",
                     Message(List({EncodableValue(std::vector<uint8_t>{0xba, 0x5e}),
                                   EncodableValue(std::vector<int32_t>{-1, 0x12345678}),
                                   EncodableValue(std::vector<int64_t>{-1}),
                                   EncodableValue(std::vector<double>{1000.0}),
                                   EncodableValue(std::vector<float>{3.5f})})));
  seeds.emplace_back(
      "message-empty-typed-lists",
      Message(List({Str("a"), EncodableValue(std::vector<int32_t>{}), EncodableValue(5)})));
  seeds.emplace_back(
      "message-mixed-keys",
      Message(EncodableValue(EncodableMap{{EncodableValue(1), Str("int32")},
                                          {EncodableValue(int64_t{1}), Str("int64")},
                                          {EncodableValue(1.0), Str("double")},
                                          {EncodableValue(), List({Map({{"deep", List({})}})})}})));
  seeds.emplace_back("message-empty", Bytes());
  return seeds;
}

// ----- channels ----------------------------------------------------------------------------------

Bytes AdSpaceCall(const std::string& method,
                  std::initializer_list<std::pair<std::string, EncodableValue>> arguments) {
  return Call(method, Map(arguments));
}

// A script that starts the SDK first: without the renderers registered every fetch fails.
channels::ScriptWriter Started() {
  channels::ScriptWriter script;
  script
      .Raw(0,
           Call("QevaManager",
                Map({{"accountId", Str("12")}, {"appId", Str("34")}, {"secretKey", Str("key")}})))
      .Drain();
  return script;
}

std::vector<std::pair<std::string, Bytes>> ChannelSeeds() {
  using channels::ScriptWriter;
  std::vector<std::pair<std::string, Bytes>> seeds;
  for (const TypicalCall& call : TypicalCalls(true)) {
    ScriptWriter script;
    if (call.channel == 4 && std::strcmp(call.method, "AdRequest") != 0) {
      // A command needs a delivered ad to act on.
      script = Started();
      script.Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}})).Drain();
      script.AdSpaceCallWithId(Call(call.method, call.arguments));
    } else {
      script.Raw(call.channel, Call(call.method, call.arguments));
    }
    seeds.emplace_back(std::string("call-") + call.name, script.Drain().bytes());
  }
  const EncodableValue first(0);
  const Bytes startup =
      Call("QevaManager",
           Map({{"accountId", Str("12")}, {"appId", Str("34")}, {"secretKey", Str("key")}}));

  ScriptWriter display_road;
  display_road.Raw(0, startup)
      .Drain()
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}, {"refreshRate", Str("30")}}))
      .Drain()
      .AdSpaceCallWithId(AdSpaceCall("AdRender", {{"adSpaceId", first}}))
      .Drain()
      .AdSpaceCallWithId(AdSpaceCall("AdRefresh", {{"adSpaceId", first}}))
      .Advance(124)
      .AdSpaceCallWithId(
          AdSpaceCall("AdClick", {{"adSpaceId", first}, {"clickUrl", Str("https://x.example")}}))
      .Drain()
      .Advance(16)
      .AdSpaceCallWithId(AdSpaceCall("AdPause", {{"adSpaceId", first}}))
      .Drain();
  seeds.emplace_back("road-display", display_road.bytes());

  ScriptWriter gam_road;
  gam_road.Raw(0, startup)
      .Drain()
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("gam")}}))
      .Drain()
      .AdSpaceCallWithId(AdSpaceCall("AdClick", {{"adSpaceId", first}}))
      .AdSpaceCallWithId(AdSpaceCall("FallbackAd", {{"adSpaceId", first}}))
      .Drain()
      .AdSpaceCallWithId(AdSpaceCall("FallbackAd", {{"adSpaceId", first}}))
      .Drain()
      .AdSpaceCallWithId(AdSpaceCall("AdRender", {{"adSpaceId", first}}))
      .Drain();
  seeds.emplace_back("road-gam-fallback", gam_road.bytes());

  ScriptWriter failures = Started();
  failures.SdkControl(channels::kFailNextLoad)
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}}))
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("bad")}}))
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("refused")}}))
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("rect")}}))
      .Raw(4, Call("AdRequest", Map({})))
      .Drain();
  seeds.emplace_back("requests-that-fail", failures.bytes());

  ScriptWriter events = Started();
  events.Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}}));
  for (uint8_t event = 0; event < 6; ++event) {
    events.SdkEvent(event).AdSpaceCallWithId(AdSpaceCall("AdRender", {{"adSpaceId", first}}));
  }
  seeds.emplace_back("events-by-hand", events.Drain().bytes());

  ScriptWriter reuse = Started();
  reuse.SdkControl(channels::kSynchronousDelivery)
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}, {"refreshRate", Str("1")}}))
      .SdkControl(channels::kReuseLastAdSpace)
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}}))
      .AdSpaceCallWithId(AdSpaceCall("AdRender", {{"adSpaceId", EncodableValue(1)}}))
      .Advance(8)
      .SdkEvent(0);
  seeds.emplace_back("one-ad-space-two-ids", reuse.bytes());

  ScriptWriter startups;
  startups.SdkControl(channels::kInitFailureAtOnce)
      .Raw(0, startup)
      .SdkControl(channels::kInitNever)
      .Raw(0, startup)
      .SdkControl(channels::kReportInitSuccess)
      .SdkControl(channels::kReportInitFailure)
      .Raw(0, Call("QevaManager", Map({{"accountId", EncodableValue(12)}})))
      .Drain();
  seeds.emplace_back("startup-reports", startups.bytes());

  ScriptWriter no_window = Started();
  no_window.SdkControl(channels::kRemoveAppDelegate)
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}}))
      .Drain()
      .AdSpaceCallWithId(AdSpaceCall("AdClick", {{"adSpaceId", first}}))
      .Drain();
  seeds.emplace_back("click-without-window", no_window.bytes());

  ScriptWriter click_failure = Started();
  click_failure.SdkControl(channels::kToggleClickThroughSimulation)
      .Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str("home")}}))
      .Drain()
      .AdSpaceCallWithId(
          AdSpaceCall("AdClick", {{"adSpaceId", first}, {"clickUrl", Str("no scheme")}}))
      .SdkControl(channels::kToggleClickThroughSimulation)
      .AdSpaceCallWithId(AdSpaceCall("AdClick", {{"adSpaceId", first}, {"clickUrl", Str("")}}))
      .SdkControl(channels::kFinishClickThrough)
      .Drain();
  seeds.emplace_back("click-through-reports", click_failure.bytes());

  ScriptWriter fuzzed_ads = Started();
  fuzzed_ads.InventoryAd(0, 200, 100, "<a href=\"x\">\n\"quoted\" \\ </a>")
      .InventoryAd(2, 0, 0, R"({"adnetwork_params":{"click-url":["https://t.example/1",""]}})")
      .InventoryAd(4, 0, 0, "nobody")
      .SdkControl(channels::kSlowFetch);
  for (int i = 0; i < 3; ++i) {
    fuzzed_ads.Raw(4, AdSpaceCall("AdRequest", {{"tagId", Str(channels::kFuzzTag)}}))
        .Advance(4)
        .AdSpaceCallWithId(AdSpaceCall("AdClick", {{"adSpaceId", EncodableValue(i)}}));
  }
  seeds.emplace_back("inventory-from-input", fuzzed_ads.Drain().bytes());

  ScriptWriter wrong;
  wrong.Raw(0, Call("qevamanager", Map({{"accountId", Str("1")}})))
      .Raw(1, Call("QevaApplication", List({Str("a")})))
      .Raw(2, Call("QevaUser", EncodableValue()))
      .Raw(3, Call("QevaDevice", EncodableValue(EncodableMap{{EncodableValue(1), Str("x")}})))
      .Raw(4, Call("AdPlay", Map({})))
      .Raw(4, Bytes{0x07})
      .Raw(2, Bytes());
  seeds.emplace_back("calls-left-unanswered", wrong.bytes());
  return seeds;
}

// ----- gammarkup ---------------------------------------------------------------------------------

std::vector<std::pair<std::string, Bytes>> GAMMarkupSeeds() {
  return {
      {"full",
       Text(
           R"({"adnetwork_class":"GADBannerView","adnetwork_params":{"adunitid":"/6499/example/banner",)"
           R"("adsizes":["320x50","300x250"],"click-url":["https://t.example/c?a=1","https://t.example/d"],)"
           R"("campaignid":"c-42"}})")},
      {"empty-object", Text("{}")},
      {"params-null", Text(R"({"adnetwork_class":"x","adnetwork_params":null})")},
      {"params-empty", Text(R"({"adnetwork_params":{}})")},
      {"click-url-empty", Text(R"({"adnetwork_params":{"click-url":[]}})")},
      {"misspelt-members",
       Text(R"({"adnetwork_params":{"click_url":["a"],"Click-Url":["b"],"customformatid":"f"}})")},
      {"number-adunitid", Text(R"({"adnetwork_params":{"adunitid":12,"click-url":["a"]}})")},
      {"string-adsizes", Text(R"({"adnetwork_params":{"adsizes":"320x50"}})")},
      {"null-in-click-url", Text(R"({"adnetwork_params":{"click-url":["a",null]}})")},
      {"top-level-array", Text(R"([{"adnetwork_class":"x"}])")},
      {"unknown-members",
       Text(
           R"({"extra":{"deep":[1,{"a":null}]},"adnetwork_params":{"more":[true,false],"click-url":["u"]}})")},
      {"duplicate-members",
       Text(R"({"adnetwork_class":1,"adnetwork_class":"last","adnetwork_params":{"adunitid":"a"},)"
            R"("adnetwork_params":{"campaignid":"b"}})")},
      {"escapes",
       Text(
           R"({"adnetwork_class":"\"q\" \\ \/ \n \u00e9 \ud83d\ude00 \u0000","adnetwork_params":{"click-url":["\t"]}})")},
      {"write-record", Text("\x7f"
                            "class\x1e"
                            "unit\x1e"
                            "320x50\x1f"
                            "300x250\x1e"
                            "https://a\x1f\x1e"
                            "camp\x1e"
                            "fmt")},
      {"write-not-utf8", Text("\x13"
                              "\xff\xfe\x1e"
                              "\xc0\x80\x1e\x1e"
                              "\xed\xa0\x80\x1f"
                              "ok")},
  };
}

// ----- display -----------------------------------------------------------------------------------

Bytes DisplayInput(uint8_t flags, int64_t width, int64_t height, const std::string& markup) {
  Bytes bytes(1 + 8 + 8);
  bytes[0] = flags;
  std::memcpy(bytes.data() + 1, &width, 8);
  std::memcpy(bytes.data() + 9, &height, 8);
  bytes.insert(bytes.end(), markup.begin(), markup.end());
  return bytes;
}

std::vector<std::pair<std::string, Bytes>> DisplaySeeds() {
  // Flags as in DisplayFuzz.cpp: 1 width, 2 height, 4 set the size, 8 after prepare,
  // 16 no delegate, 32 close first, 64 no prepare.
  return {
      {"banner", DisplayInput(1 | 2 | 4, 320, 50, "<div>ad</div>")},
      {"rectangle-after-prepare",
       DisplayInput(1 | 2 | 4 | 8, 300, 250, "<a href=\"https://x.example\">\"q\" \\ / \n\t</a>")},
      {"width-only", DisplayInput(1 | 4, 320, 0, "<img src=x>")},
      {"no-size", DisplayInput(0, 0, 0, "plain")},
      {"extreme-size", DisplayInput(1 | 2 | 4, std::numeric_limits<int64_t>::min(),
                                    std::numeric_limits<int64_t>::max(), "")},
      {"not-utf8", DisplayInput(1 | 2 | 4, 1, 1, "<p>\xff\xc0\x80</p>")},
      {"closed-without-delegate",
       DisplayInput(16 | 32, 0, 0, "\xe2\x98\xba \xf0\x9f\x98\x82 \x01")},
      {"never-prepared", DisplayInput(64 | 4 | 1, 5, 0, "ignored")},
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: qeva-make-seeds <corpus-dir>" << std::endl;
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const std::pair<const char*, std::vector<std::pair<std::string, Bytes>>> targets[] = {
      {"codec", CodecSeeds()},
      {"channels", ChannelSeeds()},
      {"gammarkup", GAMMarkupSeeds()},
      {"display", DisplaySeeds()},
  };
  size_t written = 0;
  for (const auto& [target, seeds] : targets) {
    std::error_code error;
    std::filesystem::create_directories(root / target, error);
    for (const auto& [name, bytes] : seeds) {
      if (!Write(root / target / name, bytes)) {
        std::cerr << "cannot write " << (root / target / name).string() << std::endl;
        return 1;
      }
      ++written;
    }
  }
  std::cout << written << " seeds written" << std::endl;
  return 0;
}
