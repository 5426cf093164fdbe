#include "headless/DartReply.h"

#include <charconv>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>

#include "Foundation/TextScan.h"
#include "flutter/method_result.h"
#include "flutter/standard_message_codec.h"
#include "flutter/standard_method_codec.h"

namespace headless {

namespace {

void AppendDouble(double number, std::string* out) {
  char digits[32];
  auto [end, error] = std::to_chars(digits, digits + sizeof(digits), number);
  std::string text(digits, error == std::errc() ? end : digits);
  // Shortest round-trip form; keep it visibly a double.
  if (text.find_first_of(".eninf") == std::string::npos) {
    text += ".0";
  }
  *out += text;
}

template <typename T>
void AppendTypedList(const char* name, const std::vector<T>& list, std::string* out) {
  *out += name;
  out->push_back('[');
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) {
      *out += ", ";
    }
    if constexpr (std::is_floating_point_v<T>) {
      AppendDouble(list[i], out);
    } else {
      *out += std::to_string(list[i]);
    }
  }
  out->push_back(']');
}

void Append(const flutter::EncodableValue& value, std::string* out) {
  std::visit(
      [out](const auto& held) {
        using T = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          *out += "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          *out += held ? "true" : "false";
        } else if constexpr (std::is_same_v<T, int32_t>) {
          *out += std::to_string(held);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          *out += std::to_string(held) + "L";
        } else if constexpr (std::is_same_v<T, double>) {
          AppendDouble(held, out);
        } else if constexpr (std::is_same_v<T, std::string>) {
          Foundation::AppendCQuoted(held, *out);
        } else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) {
          AppendTypedList("Uint8List", held, out);
        } else if constexpr (std::is_same_v<T, std::vector<int32_t>>) {
          AppendTypedList("Int32List", held, out);
        } else if constexpr (std::is_same_v<T, std::vector<int64_t>>) {
          AppendTypedList("Int64List", held, out);
        } else if constexpr (std::is_same_v<T, std::vector<double>>) {
          AppendTypedList("Float64List", held, out);
        } else if constexpr (std::is_same_v<T, std::vector<float>>) {
          AppendTypedList("Float32List", held, out);
        } else if constexpr (std::is_same_v<T, flutter::EncodableList>) {
          out->push_back('[');
          for (size_t i = 0; i < held.size(); ++i) {
            if (i > 0) {
              *out += ", ";
            }
            Append(held[i], out);
          }
          out->push_back(']');
        } else if constexpr (std::is_same_v<T, flutter::EncodableMap>) {
          out->push_back('{');
          bool first = true;
          for (const auto& [key, element] : held) {
            if (!first) {
              *out += ", ";
            }
            first = false;
            Append(key, out);
            *out += ": ";
            Append(element, out);
          }
          out->push_back('}');
        } else {
          *out += "<custom>";
        }
      },
      static_cast<const flutter::EncodableValue::super&>(value));
}

}  // namespace

std::string ToString(const flutter::EncodableValue& value) {
  std::string out;
  Append(value, &out);
  return out;
}

// Writes a decoded envelope into a DartReply.
class ReplyRecorder : public flutter::MethodResult<flutter::EncodableValue> {
 public:
  explicit ReplyRecorder(DartReply* reply) : reply_(reply) {}

 protected:
  void SuccessInternal(const flutter::EncodableValue* result) override {
    reply_->kind_ = DartReply::Kind::kSuccess;
    if (result != nullptr) {
      reply_->value_ = *result;
    }
  }

  void ErrorInternal(const std::string& error_code, const std::string& error_message,
                     const flutter::EncodableValue* error_details) override {
    reply_->kind_ = DartReply::Kind::kError;
    reply_->error_code_ = error_code;
    reply_->error_message_ = error_message;
    if (error_details != nullptr) {
      reply_->error_details_ = *error_details;
    }
  }

  void NotImplementedInternal() override { reply_->kind_ = DartReply::Kind::kNotImplemented; }

 private:
  DartReply* reply_;
};

void DartReply::Record(const uint8_t* reply, size_t reply_size) {
  ++reply_count_;
  if (reply_count_ > 1) {
    return;  // The engine, too, takes only the first reply.
  }
  if (reply_size == 0) {
    kind_ = Kind::kNotImplemented;
    return;
  }
  bytes_.assign(reply, reply + reply_size);
  // A success envelope is decoded straight into the record, as Dart's codec reads it: the tag,
  // then one value filling the rest. The method codec would hand over a value to be copied.
  if (reply_size >= 2 && reply[0] == 0) {
    std::unique_ptr<flutter::EncodableValue> value =
        flutter::StandardMessageCodec::GetInstance().DecodeMessage(reply + 1, reply_size - 1);
    if (value) {
      kind_ = Kind::kSuccess;
      value_ = std::move(*value);
    } else {
      kind_ = Kind::kUndecodable;
    }
    return;
  }
  ReplyRecorder recorder(this);
  if (!flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
          reply, reply_size, &recorder)) {
    kind_ = Kind::kUndecodable;
  }
}

std::string DartReply::ToString() const {
  switch (kind_) {
    case Kind::kPending:
      return "no reply yet";
    case Kind::kSuccess:
      return "success: " + headless::ToString(value_);
    case Kind::kError: {
      std::string text = "error(" + error_code_ + ", ";
      Foundation::AppendCQuoted(error_message_, text);
      return text + ", " + headless::ToString(error_details_) + ")";
    }
    case Kind::kNotImplemented:
      return "not implemented";
    case Kind::kUndecodable:
      break;
  }
  return "undecodable reply of " + std::to_string(bytes_.size()) + " bytes";
}

}  // namespace headless
