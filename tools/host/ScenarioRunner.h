#ifndef QEVA_HOST_SCENARIORUNNER_H_
#define QEVA_HOST_SCENARIORUNNER_H_

#include "HostActions.h"
#include "HostSession.h"
#include "Scenario.h"
#include "Transcript.h"

namespace QevaHost {

// Plays |scenario| on |session|: loads its inventory, runs the steps in order (after each,
// the run loop is drained unless the scenario drains by hand, and outstanding tracker
// requests are awaited), stops at a step that cannot run, then reports every call never
// answered, checks the expectations and sums up. Everything goes to |sink|, which should be
// the session's own. The summary says whether the run passed.
SummaryEvent RunScenario(const Scenario& scenario, HostSession& session, const HostActions& actions,
                         TranscriptSink& sink);

}  // namespace QevaHost

#endif  // QEVA_HOST_SCENARIORUNNER_H_
