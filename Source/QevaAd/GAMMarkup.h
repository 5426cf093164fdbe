#ifndef QEVA_FLUTTER_QEVAAD_GAMMARKUP_H_
#define QEVA_FLUTTER_QEVAAD_GAMMARKUP_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace QevaFlutter {

// The "adnetwork_params" object of a GAM markup document. A plain value.
struct GAMMarkupParam {
  std::optional<std::string> adunitid;
  // Has no JSON member: never read, never written.
  std::optional<std::string> customformatid;
  std::optional<std::vector<std::string>> adsizes;
  // JSON member "click-url": the click-tracking URLs.
  std::optional<std::vector<std::string>> click_url;
  std::optional<std::string> campaignid;

  bool operator==(const GAMMarkupParam& other) const;
  bool operator!=(const GAMMarkupParam& other) const { return !(*this == other); }
};

// A GAM markup document: the JSON a GAM banner carries. A plain value.
struct GAMMarkup {
  std::optional<std::string> adnetwork_class;
  std::optional<GAMMarkupParam> adnetwork_params;

  bool operator==(const GAMMarkup& other) const;
  bool operator!=(const GAMMarkup& other) const { return !(*this == other); }
};

// Reads a document from its UTF-8 text. Strict: no value is converted; null and absent both
// leave a field empty; members without a key are ignored at both levels, whatever their
// values, even a number beyond a double or a lone surrogate escape (only the members read
// need valid values). Any failure yields none, never a partial record. Never throws.
//
// A member name that occurs twice in one object resolves to its last occurrence, whole (two
// "adnetwork_params" objects are not merged), and only that one is type-checked: Dart's
// jsonDecode reads the same document that way, so both halves see the same values.
std::optional<GAMMarkup> ReadGAMMarkup(std::string_view text);

// Writes a record as compact JSON. Empty fields are left out, never written as null. Bytes of
// a field that are not UTF-8 are written as U+FFFD, so the result is always valid JSON. Never
// throws.
std::string WriteGAMMarkup(const GAMMarkup& markup);

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_GAMMARKUP_H_
