// Type information in the host runtime's layout, laid out at run time in a
// pool of bytes: Kind, Name (a short string), then the data of the kind,
// packed after the name exactly as the host compiler emits it, so the data
// lies at whatever alignment the name's length gives. Used by the design
// packages for their records and classes, and by tests that generate types.
//
// A field or element type is named by the address of a reference to its
// type information (Ref), as in the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "HostLayout.h"

namespace typeinfo {

struct Field {
    void** type;  // Ref of the field's type information
    int32_t offset;
};

class Pool {
public:
    Pool(uint8_t* storage, size_t size) : at_(storage), end_(storage + size) {}

    // A type that has no data after its name (strings, variant, interface,
    // the 64-bit integer, and any kind a test wants to see refused).
    void* Plain(uint8_t kind, const char* name) { return Start(kind, name); }

    void* StaticArray(const char* name, int32_t size, int32_t elementCount, void** elementType) {
        void* t = Start(hostabi::typekind::kStaticArray, name);
        Put(size), Put(elementCount), Put(elementType);
        return t;
    }

    void* DynArray(const char* name, int32_t elementSize, void** elementType) {
        void* t = Start(hostabi::typekind::kDynArray, name);
        Put(elementSize), Put(elementType);
        return t;
    }

    void* Record(const char* name, int32_t size, std::initializer_list<Field> fields) {
        return Record(name, size, fields.begin(), static_cast<int32_t>(fields.size()));
    }
    void* Record(const char* name, int32_t size, const Field* fields, int32_t count) {
        void* t = Start(hostabi::typekind::kRecord, name);
        Put(size), Put(count);
        for (int32_t i = 0; i < count; ++i) Put(fields[i].type), Put(fields[i].offset);
        return t;
    }

    // A cell holding a reference to typeInfo: what field and element
    // descriptions point at.
    void** Ref(void* typeInfo) {
        Align();
        auto** cell = reinterpret_cast<void**>(Take(sizeof(void*)));
        if (cell) *cell = typeInfo;
        return cell;
    }

    bool Overflowed() const { return overflowed_; }

private:
    void Align() {
        while (reinterpret_cast<uintptr_t>(at_) & 3) ++at_;
    }
    uint8_t* Take(size_t n) {
        if (overflowed_ || at_ + n > end_) {
            overflowed_ = true;
            return nullptr;
        }
        uint8_t* p = at_;
        at_ += n;
        return p;
    }
    void* Start(uint8_t kind, const char* name) {
        Align();
        size_t length = 0;
        while (name[length]) ++length;
        uint8_t* t = Take(2 + length);
        if (!t) return nullptr;
        t[0] = kind;
        t[1] = static_cast<uint8_t>(length);
        for (size_t i = 0; i < length; ++i) t[2 + i] = static_cast<uint8_t>(name[i]);
        return t;
    }
    template <class T>
    void Put(T value) {
        if (uint8_t* p = Take(sizeof value)) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
            for (size_t i = 0; i < sizeof value; ++i) p[i] = bytes[i];
        }
    }

    uint8_t* at_;
    uint8_t* end_;
    bool overflowed_ = false;
};

}  // namespace typeinfo
