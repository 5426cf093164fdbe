// StandardMethodCodec: method calls and result envelopes in the standard wire format.

#include "include/flutter/standard_method_codec.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "byte_buffer_streams.h"
#include "standard_codec_wire.h"

namespace flutter {

using internal::ByteBufferReader;
using internal::CachedCodec;
using internal::EncodeWith;
using internal::kEnvelopeError;
using internal::kEnvelopeSuccess;
using internal::kNull;
using internal::ReadOneValue;
using internal::WriteStringValue;

StandardMethodCodec::StandardMethodCodec(const StandardCodecSerializer* serializer)
    : serializer_(serializer) {}

StandardMethodCodec::~StandardMethodCodec() = default;

const StandardMethodCodec& StandardMethodCodec::GetInstance(
    const StandardCodecSerializer* serializer) {
  if (serializer == nullptr) {
    static const StandardMethodCodec& plain = GetInstance(&StandardCodecSerializer::GetInstance());
    return plain;
  }
  return CachedCodec<StandardMethodCodec>(
      serializer, [](const StandardCodecSerializer* s) { return new StandardMethodCodec(s); });
}

std::unique_ptr<MethodCall<EncodableValue>> StandardMethodCodec::DecodeMethodCallInternal(
    const uint8_t* message, size_t message_size) const {
  ByteBufferReader reader(message, message_size);
  EncodableValue name;
  if (!ReadOneValue(serializer_, reader, name) || !std::holds_alternative<std::string>(name)) {
    return nullptr;
  }
  // Dart always sends the arguments, null when there are none.
  auto arguments = std::make_unique<EncodableValue>();
  if (!ReadOneValue(serializer_, reader, *arguments) || reader.GetRemaining() != 0) {
    return nullptr;
  }
  return std::make_unique<MethodCall<EncodableValue>>(std::get<std::string>(name),
                                                      std::move(arguments));
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeMethodCallInternal(
    const MethodCall<EncodableValue>& method_call) const {
  const std::string& name = method_call.method_name();
  const EncodableValue* arguments = method_call.arguments();
  return EncodeWith(serializer_, [&](auto& writer, const auto& write_value) {
    WriteStringValue(name, writer);
    if (arguments != nullptr) {
      write_value(*arguments);
    } else {
      writer.WriteByte(kNull);
    }
  });
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeSuccessEnvelopeInternal(
    const EncodableValue* result) const {
  return EncodeWith(serializer_, [&](auto& writer, const auto& write_value) {
    writer.WriteByte(kEnvelopeSuccess);
    if (result != nullptr) {
      write_value(*result);
    } else {
      writer.WriteByte(kNull);
    }
  });
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeErrorEnvelopeInternal(
    const std::string& error_code, const std::string& error_message,
    const EncodableValue* error_details) const {
  return EncodeWith(serializer_, [&](auto& writer, const auto& write_value) {
    writer.WriteByte(kEnvelopeError);
    WriteStringValue(error_code, writer);
    // An empty message goes out as null, so Dart sees `message == null` as with the engine.
    if (error_message.empty()) {
      writer.WriteByte(kNull);
    } else {
      WriteStringValue(error_message, writer);
    }
    if (error_details != nullptr) {
      write_value(*error_details);
    } else {
      writer.WriteByte(kNull);
    }
  });
}

bool StandardMethodCodec::DecodeAndProcessResponseEnvelopeInternal(
    const uint8_t* response, size_t response_size, MethodResult<EncodableValue>* result) const {
  ByteBufferReader reader(response, response_size);
  uint8_t flag = reader.ReadByte();
  if (reader.failed()) {
    return false;
  }
  if (flag == kEnvelopeSuccess) {
    EncodableValue value;
    if (!ReadOneValue(serializer_, reader, value) || reader.GetRemaining() != 0) {
      return false;
    }
    if (value.IsNull()) {
      result->Success();
    } else {
      result->Success(value);
    }
    return true;
  }
  if (flag != kEnvelopeError) {
    return false;
  }
  EncodableValue code;
  EncodableValue message;
  EncodableValue details;
  if (!ReadOneValue(serializer_, reader, code) || !ReadOneValue(serializer_, reader, message) ||
      !ReadOneValue(serializer_, reader, details)) {
    return false;
  }
  if (reader.GetRemaining() != 0) {
    // Android appends the stack trace as a fourth value.
    EncodableValue stack_trace;
    if (!ReadOneValue(serializer_, reader, stack_trace) || reader.GetRemaining() != 0 ||
        !(stack_trace.IsNull() || std::holds_alternative<std::string>(stack_trace))) {
      return false;
    }
  }
  const std::string* code_text = std::get_if<std::string>(&code);
  const std::string* message_text = std::get_if<std::string>(&message);
  if (code_text == nullptr || (message_text == nullptr && !message.IsNull())) {
    return false;
  }
  const std::string no_message;
  const std::string& message_or_empty = message_text != nullptr ? *message_text : no_message;
  if (details.IsNull()) {
    result->Error(*code_text, message_or_empty);
  } else {
    result->Error(*code_text, message_or_empty, details);
  }
  return true;
}

}  // namespace flutter
