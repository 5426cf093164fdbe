#ifndef QEVA_SDK_QEVA_H_
#define QEVA_SDK_QEVA_H_

// The Ad SDK's interface: everything the plugin may name of module Qeva.
#include "Qeva/QevaAd.h"
#include "Qeva/QevaAdSpace.h"
#include "Qeva/QevaCTAHandler.h"
#include "Qeva/QevaError.h"
#include "Qeva/QevaLog.h"
#include "Qeva/QevaManager.h"
#include "Qeva/QevaRequest.h"
#include "Qeva/QevaTargeting.h"
#include "Qeva/QevaTracker.h"

#endif  // QEVA_SDK_QEVA_H_
