// The standard codec on arbitrary bytes. Whatever decodes must re-encode to bytes that decode
// to the same thing, must stop decoding once a byte is appended or (where the format allows
// no optional tail) removed, and the plain fast path and the extensible path of a serializer
// subclass must agree on every input, byte for byte. The input as text must get the same
// answer from every width of the UTF-8 check the codec uses.

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "Foundation/TextScan.h"
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "flutter/encodable_value.h"
#include "flutter/method_call.h"
#include "flutter/method_result.h"
#include "flutter/standard_codec_serializer.h"
#include "flutter/standard_message_codec.h"
#include "flutter/standard_method_codec.h"

namespace qeva_fuzz::codec {

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::StandardCodecSerializer;
using flutter::StandardMessageCodec;
using flutter::StandardMethodCodec;
using Bytes = std::vector<uint8_t>;

// A subclass that adds nothing: with it the codecs take their extensible path, one virtual
// call per value, which must behave exactly like the fast path of the plain serializer.
class PlainSubclass : public StandardCodecSerializer {
 public:
  static const PlainSubclass& Instance() {
    static const PlainSubclass* instance = new PlainSubclass();
    return *instance;
  }
};

// A type byte of a string that has no size yet: appended to a complete message it can never
// complete a value, not even an error envelope's optional stack trace.
constexpr uint8_t kIncompleteValue = 0x07;

template <typename T>
bool AnyNaN(const std::vector<T>& numbers) {
  for (T number : numbers) {
    if (std::isnan(number)) {
      return true;
    }
  }
  return false;
}

// NaN is unequal to itself, so values holding one are compared by their encodings only.
bool HasNaN(const EncodableValue& value) {
  if (const auto* number = std::get_if<double>(&value)) {
    return std::isnan(*number);
  }
  if (const auto* numbers = std::get_if<std::vector<double>>(&value)) {
    return AnyNaN(*numbers);
  }
  if (const auto* numbers = std::get_if<std::vector<float>>(&value)) {
    return AnyNaN(*numbers);
  }
  if (const auto* list = std::get_if<EncodableList>(&value)) {
    for (const EncodableValue& element : *list) {
      if (HasNaN(element)) {
        return true;
      }
    }
  }
  if (const auto* map = std::get_if<EncodableMap>(&value)) {
    for (const auto& [key, element] : *map) {
      if (HasNaN(key) || HasNaN(element)) {
        return true;
      }
    }
  }
  return false;
}

Bytes WithIncompleteValue(const uint8_t* data, size_t size) {
  Bytes longer(data, data + size);
  longer.push_back(kIncompleteValue);
  return longer;
}

// ----- Messages ----------------------------------------------------------------------------------

void CheckMessage(const uint8_t* data, size_t size) {
  const StandardMessageCodec& fast = StandardMessageCodec::GetInstance();
  const StandardMessageCodec& extensible =
      StandardMessageCodec::GetInstance(&PlainSubclass::Instance());

  std::unique_ptr<EncodableValue> value = fast.DecodeMessage(data, size);
  std::unique_ptr<EncodableValue> value_too = extensible.DecodeMessage(data, size);
  if (!CheckInput((value == nullptr) == (value_too == nullptr),
                  "message: the fast and the extensible decoder disagree on whether the bytes are "
                  "a message",
                  data, size)) {
    return;
  }
  if (!value) {
    return;
  }
  std::unique_ptr<Bytes> encoded = fast.EncodeMessage(*value);
  if (!CheckInput(*extensible.EncodeMessage(*value_too) == *encoded,
                  "message: the fast and the extensible path give different encodings", data,
                  size)) {
    return;
  }
  std::unique_ptr<EncodableValue> again = fast.DecodeMessage(*encoded);
  if (!CheckInput(again != nullptr, "message: the encoding of a decoded message does not decode",
                  data, size)) {
    return;
  }
  CheckInput(*fast.EncodeMessage(*again) == *encoded,
             "message: a second round trip changes the encoding", data, size);
  if (!HasNaN(*value)) {
    CheckInput(*again == *value, "message: the round trip changes the value", data, size);
  }
  if (size == 0) {
    return;  // The empty message is Dart's null; nothing to append to or cut from.
  }
  Bytes longer = WithIncompleteValue(data, size);
  CheckInput(fast.DecodeMessage(longer) == nullptr && extensible.DecodeMessage(longer) == nullptr,
             "message: a trailing byte is accepted", data, size);
  if (size > 1) {
    CheckInput(fast.DecodeMessage(data, size - 1) == nullptr &&
                   extensible.DecodeMessage(data, size - 1) == nullptr,
               "message: the message without its last byte still decodes", data, size);
  }
}

// ----- Method calls ------------------------------------------------------------------------------

Bytes EncodeCall(const StandardMethodCodec& codec, const MethodCall<>& call) {
  const EncodableValue* arguments = call.arguments();
  MethodCall<> copy(call.method_name(),
                    std::make_unique<EncodableValue>(arguments ? *arguments : EncodableValue()));
  return *codec.EncodeMethodCall(copy);
}

void CheckMethodCall(const uint8_t* data, size_t size) {
  const StandardMethodCodec& fast = StandardMethodCodec::GetInstance();
  const StandardMethodCodec& extensible =
      StandardMethodCodec::GetInstance(&PlainSubclass::Instance());

  std::unique_ptr<MethodCall<>> call = fast.DecodeMethodCall(data, size);
  std::unique_ptr<MethodCall<>> call_too = extensible.DecodeMethodCall(data, size);
  if (!CheckInput(
          (call == nullptr) == (call_too == nullptr),
          "call: the fast and the extensible decoder disagree on whether the bytes are a call",
          data, size)) {
    return;
  }
  if (!call) {
    return;
  }
  if (!CheckInput(call->arguments() != nullptr, "call: a decoded call has no arguments value", data,
                  size)) {
    return;
  }
  Bytes encoded = EncodeCall(fast, *call);
  if (!CheckInput(EncodeCall(extensible, *call_too) == encoded,
                  "call: the fast and the extensible path give different encodings", data, size)) {
    return;
  }
  std::unique_ptr<MethodCall<>> again = fast.DecodeMethodCall(encoded);
  if (!CheckInput(again != nullptr, "call: the encoding of a decoded call does not decode", data,
                  size)) {
    return;
  }
  CheckInput(again->method_name() == call->method_name(),
             "call: the round trip changes the method name", data, size);
  CheckInput(EncodeCall(fast, *again) == encoded, "call: a second round trip changes the encoding",
             data, size);
  if (!HasNaN(*call->arguments())) {
    CheckInput(*again->arguments() == *call->arguments(),
               "call: the round trip changes the arguments", data, size);
  }
  Bytes longer = WithIncompleteValue(data, size);
  CheckInput(
      fast.DecodeMethodCall(longer) == nullptr && extensible.DecodeMethodCall(longer) == nullptr,
      "call: a trailing byte is accepted", data, size);
  CheckInput(fast.DecodeMethodCall(data, size - 1) == nullptr &&
                 extensible.DecodeMethodCall(data, size - 1) == nullptr,
             "call: the call without its last byte still decodes", data, size);
}

// ----- Reply envelopes ---------------------------------------------------------------------------

// What DecodeAndProcessResponseEnvelope reported, call by call.
struct Outcome {
  enum class Kind { kNone, kSuccess, kError, kNotImplemented };
  Kind kind = Kind::kNone;
  int calls = 0;
  std::optional<EncodableValue> value;  // Success(value); none for Success().
  std::string code;
  std::string message;
  std::optional<EncodableValue> details;  // Error(code, message, details).

