// The largest single allocation through the global operator new, recorded between a start and a
// stop (LargestAllocation.cpp replaces the operator for the binary that links it).

#pragma once

#include <cstddef>

namespace qeva_test {

void StartRecordingLargestAllocation();
// Stops recording and returns the largest size requested since the start.
size_t StopRecordingLargestAllocation();

}  // namespace qeva_test
