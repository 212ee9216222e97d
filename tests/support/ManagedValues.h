// Managed data for tests of the runtime's managed-data routines: generated
// type information of every kind and nesting (emuhost/design/TypeInfoPool.h),
// and values of those types made with the emulated runtime's own routines,
// all holding references to one shared long string and one interfaced
// object, so that reference counts show what a routine released.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "design/TypeInfoPool.h"

namespace managed {

// The emulated runtime's memory manager: blocks given out and not taken back.
int32_t LiveBlocks();

struct GeneratedType {
    void* info;
    int32_t size;      // bytes of one value
    std::string name;  // what the type is, for failure messages
};

// Every kind the routines handle (10, 11, 12, 13, 14, 15, 17), static arrays
// of 0, 1 and several elements of each, records of mixed fields, records and
// arrays nested in both orders, dynamic arrays of managed and of plain
// elements; name lengths vary so the data after the name lies at every
// alignment.
class TypeCatalog {
public:
    TypeCatalog();
    const std::vector<GeneratedType>& Types() const { return types_; }
    // A type the routines refuse: the 64-bit integer (16), or another kind.
    void* Unsupported(uint8_t kind);

private:
    GeneratedType Add(void* info, int32_t size, const std::string& name);
    std::vector<uint8_t> storage_;
    typeinfo::Pool pool_;
    std::vector<GeneratedType> types_;
};

// The shared values and the making of values.
class ValueMaker {
public:
    ValueMaker();
    ~ValueMaker();
    // Fills the (initialized, all-zero) value at p of type info; `variant`
    // picks among the shapes a value can take (empty or not, lengths).
    void Fill(void* p, const void* info, uint32_t variant);
    // The shared string's and the shared object's reference counts.
    int32_t StringRefs() const;
    int32_t ObjectRefs() const;
    const char* SharedString() const { return text_; }

private:
    char* text_ = nullptr;
    void* object_ = nullptr;  // a TInterfacedObject
    void* intf_ = nullptr;    // its IInterface, one reference held here
};

}  // namespace managed