  bool operator==(const Outcome& other) const {
    return kind == other.kind && calls == other.calls && value == other.value &&
           code == other.code && message == other.message && details == other.details;
  }
};

class Recorder : public flutter::MethodResult<EncodableValue> {
 public:
  explicit Recorder(Outcome* outcome) : outcome_(outcome) {}

 protected:
  void SuccessInternal(const EncodableValue* result) override {
    ++outcome_->calls;
    outcome_->kind = Outcome::Kind::kSuccess;
    if (result != nullptr) {
      outcome_->value = *result;
    }
  }
  void ErrorInternal(const std::string& code, const std::string& message,
                     const EncodableValue* details) override {
    ++outcome_->calls;
    outcome_->kind = Outcome::Kind::kError;
    outcome_->code = code;
    outcome_->message = message;
    if (details != nullptr) {
      outcome_->details = *details;
    }
  }
  void NotImplementedInternal() override {
    ++outcome_->calls;
    outcome_->kind = Outcome::Kind::kNotImplemented;
  }

 private:
  Outcome* outcome_;
};

bool Process(const StandardMethodCodec& codec, const uint8_t* data, size_t size, Outcome* outcome) {
  Recorder recorder(outcome);
  return codec.DecodeAndProcessResponseEnvelope(data, size, &recorder);
}

Bytes Reencode(const StandardMethodCodec& codec, const Outcome& outcome) {
  if (outcome.kind == Outcome::Kind::kSuccess) {
    return *codec.EncodeSuccessEnvelope(outcome.value ? &*outcome.value : nullptr);
  }
  return *codec.EncodeErrorEnvelope(outcome.code, outcome.message,
                                    outcome.details ? &*outcome.details : nullptr);
}

bool OutcomeHasNaN(const Outcome& outcome) {
  return (outcome.value && HasNaN(*outcome.value)) || (outcome.details && HasNaN(*outcome.details));
}

void CheckEnvelope(const uint8_t* data, size_t size) {
  const StandardMethodCodec& fast = StandardMethodCodec::GetInstance();
  const StandardMethodCodec& extensible =
      StandardMethodCodec::GetInstance(&PlainSubclass::Instance());

  Outcome outcome;
  Outcome outcome_too;
  const bool decoded = Process(fast, data, size, &outcome);
  const bool decoded_too = Process(extensible, data, size, &outcome_too);
  if (!CheckInput(decoded == decoded_too,
                  "envelope: the fast and the extensible decoder disagree on whether the bytes are "
                  "an envelope",
                  data, size)) {
    return;
  }
  if (!decoded) {
    CheckInput(outcome.calls == 0 && outcome_too.calls == 0,
               "envelope: a rejected envelope still reached the result", data, size);
    return;
  }
  if (!CheckInput(outcome.calls == 1 && outcome_too.calls == 1,
                  "envelope: a decoded envelope did not reach the result exactly once", data,
                  size)) {
    return;
  }
  if (!CheckInput(outcome.kind != Outcome::Kind::kNotImplemented,
                  "envelope: a decoded envelope was reported as not implemented", data, size)) {
    return;
  }
  // Null values and null details are reported as absent, never as a null value.
  CheckInput(!(outcome.value && outcome.value->IsNull()) &&
                 !(outcome.details && outcome.details->IsNull()),
             "envelope: a null value or null details were passed on as a value", data, size);
  Bytes encoded = Reencode(fast, outcome);
  if (!CheckInput(Reencode(extensible, outcome_too) == encoded,
                  "envelope: the fast and the extensible path give different encodings", data,
                  size)) {
    return;
  }
  Outcome again;
  if (!CheckInput(Process(fast, encoded.data(), encoded.size(), &again),
                  "envelope: the encoding of a decoded envelope does not decode", data, size)) {
    return;
  }
  CheckInput(Reencode(fast, again) == encoded, "envelope: a second round trip changes the encoding",
             data, size);
  if (!OutcomeHasNaN(outcome)) {
    CheckInput(again == outcome, "envelope: the round trip changes what the result hears", data,
               size);
  }
  Bytes longer = WithIncompleteValue(data, size);
  Outcome ignored;
  CheckInput(!Process(fast, longer.data(), longer.size(), &ignored) &&
                 !Process(extensible, longer.data(), longer.size(), &ignored),
             "envelope: a trailing byte is accepted", data, size);
  // An error envelope may end in an optional stack trace, so only a success loses validity
  // with its last byte.
  if (outcome.kind == Outcome::Kind::kSuccess) {
    CheckInput(
        !Process(fast, data, size - 1, &ignored) && !Process(extensible, data, size - 1, &ignored),
        "envelope: a success envelope without its last byte still decodes", data, size);
  }
}

// ----- UTF-8 -------------------------------------------------------------------------------------

// Every width this CPU runs, as a check and as the checked append that decodes strings,
// against the independent check.
void CheckUTF8Widths(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const bool valid = qeva_fuzz::IsValidUtf8(text);
  for (Foundation::ScanWidth width :
       {Foundation::ScanWidth::kWord, Foundation::ScanWidth::kSSE2, Foundation::ScanWidth::kAVX2,
        Foundation::ScanWidth::kAVX512}) {
    CheckInput(Foundation::IsValidUTF8(text, width) == valid,
               "utf-8: a width of the check disagrees with the independent one", data, size);
    std::string out = "kept";
    const bool appended = Foundation::AppendValidUTF8(text, out, width);
    CheckInput(appended == valid && (!valid || out == "kept" + text),
               "utf-8: the checked append disagrees with the check or changes the text", data,
               size);
  }
}

}  // namespace

int FuzzOne(const uint8_t* data, size_t size) {
  CheckUTF8Widths(data, size);
  CheckMessage(data, size);
  CheckMethodCall(data, size);
  CheckEnvelope(data, size);
  return 0;
}

}  // namespace qeva_fuzz::codec
