#ifndef QEVA_STANDIN_INVENTORY_H_
#define QEVA_STANDIN_INVENTORY_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace QevaStandIn {

// One ad the simulated ad server can serve, with the ads to fall back to when its renderer
// reports a load failure.
struct InventoryAd {
  // Picks the renderer class: the first registered class whose getSignatures() lists it.
  std::string signature;
  // Handed unchanged to the renderer's prepare().
  std::string markup;
  // Given to renderers that implement QevaCompanionParams, when at least one is set.
  std::optional<int64_t> width;
  std::optional<int64_t> height;
  // Tried in order after this ad fails; a fallback's own fallbacks come before the next
  // fallback (depth first).
  std::vector<InventoryAd> fallback;

  bool operator==(const InventoryAd& other) const;
  bool operator!=(const InventoryAd& other) const { return !(*this == other); }
};

// This ad followed by its fallbacks, depth first: the order in which a fetch tries them.
std::vector<InventoryAd> FallbackChain(const InventoryAd& ad);

// The simulated ad server: ads per tag id. Each fetch for a tag takes the tag's next ad in
// rotation (the first fetch the first ad, and after the last ad the first again).
//
// JSON shape read by loadJson(): an object from tag id to an array of ads:
//   {
//     "banner-home": [
//       { "signature": "iab.smartphonebanner", "markup": "<div>ad</div>",
//         "width": 320, "height": 50,
//         "fallback": [ { "signature": "nw.gambanner", "markup": { "adnetwork_class": "x" } } ] }
//     ]
//   }
// "signature" (string) is required. "markup" is a string, or any other JSON value, which is
// written out compactly as the markup text (handy for GAM markup); absent means the empty
// string. "width" and "height" are optional integers; "fallback" an optional array of ads.
// Unknown members are an error, so that misspellings do not pass unnoticed.
class Inventory {
 public:
  // Appends |ad| to the ads of |tagId|.
  void add(const std::string& tagId, InventoryAd ad);
  // Reads the JSON shape above and adds its ads; on any error adds nothing, returns false
  // and, when |error| is given, says what is wrong and where.
  bool loadJson(std::string_view text, std::string* error = nullptr);

  bool has(const std::string& tagId) const;
  // The tag's ads, in the order added.
  std::vector<InventoryAd> ads(const std::string& tagId) const;
  std::vector<std::string> tagIds() const;

  // The ad for the tag's next fetch, or none when the tag has no ads; advances the rotation.
  std::optional<InventoryAd> next(const std::string& tagId);
  // The same ad as its FallbackChain(), or null; advances the rotation as next() does. The
  // chain is made once, when the ad is added, and shared: a fetch copies no markup.
  std::shared_ptr<const std::vector<InventoryAd>> nextChain(const std::string& tagId);

  void clear();

 private:
  struct Tag {
    std::vector<InventoryAd> ads;
    std::vector<std::shared_ptr<const std::vector<InventoryAd>>> chains;  // One per ad.
    size_t next = 0;
  };
  std::map<std::string, Tag> tags_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_INVENTORY_H_
