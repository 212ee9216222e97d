#include "ManagedValues.h"

#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"
#include "TestSupport.h"

namespace managed {

namespace {

namespace k = hostabi::typekind;
namespace n = hostnames;

template <class Fn>
Fn Rtl(const n::HostName& name) {
    return reinterpret_cast<Fn>(GetProcAddress(testsupport::LoadEmulatedRuntime(100), name.decorated));
}

struct Routines {
    void(HOSTCALL* lstrAsg)(char**, const char*) = Rtl<decltype(lstrAsg)>(n::System_LStrAsg);
    void(HOSTCALL* lstrFromPChar)(char**, const char*) = Rtl<decltype(lstrFromPChar)>(n::System_LStrFromPChar);
    void*(HOSTCALL* lstrClr)(char**) = Rtl<decltype(lstrClr)>(n::System_LStrClr);
    void(HOSTCALL* wstrFromLStr)(wchar_t**, const char*) = Rtl<decltype(wstrFromLStr)>(n::System_WStrFromLStr);
    void(HOSTCALL* intfCopy)(void**, void*) = Rtl<decltype(intfCopy)>(n::System_IntfCopy);
    void(HOSTCALL* intfAddRef)(void*) = Rtl<decltype(intfAddRef)>(n::System_IntfAddRef);
    void**(HOSTCALL* intfClear)(void**) = Rtl<decltype(intfClear)>(n::System_IntfClear);
    // SetLength's lengths go on the stack and stay there for the caller.
    void(HOSTCALL* dynArraySetLength)(void**, const void*, int32_t, int32_t) =
        Rtl<decltype(dynArraySetLength)>(n::System_DynArraySetLength);
    void*(HOSTCALL* create)(const void*, int8_t) = Rtl<decltype(create)>(n::System_TObject_Create);
    bool(HOSTCALL* supports)(void*, const hostabi::GuidRec*, void**) =
        Rtl<decltype(supports)>(n::Sysutils_Supports_ObjectOut);
    const void* interfacedClass = Rtl<const void*>(n::System_TInterfacedObject);
};

const Routines& R() {
    static const Routines r;
    return r;
}

// A long string constant, as the compiler lays one out: never counted.
struct {
    int32_t refCount = -1, length = 5;
    char text[8] = "const";
} gConstant;

struct Variant {
    uint16_t type, reserved[3];
    void* value;
    uint32_t high;
};

}  // namespace

int32_t LiveBlocks() {
    static auto count =
        reinterpret_cast<int32_t (*)()>(GetProcAddress(testsupport::LoadEmulatedRuntime(100), "EmuHostLiveBlocks"));
    return count ? count() : -1;
}

TypeCatalog::TypeCatalog() : storage_(1 << 16), pool_(storage_.data(), storage_.size()) {
    int names = 0;
    // Names of 0 to 6 characters, so the data after them lies at every alignment.
    auto name = [&] { return std::string("TGenerated", (names++ % 7)); };
    auto& p = pool_;
    const GeneratedType str = Add(p.Plain(k::kLongString, name().c_str()), 4, "string");
    const GeneratedType wide = Add(p.Plain(k::kWideString, name().c_str()), 4, "WideString");
    const GeneratedType variant = Add(p.Plain(k::kVariant, name().c_str()), 16, "Variant");
    const GeneratedType intf = Add(p.Plain(k::kInterface, name().c_str()), 4, "IInterface");
    const GeneratedType ints = Add(p.DynArray(name().c_str(), 4, nullptr), 4, "array of Integer");
    const GeneratedType strs = Add(p.DynArray(name().c_str(), 4, p.Ref(str.info)), 4, "array of string");
    for (const GeneratedType& leaf : std::vector<GeneratedType>{str, wide, variant, intf, ints, strs})
        for (int32_t count : {0, 1, 3})
            Add(p.StaticArray(name().c_str(), count * leaf.size, count, p.Ref(leaf.info)), count * leaf.size,
                "array[" + std::to_string(count) + "] of " + leaf.name);

    // record S: string; I: Integer; W: WideString; V: Variant; F: IInterface; A: array of Integer; B: array of string
    const GeneratedType mixed = Add(p.Record(name().c_str(), 44,
                                             {{p.Ref(str.info), 0},
                                              {p.Ref(wide.info), 8},
                                              {p.Ref(variant.info), 16},
                                              {p.Ref(intf.info), 32},
                                              {p.Ref(ints.info), 36},
                                              {p.Ref(strs.info), 40}}),
                                    44, "record of every leaf");
    const GeneratedType empty = Add(p.Record(name().c_str(), 8, nullptr, 0), 8, "record without managed fields");
    // record A: array[0..0] of string; B: array[0..2] of Variant; C: array[0..-1] of WideString; D: mixed; E: empty
    const GeneratedType nested = Add(p.Record(name().c_str(), 108,
                                              {{p.Ref(p.StaticArray("", 4, 1, p.Ref(str.info))), 0},
                                               {p.Ref(p.StaticArray("", 48, 3, p.Ref(variant.info))), 8},
                                               {p.Ref(p.StaticArray("", 0, 0, p.Ref(wide.info))), 56},
                                               {p.Ref(mixed.info), 56},
                                               {p.Ref(empty.info), 100}}),
                                     108, "record of arrays and records");
    Add(p.StaticArray(name().c_str(), 88, 2, p.Ref(mixed.info)), 88, "array[2] of mixed record");
    Add(p.StaticArray(name().c_str(), 108, 1, p.Ref(nested.info)), 108, "array[1] of nested record");
    const GeneratedType threeStrings = Add(p.StaticArray(name().c_str(), 12, 3, p.Ref(str.info)), 12, "array[3] of string");
    Add(p.StaticArray(name().c_str(), 24, 2, p.Ref(threeStrings.info)), 24, "array[2] of array[3] of string");
    const GeneratedType mixedArray = Add(p.DynArray(name().c_str(), 44, p.Ref(mixed.info)), 4, "array of mixed record");
    const GeneratedType nestedArray = Add(p.DynArray(name().c_str(), 108, p.Ref(nested.info)), 4, "array of nested record");
    // record A: array of mixed; S: string; B: array[0..1] of array of nested
    Add(p.Record(name().c_str(), 16,
                 {{p.Ref(mixedArray.info), 0},
                  {p.Ref(str.info), 4},
                  {p.Ref(p.StaticArray("", 8, 2, p.Ref(nestedArray.info))), 8}}),
        16, "record of dynamic arrays of records");
    Add(p.DynArray(name().c_str(), 4, p.Ref(strs.info)), 4, "array of array of string");
}

GeneratedType TypeCatalog::Add(void* info, int32_t size, const std::string& name) {
    types_.push_back({info, size, name});
    return types_.back();
}

void* TypeCatalog::Unsupported(uint8_t kind) { return pool_.Plain(kind, "Unsupported"); }

ValueMaker::ValueMaker() {
    R().lstrFromPChar(&text_, "shared text");
    object_ = R().create(R().interfacedClass, 1);
    const hostabi::GuidRec iinterface = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    R().supports(object_, &iinterface, &intf_);
}

ValueMaker::~ValueMaker() {
    R().intfClear(&intf_);  // the last reference: the object goes
    R().lstrClr(&text_);
}

int32_t ValueMaker::StringRefs() const { return hostabi::HeaderOf(text_)->refCount; }
int32_t ValueMaker::ObjectRefs() const { return static_cast<const hostabi::InterfacedObject*>(object_)->refCount; }

void ValueMaker::Fill(void* p, const void* info, uint32_t variant) {
    const uint8_t* data = hostabi::TypeDataOf(info);
    switch (hostabi::KindOf(info)) {
        case k::kLongString:
            switch (variant % 4) {
                case 0: break;  // empty
                case 1: R().lstrAsg(static_cast<char**>(p), text_); break;
                case 2: R().lstrFromPChar(static_cast<char**>(p), "a string of its own"); break;
                case 3: *static_cast<char**>(p) = gConstant.text; break;
            }
            return;
        case k::kWideString:
            if (variant % 3) R().wstrFromLStr(static_cast<wchar_t**>(p), text_);
            return;
        case k::kVariant: {
            auto* v = static_cast<Variant*>(p);
            switch (variant % 4) {
                case 0: break;  // unassigned
                case 1: v->type = 0x100, R().lstrAsg(reinterpret_cast<char**>(&v->value), text_); break;
                case 2: v->type = 13, v->value = intf_, R().intfAddRef(intf_); break;  // varUnknown
                case 3: v->type = 3, v->value = reinterpret_cast<void*>(42); break;   // varInteger
            }
            return;
        }
        case k::kInterface:
            if (variant % 3) R().intfCopy(static_cast<void**>(p), intf_);
            return;
        case k::kDynArray: {
            auto* d = reinterpret_cast<const hostabi::DynArrayTypeData*>(data);
            const int32_t length = static_cast<int32_t>(variant % 4);
            if (length == 0) return;
            R().dynArraySetLength(static_cast<void**>(p), info, 1, length);
            auto* elements = *static_cast<char**>(p);
            for (int32_t i = 0; i < length; ++i)
                if (d->elementType) Fill(elements + i * d->elementSize, *d->elementType, variant + 1 + i);
                else *reinterpret_cast<int32_t*>(elements + i * d->elementSize) = i;
            return;
        }
        case k::kStaticArray: {
            auto* a = reinterpret_cast<const hostabi::StaticArrayTypeData*>(data);
            for (int32_t i = 0; i < a->elementCount; ++i)
                Fill(static_cast<char*>(p) + i * (a->size / a->elementCount), *a->elementType, variant + i);
            return;
        }
        case k::kRecord: {
            auto* r = reinterpret_cast<const hostabi::RecordTypeData*>(data);
            for (int32_t f = 0; f < r->managedFieldCount; ++f)
                Fill(static_cast<char*>(p) + r->fields[f].offset, *r->fields[f].typeRef, variant + f);
            return;
        }
    }
}

}  // namespace managed
