#ifndef QEVA_HOST_HOSTACTIONS_H_
#define QEVA_HOST_HOSTACTIONS_H_

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace QevaHost {

class HostSession;

struct ActionResult {
  bool ok = true;
  // What the host did, in a few words, or why it could not.
  std::string outcome;
  // The outcome is what the action is for (a report): transcripts show it.
  bool report = false;
};

// Something the host does besides playing Dart: move time, steer the stand-in SDK, change
// the application's window, fire an SDK event by hand. Addressed by name with one JSON
// argument, so that a scenario step and a control message can name it alike.
struct HostAction {
  std::string name;
  // How the argument is written ("ms", "\"tagId\"", "null"), for help and errors.
  std::string argument;
  std::string summary;
  // Checks the argument before anything runs: empty when it fits, else what is wrong.
  std::function<std::string(const nlohmann::json& argument)> check;
  // Runs the action on |session|; the argument has passed |check|.
  std::function<ActionResult(HostSession& session, const nlohmann::json& argument)> run;
};

// The host's actions by name.
class HostActions {
 public:
  // Every action the host offers.
  static const HostActions& Standard();

  // The action called |name|, or null.
  const HostAction* Find(const std::string& name) const;
  const std::vector<HostAction>& all() const { return actions_; }
  // The names, comma-separated, for messages.
  std::string Names() const;

  // Checks and runs; an unknown name or an argument that does not fit is not ok.
  ActionResult Run(HostSession& session, const std::string& name,
                   const nlohmann::json& argument) const;

 private:
  explicit HostActions(std::vector<HostAction> actions) : actions_(std::move(actions)) {}

  std::vector<HostAction> actions_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_HOSTACTIONS_H_
