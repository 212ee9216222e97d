#include "base/UserMessages.h"

#include <windows.h>

namespace toravex {

namespace {
MessageBoxHandler gHandler = nullptr;
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler previous = gHandler;
    gHandler = handler;
    return previous;
}

int ShowMessageBox(const char* text, const char* caption, unsigned flags) {
    if (gHandler) return gHandler(text, caption, flags);
    return MessageBoxA(nullptr, text, caption, flags);
}

}  // namespace toravex
