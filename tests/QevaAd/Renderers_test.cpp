#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Qeva/Qeva.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"
#include "QevaStandIn/StandIn.h"
#include "UIKit/UIKit.h"
#include "support/TestAds.h"

namespace QevaFlutter {
namespace {

using nlohmann::json;
using Qeva::QevaSDKError;
using support::RecordingAdDelegate;
using Strings = std::vector<std::string>;

std::string ErrorText(QevaSDKError::Code code) {
  return QevaSDKError(code).description();
}

// The stand-in SDK, reset around each test, and one renderer of type T made as the SDK would.
template <typename T>
class RendererTest : public ::testing::Test {
 protected:
  // Log lines since the last Forget(), as "[level] function: message".
  Strings Logged() const { return sdk().logSink().summaries(); }
  void Forget() const {
    sdk().logSink().clear();
    sdk().journal().clear();
  }
  QevaStandIn::StandIn& sdk() const { return scope_.sdk(); }
  std::string Stopped(const char* function) const {
    return "[error] " + std::string(function) + ": " +
           ErrorText(QevaSDKError::Code::executionStopped);
  }

  QevaStandIn::StandInScope scope_;  // First: outlives the renderer's last log line.
  std::shared_ptr<T> ad_ = std::make_shared<T>();
  std::shared_ptr<RecordingAdDelegate> delegate_ = std::make_shared<RecordingAdDelegate>();
  UIKit::UIView container_;
};

using Renderers = ::testing::Types<QevaAdFlutterDisplay, QevaAdFlutterGAMBanner>;
TYPED_TEST_SUITE(RendererTest, Renderers);

TYPED_TEST(RendererTest, LogsItsDescriptionOnCreationAndDestruction) {
  const std::string name = this->ad_->description();
  this->ad_.reset();
  EXPECT_EQ(this->Logged(), Strings({"[info] init(): " + name, "[info] deinit: " + name}));
}

TYPED_TEST(RendererTest, PrepareReportsLoadSuccessToTheNewDelegateBeforeReturning) {
  auto& ad = *this->ad_;
  const std::string loaded = "onLoadSuccess(" + ad.description() + ")";
  ad.prepare("first", this->delegate_);
  const std::optional<std::string> first_response = ad.getAdResponse();
  auto second = std::make_shared<RecordingAdDelegate>();
  ad.prepare("second", second);

  EXPECT_EQ(this->delegate_->seen_at_load, Strings({first_response.value()}));
  EXPECT_EQ(second->seen_at_load, Strings({ad.getAdResponse().value()}));
  EXPECT_EQ(this->delegate_->calls, Strings({loaded}));
  EXPECT_EQ(second->calls, Strings({loaded}));
  EXPECT_EQ(ad.delegate(), second);
  EXPECT_EQ(ad.adResponse(), "second");
  EXPECT_EQ(this->Logged(),
            Strings({"[info] init(): " + ad.description(), "[info] prepare(adResponse:delegate:): ",
                     "[info] prepare(adResponse:delegate:): "}));
  // The delegate is all the renderer talks to.
  EXPECT_EQ(this->sdk().journal().lines(), Strings());
}

TYPED_TEST(RendererTest, ReachesTheDelegateUntilCloseAndNeverTouchesTheContainer) {
  auto& ad = *this->ad_;
  ad.prepare("<div>ad</div>", this->delegate_);
  const std::optional<std::string> response = ad.getAdResponse();
  this->Forget();
  this->delegate_->calls.clear();

  ad.render(this->container_);
  ad.pause();
  ad.resume();
  ad.close();

  const std::string self = ad.description();
  EXPECT_EQ(this->delegate_->calls, Strings({"onRenderSuccess(" + self + ")", "onAdPaused()",
                                             "onAdResumed()", "onClose(" + self + ")"}));
  EXPECT_EQ(this->container_.subviewCount(), 0u);
  EXPECT_EQ(ad.delegate(), nullptr);
  EXPECT_EQ(ad.getAdResponse(), response);  // close() keeps the markup (and the size).
  EXPECT_TRUE(ad.shouldProcessRefresh());
  EXPECT_EQ(this->Logged(), Strings());
}

TYPED_TEST(RendererTest, CloseSurvivesTheSdkReleasingTheAdInsideOnClose) {
  const std::string name = this->ad_->description();
  this->ad_->prepare("m", this->delegate_);
  this->delegate_->on_close = [this] { this->ad_.reset(); };
  this->Forget();
  TypeParam* ad = this->ad_.get();
  ad->close();
  EXPECT_EQ(this->ad_, nullptr);
  EXPECT_EQ(this->delegate_->calls,
            Strings({"onLoadSuccess(" + name + ")", "onClose(" + name + ")"}));
  EXPECT_EQ(this->Logged(), Strings({"[info] deinit: " + name}));
}

TYPED_TEST(RendererTest, WithoutDelegateEveryOperationOnlyLogsExecutionStopped) {
  struct Row {
    const char* function;
    std::function<void(TypeParam&, UIKit::UIView&)> call;
  };
  const std::vector<Row> rows = {
      {"render(container:)", [](TypeParam& ad, UIKit::UIView& view) { ad.render(view); }},
      {"pause()", [](TypeParam& ad, UIKit::UIView&) { ad.pause(); }},
      {"resume()", [](TypeParam& ad, UIKit::UIView&) { ad.resume(); }},
      {"close()", [](TypeParam& ad, UIKit::UIView&) { ad.close(); }},
  };
  auto closed = std::make_shared<TypeParam>();
  closed->prepare("m", this->delegate_);
  closed->close();
  for (TypeParam* ad : {this->ad_.get(), closed.get()}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(row.function) +
                   (ad == closed.get() ? " after close" : " before prepare"));
      this->Forget();
      this->delegate_->calls.clear();
      row.call(*ad, this->container_);
      EXPECT_EQ(this->Logged(), Strings({this->Stopped(row.function)}));
      EXPECT_EQ(this->delegate_->calls, Strings());
      EXPECT_EQ(this->container_.subviewCount(), 0u);
      EXPECT_TRUE(ad->shouldProcessRefresh());
    }
  }
}

