// The routine table: one variant per replaceable runtime routine.
#pragma once

namespace toravex {

// Applies the BlendedFastCode option and fills the routine slots.
void PrepareRoutineTable();

}  // namespace toravex
