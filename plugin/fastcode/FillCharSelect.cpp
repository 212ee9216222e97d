// Which FillChar variant each routine target uses.
#include "fastcode/FillChar.h"

#include "fastcode/FastcodeCPUID.h"

namespace toravex {

FillCharRoutine FillCharFor(uint8_t target) {
    return ByTarget<FillCharRoutine>(target, {
        FillCharD, FillCharC, FillCharE, FillCharB, FillCharC,
        FillCharC, FillCharB, FillCharA, FillCharA, FillCharB});
}

}  // namespace toravex
