// Every message box the plug-in shows goes through here, so that tests can
// see the texts without a window.
#pragma once

namespace toravex {

using MessageBoxHandler = int (*)(const char* text, const char* caption, unsigned flags);

// Replaces the handler (nil restores MessageBoxA); returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// MessageBoxA without owner window, or the installed handler.
int ShowMessageBox(const char* text, const char* caption, unsigned flags);

}  // namespace toravex
