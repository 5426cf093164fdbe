#include "ChannelScript.h"

#include <algorithm>

namespace qeva_fuzz::channels {

uint8_t ScriptReader::Byte() {
  return done() ? 0 : data_[pos_++];
}

std::vector<uint8_t> ScriptReader::Blob() {
  size_t size = Byte();
  if (size == 255) {
    size = Byte();
    size |= static_cast<size_t>(Byte()) << 8;
  }
  size = std::min(size, size_ - std::min(pos_, size_));
  std::vector<uint8_t> blob(data_ + pos_, data_ + pos_ + size);
  pos_ += size;
  return blob;
}

ScriptWriter& ScriptWriter::Raw(int channel, const std::vector<uint8_t>& message) {
  bytes_.push_back(static_cast<uint8_t>(kRawToManager + channel));
  AppendBlob(message.data(), message.size());
  return *this;
}

ScriptWriter& ScriptWriter::AdSpaceCallWithId(const std::vector<uint8_t>& message) {
  bytes_.push_back(kAdSpaceCallWithId);
  AppendBlob(message.data(), message.size());
  return *this;
}

ScriptWriter& ScriptWriter::Drain() {
  bytes_.push_back(kDrain);
  return *this;
}

ScriptWriter& ScriptWriter::Advance(uint8_t units) {
  bytes_.push_back(kAdvance);
  bytes_.push_back(units);
  return *this;
}

ScriptWriter& ScriptWriter::SdkEvent(uint8_t choice) {
  bytes_.push_back(kSdkEvent);
  bytes_.push_back(choice);
  return *this;
}

ScriptWriter& ScriptWriter::SdkControl(Control control) {
  bytes_.push_back(kSdkControl);
  bytes_.push_back(control);
  return *this;
}

ScriptWriter& ScriptWriter::InventoryAd(uint8_t signature, uint8_t width, uint8_t height,
                                        const std::string& markup) {
  bytes_.insert(bytes_.end(), {kInventoryAd, signature, width, height});
  AppendBlob(reinterpret_cast<const uint8_t*>(markup.data()), markup.size());
  return *this;
}

void ScriptWriter::AppendBlob(const uint8_t* data, size_t size) {
  // Longer blobs are cut: a seed never needs more than a two-byte size.
  size = std::min<size_t>(size, 0xffff);
  if (size < 255) {
    bytes_.push_back(static_cast<uint8_t>(size));
  } else {
    bytes_.insert(bytes_.end(),
                  {255, static_cast<uint8_t>(size & 0xff), static_cast<uint8_t>(size >> 8)});
  }
  bytes_.insert(bytes_.end(), data, data + size);
}

}  // namespace qeva_fuzz::channels
