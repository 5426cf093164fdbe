// Deliberately outside the seam: the plugin must not know which SDK implementation it runs on.
// The seam check must reject this file.
#include "QevaStandIn/Journal.h"
