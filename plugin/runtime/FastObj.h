// The per-class object allocation accelerator.
#pragma once

namespace toravex {

// Creates the lock, the code heap and the accelerator list.
void PrepareFastObj();
// Redirects TObject.NewInstance.
void InstallFastObj();
// Removes the redirection and frees every accelerator.
void TeardownFastObj();

}  // namespace toravex
