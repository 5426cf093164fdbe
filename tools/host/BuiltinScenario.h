#ifndef QEVA_HOST_BUILTINSCENARIO_H_
#define QEVA_HOST_BUILTINSCENARIO_H_

// The built-in scenario and its inventory: the text of examples/builtin.scenario.json and
// examples/builtin.inventory.json, compiled in when the tool is built.
namespace QevaHost {

// The name the built-in scenario gives its inventory file.
constexpr char kBuiltinInventoryName[] = "builtin.inventory.json";

const char* BuiltinScenarioText();
const char* BuiltinInventoryText();

}  // namespace QevaHost

#endif  // QEVA_HOST_BUILTINSCENARIO_H_
