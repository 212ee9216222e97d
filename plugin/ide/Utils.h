// Hash containers and small utilities shared by the IDE hooks.
#pragma once

namespace toravex {

// Creates the file-age cache and keeps the program's directory.
void PrepareUtils();
// Frees what PrepareUtils made.
void TeardownUtils();

}  // namespace toravex
