// GAM markup on arbitrary bytes, both ways. Reading: whatever reads writes back to text that
// reads as the same record, and customformatid never comes from a document. Writing: a record
// built from the input's bytes, valid UTF-8 or not, always writes a document that reads back;
// its valid strings come back unchanged.

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "QevaAd/GAMMarkup.h"

namespace qeva_fuzz::gammarkup {

namespace {

using QevaFlutter::GAMMarkup;
using QevaFlutter::GAMMarkupParam;
using QevaFlutter::ReadGAMMarkup;
using QevaFlutter::WriteGAMMarkup;

// Separators of the record built for the write check: fields, then list elements.
constexpr char kFieldSeparator = '\x1e';
constexpr char kElementSeparator = '\x1f';

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    pieces.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) {
      return pieces;
    }
    start = end + 1;
  }
}

// The first byte says which fields are present (bit 0 adnetwork_class, 1 adnetwork_params,
// 2 adunitid, 3 adsizes, 4 click_url, 5 campaignid, 6 customformatid); the rest gives their
// texts, fields split at kFieldSeparator and list elements at kElementSeparator.
GAMMarkup RecordFrom(std::string_view text) {
  const unsigned present = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  std::vector<std::string> fields = Split(text.empty() ? text : text.substr(1), kFieldSeparator);
  fields.resize(6);
  GAMMarkup markup;
  if (present & 1) {
    markup.adnetwork_class = fields[0];
  }
  if (present & 2) {
    GAMMarkupParam param;
    if (present & 4) {
      param.adunitid = fields[1];
    }
    if (present & 8) {
      param.adsizes = Split(fields[2], kElementSeparator);
    }
    if (present & 16) {
      param.click_url = Split(fields[3], kElementSeparator);
    }
    if (present & 32) {
      param.campaignid = fields[4];
    }
    if (present & 64) {
      param.customformatid = fields[5];
    }
    markup.adnetwork_params = param;
  }
  return markup;
}

bool Valid(const std::optional<std::string>& text) {
  return !text || IsValidUtf8(*text);
}

bool Valid(const std::optional<std::vector<std::string>>& list) {
  if (list) {
    for (const std::string& text : *list) {
      if (!IsValidUtf8(text)) {
        return false;
      }
    }
  }
  return true;
}

// A field read back after writing: equal when the written one was valid UTF-8, else the same
// presence (and, for lists, the same length), since invalid bytes are replaced.
template <typename T>
bool SurvivedWriting(const std::optional<T>& written, const std::optional<T>& read) {
  if (Valid(written)) {
    return written == read;
  }
  if constexpr (std::is_same_v<T, std::vector<std::string>>) {
    return read && read->size() == written->size();
  } else {
    return read.has_value();
  }
}

void CheckRead(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::optional<GAMMarkup> markup = ReadGAMMarkup(text);
  if (!markup) {
    return;
  }
  CheckInput(!markup->adnetwork_params || !markup->adnetwork_params->customformatid,
             "read: customformatid came from a document", data, size);
  const std::string written = WriteGAMMarkup(*markup);
  std::optional<GAMMarkup> again = ReadGAMMarkup(written);
  if (!CheckInput(again.has_value(), "read: the written record does not read", data, size)) {
    return;
  }
  CheckInput(*again == *markup, "read: the write-read round trip changes the record", data, size);
  CheckInput(WriteGAMMarkup(*again) == written, "read: writing is not stable", data, size);
}

void CheckWrite(const uint8_t* data, size_t size) {
  const GAMMarkup markup = RecordFrom(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string written = WriteGAMMarkup(markup);
  if (!CheckInput(IsValidUtf8(written), "write: the document is not UTF-8", data, size)) {
    return;
  }
  std::optional<GAMMarkup> read = ReadGAMMarkup(written);
  if (!CheckInput(read.has_value(), "write: the document does not read", data, size)) {
    return;
  }
  CheckInput(SurvivedWriting(markup.adnetwork_class, read->adnetwork_class),
             "write: adnetwork_class did not survive", data, size);
  if (!CheckInput(markup.adnetwork_params.has_value() == read->adnetwork_params.has_value(),
                  "write: adnetwork_params did not survive", data, size) ||
      !markup.adnetwork_params) {
    return;
  }
  const GAMMarkupParam& param = *markup.adnetwork_params;
  const GAMMarkupParam& param_read = *read->adnetwork_params;
  CheckInput(SurvivedWriting(param.adunitid, param_read.adunitid) &&
                 SurvivedWriting(param.adsizes, param_read.adsizes) &&
                 SurvivedWriting(param.click_url, param_read.click_url) &&
                 SurvivedWriting(param.campaignid, param_read.campaignid),
             "write: a field of adnetwork_params did not survive", data, size);
  CheckInput(!param_read.customformatid, "write: customformatid was written", data, size);
}

}  // namespace

int FuzzOne(const uint8_t* data, size_t size) {
  CheckRead(data, size);
  CheckWrite(data, size);
  return 0;
}

}  // namespace qeva_fuzz::gammarkup
