#ifndef QEVA_HOST_REJECTION_H_
#define QEVA_HOST_REJECTION_H_

#include "CallBook.h"

namespace QevaHost {

class Redactor;

// |call| was left unanswered on arrival for the ledger's |call.reason|: its code ("wrong-method",
// "not-a-map", ...) and what in the call it was about, described from what Dart sent.
Unanswered Rejection(const HostCall& call, const Redactor& redactor);

}  // namespace QevaHost

#endif  // QEVA_HOST_REJECTION_H_