TYPED_TEST(RendererTest, PrepareWithoutDelegateKeepsTheMarkupAndLogsExecutionStopped) {
  this->Forget();
  this->ad_->prepare("m", nullptr);
  EXPECT_EQ(this->ad_->adResponse(), "m");
  EXPECT_EQ(this->Logged(), Strings({"[info] prepare(adResponse:delegate:): ",
                                     this->Stopped("prepare(adResponse:delegate:)")}));
}

class QevaAdFlutterDisplayTest : public RendererTest<QevaAdFlutterDisplay> {};

TEST_F(QevaAdFlutterDisplayTest, ClaimsTheSmartphoneBannerFirst) {
  EXPECT_EQ(QevaAdFlutterDisplay::getSignatures(),
            Strings({"iab.smartphonebanner", "iab.mediumrectangle"}));
}

TEST_F(QevaAdFlutterDisplayTest, AdResponseWrapsTheMarkupWithItsSize) {
  struct Row {
    const char* name;
    std::optional<int64_t> width;
    std::optional<int64_t> height;
    std::optional<std::string> markup;  // none: prepare() is not called.
    json expected;
  };
  const std::vector<Row> rows = {
      {"new object", {}, {}, {}, {{"adSize", "0x0"}, {"response", ""}}},
      {"size and tricky markup",
       300,
       250,
       "<a href=\"https://x/y\">\\n</a>\r\n\t'\"/",
       {{"adSize", "300x250"}, {"response", "<a href=\"https://x/y\">\\n</a>\r\n\t'\"/"}}},
      {"width only", 320, {}, "", {{"adSize", "320x0"}, {"response", ""}}},
      {"height only", {}, 50, "m", {{"adSize", "0x50"}, {"response", "m"}}},
      {"non-ASCII and NUL",
       1,
       2,
       std::string("caf\xC3\xA9 \xF0\x9F\x98\x80\0x", 12),
       {{"adSize", "1x2"}, {"response", std::string("caf\xC3\xA9 \xF0\x9F\x98\x80\0x", 12)}}},
      {"markup that is JSON",
       1,
       1,
       R"({"a":[1,"b"]})",
       {{"adSize", "1x1"}, {"response", R"({"a":[1,"b"]})"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QevaAdFlutterDisplay ad;
    ad.setAdParameters(row.width, row.height);
    if (row.markup) {
      ad.prepare(*row.markup, delegate_);
    }
    const std::optional<std::string> text = ad.getAdResponse();
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->find('\n'), std::string::npos) << "not compact: " << *text;
    EXPECT_EQ(json::parse(*text), row.expected);
  }
}

// The response is written by hand; a JSON library's compact, strict dump is the reference it
// must match byte for byte, escapes and UTF-8 verdicts included.
TEST_F(QevaAdFlutterDisplayTest, AdResponseIsByteForByteWhatAJsonLibraryWrites) {
  const auto reference = [](const std::string& ad_size, const std::string& markup) {
    try {
      return std::optional<std::string>(json{{"adSize", ad_size}, {"response", markup}}.dump(
          -1, ' ', false, json::error_handler_t::strict));
    } catch (const json::exception&) {
      return std::optional<std::string>();
    }
  };
  const auto hex = [](const std::string& bytes) {
    std::string text;
    for (unsigned char c : bytes) {
      text += "0123456789abcdef"[c >> 4];
      text += "0123456789abcdef"[c & 0xF];
      text += ' ';
    }
    return text;
  };
  std::vector<std::string> markups;
  for (int first = 0; first < 256; ++first) {
    markups.push_back(std::string("<") + static_cast<char>(first) + ">");
  }
  // Every byte after each byte that cannot stand alone, also at the very end.
  for (int first = 0x80; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      markups.push_back(std::string("<") + static_cast<char>(first) + static_cast<char>(second));
    }
  }
  // Longer sequences, with the bytes after the second at the edges of the continuation range.
  for (int lead = 0xE0; lead <= 0xF4; ++lead) {
    for (int second = 0x80; second <= 0xBF; ++second) {
      for (const char* rest :
           {"\x7F", "\x80", "\xBF", "\xC0", "\x80\x7F", "\x80\xBF", "\xBF\xC0"}) {
        markups.push_back(std::string(1, static_cast<char>(lead)) + static_cast<char>(second) +
                          rest + "/");
      }
    }
  }
  sdk().setRecording(false);  // Each prepare() logs; none of it is asserted here.
  ad_->setAdParameters(320, 50);
  for (const std::string& markup : markups) {
    ad_->prepare(markup, nullptr);
    ASSERT_EQ(ad_->getAdResponse(), reference("320x50", markup)) << hex(markup);
  }
  ad_->prepare("m", nullptr);
  ad_->setAdParameters(std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(ad_->getAdResponse(), reference("9223372036854775807x-9223372036854775808", "m"));
  ad_->setAdParameters(std::nullopt, std::nullopt);
  EXPECT_EQ(ad_->getAdResponse(), reference("0x0", "m"));
}

TEST_F(QevaAdFlutterDisplayTest, AnEmptySizeEmptiesTheStoredOne) {
  ad_->setAdParameters(300, 250);
  ad_->setAdParameters(std::nullopt, 50);
  EXPECT_EQ(ad_->flutterWidth(), std::nullopt);
  EXPECT_EQ(json::parse(ad_->getAdResponse().value())["adSize"], "0x50");
}

TEST_F(QevaAdFlutterDisplayTest, MarkupThatIsNotUtf8GivesNoResponse) {
  const std::vector<std::pair<const char*, std::string>> rows = {
      {"stray byte", "\xFF"}, {"cut sequence", "ok\xC3"}, {"lone surrogate", "\xED\xA0\x80"}};
  for (const auto& [name, markup] : rows) {
    SCOPED_TRACE(name);
    ad_->prepare(markup, delegate_);
    EXPECT_EQ(ad_->getAdResponse(), std::nullopt);
  }
  // Loaded all the same.
  EXPECT_EQ(delegate_->calls, Strings(3, "onLoadSuccess(" + ad_->description() + ")"));
}

class QevaAdFlutterGAMBannerTest : public RendererTest<QevaAdFlutterGAMBanner> {
 protected:
  // The SDK's journal lines for one click's tracker, with the urls given.
  Strings TrackerLines(int tracker, const std::string& urls) const {
    const std::string name = "tracker#" + std::to_string(tracker);
    return {"QevaTracker.init() -> " + name,
            name + ".addEvent(event: QevaEvent(name: \"click\", httpUrls: " + urls + "))",
            name + ".fireNotification(eventName: \"click\")"};
  }
};

TEST_F(QevaAdFlutterGAMBannerTest, ClaimsTheGAMBannerFirst) {
  EXPECT_EQ(QevaAdFlutterGAMBanner::getSignatures(), Strings({"nw.gambanner", "nw.admobbanner"}));
}

TEST_F(QevaAdFlutterGAMBannerTest, AdResponseIsTheMarkupUnchanged) {
  EXPECT_EQ(ad_->getAdResponse(), std::nullopt);
  for (const std::string& markup : {std::string(), std::string("not json \xFF"),
                                    std::string(R"({ "adnetwork_params" : {"click-url":[1]} })")}) {
    ad_->prepare(markup, delegate_);
    EXPECT_EQ(ad_->getAdResponse(), markup);
  }
  const std::string loaded = "onLoadSuccess(" + ad_->description() + ")";
  EXPECT_EQ(delegate_->calls, Strings({loaded, loaded, loaded}));
}

TEST_F(QevaAdFlutterGAMBannerTest, MediationFailureReachesTheDelegateWhichStays) {
  ad_->prepare("m", delegate_);
  Forget();
  ad_->prepareMediationAdFailed();
  ad_->close();
  const std::string self = ad_->description();
  EXPECT_EQ(delegate_->calls,
            Strings({"onLoadSuccess(" + self + ")",
                     "onLoadFailure(" + self + ", prepareQevaAdFailed)", "onClose(" + self + ")"}));
  EXPECT_EQ(Logged(), Strings({"[info] prepareMediationAdFailed(): "}));
}

TEST_F(QevaAdFlutterGAMBannerTest, MediationFailureWithoutDelegateOnlyLogs) {
  auto closed = std::make_shared<QevaAdFlutterGAMBanner>();
  closed->prepare("m", delegate_);
  closed->close();
  for (QevaAdFlutterGAMBanner* ad : {ad_.get(), closed.get()}) {
    SCOPED_TRACE(ad == closed.get() ? "after close" : "before prepare");
    Forget();
    delegate_->calls.clear();
    ad->prepareMediationAdFailed();
    EXPECT_EQ(Logged(), Strings({"[info] prepareMediationAdFailed(): ",
                                 Stopped("prepareMediationAdFailed()")}));
    EXPECT_EQ(delegate_->calls, Strings());
  }
}

TEST_F(QevaAdFlutterGAMBannerTest, ClickFiresTheMarkupsTrackersInDocumentOrder) {
  struct Row {
    const char* name;
    std::string markup;
    std::string urls;  // As the journal writes the event's URL list.
    Strings requested;
  };
  const std::vector<Row> rows = {
      {"two urls",
       R"({"adnetwork_params":{"click-url":["https://b/2","https://a/1"]}})",
       R"(["https://b/2", "https://a/1"])",
       {"https://b/2", "https://a/1"}},
      {"empty list", R"({"adnetwork_params":{"click-url":[]}})", "[]", {}},
      {"duplicates kept, other members ignored",
       R"({"adnetwork_class":"c","x":{},"adnetwork_params":{"adunitid":"u","click-url":["t","t"],)"
       R"("customformatid":"f"}})",
       R"(["t", "t"])",
       {"t", "t"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QevaStandIn::StandIn::Reset();
    sdk().logSink().setEcho(false);
    auto ad = std::make_shared<QevaAdFlutterGAMBanner>();
    ad->prepare(row.markup, delegate_);
    Forget();
    delegate_->calls.clear();
    ad->trackMediationAdClick();
    EXPECT_EQ(sdk().journal().commandLines(), TrackerLines(1, row.urls));
    Strings requested;
    for (const auto& request : sdk().trackerRequests()) {
      EXPECT_EQ(request.eventName, "click");
      EXPECT_EQ(request.trackerNumber, 1u);
      requested.push_back(request.url);
    }
    EXPECT_EQ(requested, row.requested);
    EXPECT_EQ(Logged(), Strings());
    EXPECT_EQ(delegate_->calls, Strings());
    EXPECT_EQ(ad->getAdResponse(), row.markup);
  }
}

TEST_F(QevaAdFlutterGAMBannerTest, EveryClickUsesANewTrackerAndWorksAfterClose) {
  const std::string markup = R"({"adnetwork_params":{"click-url":["https://t/1"]}})";
  ad_->prepare(markup, delegate_);
  Forget();
  ad_->trackMediationAdClick();
  ad_->close();
  ad_->trackMediationAdClick();
  Strings expected = TrackerLines(1, R"(["https://t/1"])");
  for (const std::string& line : TrackerLines(2, R"(["https://t/1"])")) {
    expected.push_back(line);
  }
  EXPECT_EQ(sdk().journal().commandLines(), expected);
}

TEST_F(QevaAdFlutterGAMBannerTest, ClickWithoutUsableTrackersDoesNothing) {
  const std::vector<std::pair<const char*, std::optional<std::string>>> rows = {
      {"never prepared", std::nullopt},
      {"empty markup", ""},
      {"not JSON", "click-url"},
      {"no params", R"({"adnetwork_class":"c"})"},
      {"params without click-url", R"({"adnetwork_params":{"adunitid":"u"}})"},
      {"null click-url", R"({"adnetwork_params":{"click-url":null}})"},
      {"click_url spelt with underscore", R"({"adnetwork_params":{"click_url":["u"]}})"},
      {"null url", R"({"adnetwork_params":{"click-url":["u",null]}})"},
      {"adunitid as number", R"({"adnetwork_params":{"adunitid":1,"click-url":["u"]}})"},
      {"params as string", R"({"adnetwork_params":"{\"click-url\":[\"u\"]}"})"},
  };
  for (const auto& [name, markup] : rows) {
    SCOPED_TRACE(name);
    auto ad = std::make_shared<QevaAdFlutterGAMBanner>();
    if (markup) {
      ad->prepare(*markup, delegate_);
    }
    Forget();
    delegate_->calls.clear();
    ad->trackMediationAdClick();
    EXPECT_EQ(sdk().journal().lines(), Strings());
    EXPECT_EQ(Logged(), Strings());
    EXPECT_EQ(delegate_->calls, Strings());
  }
  EXPECT_TRUE(sdk().trackerRequests().empty());
}

}  // namespace
}  // namespace QevaFlutter
