// Deliberately outside the seam: the headless engine is reachable from Source/, never from the
// plugin's include path. The seam check must reject this file.
#include "Host/Flutter/headless/HeadlessEngine.h"
