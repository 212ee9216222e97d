#include "fastcode/FastcodeCPUID.h"

namespace toravex {

ProcessorInfo Processor = {};
uint8_t RoutineTarget = TargetGeneric;

void PrepareProcessorDetection() {}

}  // namespace toravex
