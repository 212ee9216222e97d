// Data layouts of the host runtime (32-bit), shared by the plug-in, which reads
// them, and the emulated host, which builds them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostabi {

// Long string: the variable points at the first character (nil = empty).
// Reference count at -8 (negative = constant, never counted or freed),
// length at -4, a zero byte after the last character; the block is a whole
// number of 4-byte units.
struct LongStringHeader {
    int32_t refCount;
    int32_t length;
};
static_assert(sizeof(LongStringHeader) == 8);

inline LongStringHeader* HeaderOf(const char* s) {
    return reinterpret_cast<LongStringHeader*>(const_cast<char*>(s)) - 1;
}
inline int32_t LengthOf(const char* s) { return s ? HeaderOf(s)->length : 0; }

// Block size of a long string of `length` characters: header, characters and
// terminator rounded up to whole 4-byte units.
constexpr int32_t LongStringBlockSize(int32_t length) {
    return (static_cast<int32_t>(sizeof(LongStringHeader)) + length + 1 + 3) & ~3;
}

// Exceptions raised by the host: a structured exception with this code,
// ExceptionInformation[0] = address of the raise, [1] = the exception object,
// flagged non-continuable, with seven parameters.
constexpr uint32_t kHostExceptionCode = 0x0EEDFADE;
constexpr uint32_t kHostExceptionParams = 7;

// Class record (virtual method table). A class reference points at the first
// user virtual method; the fields below lie at negative offsets from it.
struct ClassHeader {
    void* selfPtr;            // -76
    void* intfTable;          // -72
    void* autoTable;          // -68
    void* initTable;          // -64 record type information of managed fields
    void* typeInfo;           // -60
    void* fieldTable;         // -56
    void* methodTable;        // -52
    void* dynamicTable;       // -48
    const unsigned char* className;  // -44 short string: length byte, characters
    int32_t instanceSize;     // -40
    void** parent;            // -36 address of the parent's class reference
    void* safeCallException;  // -32
    void* afterConstruction;  // -28
    void* beforeDestruction;  // -24
    void* dispatch;           // -20
    void* defaultHandler;     // -16
    void* newInstance;        // -12
    void* freeInstance;       // -8
    void* destroy;            // -4
};
static_assert(sizeof(ClassHeader) == 76);

// A class's interface table (ClassHeader::intfTable): the interfaces it
// implements and where their method-table pointers lie in an instance.
struct GuidRec {
    uint32_t data1;
    uint16_t data2, data3;
    uint8_t data4[8];
};
struct InterfaceEntry {
    GuidRec iid;
    void* vtable;      // the interface's method table
    int32_t ioffset;   // offset of the method-table pointer in the instance
    int32_t implGetter;
};
struct InterfaceTable {
    int32_t entryCount;
    InterfaceEntry entries[1];
};
static_assert(sizeof(InterfaceEntry) == 28);

// A class's dynamic-method table (ClassHeader::dynamicTable): a 16-bit count,
// that many 16-bit indices, then that many code addresses.
#pragma pack(push, 1)
struct DynamicTable {
    uint16_t count;
    int16_t indices[1];
};
#pragma pack(pop)

namespace vmt {
constexpr int kIntfTable = -72;
constexpr int kInitTable = -64;
constexpr int kDynamicTable = -48;
constexpr int kClassName = -44;
constexpr int kInstanceSize = -40;
constexpr int kParent = -36;
constexpr int kAfterConstruction = -28;
constexpr int kBeforeDestruction = -24;
constexpr int kNewInstance = -12;
constexpr int kFreeInstance = -8;
constexpr int kDestroy = -4;
}  // namespace vmt

inline const ClassHeader* HeaderOfClass(const void* classRef) {
    return reinterpret_cast<const ClassHeader*>(classRef) - 1;
}
inline const void* ClassOf(const void* object) { return *static_cast<void* const*>(object); }
inline const void* ParentOf(const void* classRef) {
    void** parent = HeaderOfClass(classRef)->parent;
    return parent ? *parent : nullptr;
}

// Lists (TList): class reference, then the item array, count and capacity.
// An owning list (TObjectList) adds OwnsObjects.
struct ListObject {
    const void* classRef;
    void** list;
    int32_t count;
    int32_t capacity;
};
struct ObjectListObject {
    ListObject base;
    uint8_t ownsObjects;  // byte offset 16
};
static_assert(offsetof(ObjectListObject, ownsObjects) == 16);
constexpr int32_t kMaxListSize = 134217727;  // MaxInt div 16
enum ListNotification : uint8_t { kListAdded = 0, kListExtracted = 1, kListDeleted = 2 };
// TList's virtual methods in slot order (offsets from the class reference).
namespace listslot {
constexpr int kGrow = 0;
constexpr int kNotify = 4;
constexpr int kClear = 8;
constexpr int kError = 12;
}  // namespace listslot

// TInterfacedObject: class reference, reference count, then the IInterface
// method-table pointer.
struct InterfacedObject {
    const void* classRef;
    int32_t refCount;
    void* intfVTable;
};
static_assert(offsetof(InterfacedObject, refCount) == 4 && sizeof(InterfacedObject) == 12);

// Dynamic arrays: reference count at -8, length at -4 (as long strings).
struct DynArrayHeader {
    int32_t refCount;
    int32_t length;
};

// Locale information (SysUtils.SysLocale).
struct SysLocaleRec {
    uint32_t defaultLcid;
    int32_t priLangId;
    int32_t subLangId;
    uint8_t farEast;     // byte offset 12
    uint8_t middleEast;
};
static_assert(offsetof(SysLocaleRec, farEast) == 12);

// A module's entry in the runtime's module list (System.TLibModule): every
// package and library built with the host registers one at process attach.
struct LibModule {
    LibModule* next;
    uint32_t instance;
    uint32_t codeInstance;
    uint32_t dataInstance;
    uint32_t resInstance;  // the language resource module, or instance
    int32_t reserved;
};
static_assert(sizeof(LibModule) == 24);

// Exception objects: class reference, then the message (a long string).
struct ExceptionObject {
    const void* classRef;
    char* message;
    int32_t helpContext;
};
static_assert(offsetof(ExceptionObject, message) == 4);

}  // namespace hostabi

namespace hostabi {

// Type information: Kind (1 byte), Name (short string), then data by kind.
namespace typekind {
constexpr uint8_t kLongString = 10;
constexpr uint8_t kWideString = 11;
constexpr uint8_t kVariant = 12;
constexpr uint8_t kStaticArray = 13;
constexpr uint8_t kRecord = 14;
constexpr uint8_t kInterface = 15;
constexpr uint8_t kInt64 = 16;
constexpr uint8_t kDynArray = 17;
}  // namespace typekind

inline uint8_t KindOf(const void* typeInfo) { return *static_cast<const uint8_t*>(typeInfo); }
inline const uint8_t* TypeDataOf(const void* typeInfo) {
    const uint8_t* p = static_cast<const uint8_t*>(typeInfo);
    return p + 2 + p[1];
}

#pragma pack(push, 1)
// Record (kind 14) and class InitTable: the managed fields and their offsets.
struct ManagedFieldRef {
    void** typeRef;  // address of a reference to the field's type information
    int32_t offset;
};
struct RecordTypeData {
    int32_t size;
    int32_t managedFieldCount;
    ManagedFieldRef fields[1];
};
// Static array (kind 13).
struct StaticArrayTypeData {
    int32_t size;
    int32_t elementCount;
    void** elementType;
};
// Dynamic array (kind 17), after the name.
struct DynArrayTypeData {
    int32_t elementSize;
    void** elementType;  // nil when the elements need no finalization
};
#pragma pack(pop)

}  // namespace hostabi

namespace hostabi {

// A resource string: the address of the variable that holds the handle of
// the module owning the string table, and the string's identifier there
// (an identifier of 64K or more is the address of a zero-terminated text).
struct ResStringRec {
    uint32_t* module;
    int32_t identifier;
};

// One element of an `array of const`: the value, then its type tag.
struct VarRec {
    union {
        int32_t vInteger;
        const char* vAnsiString;  // a long string
        const char* vPChar;
        const unsigned char* vString;  // short string
        void* vPointer;
        void* vObject;
        char vChar;
    };
    uint8_t vType;
};
static_assert(sizeof(VarRec) == 8);

namespace vartype {
constexpr uint8_t kInteger = 0;
constexpr uint8_t kBoolean = 1;
constexpr uint8_t kChar = 2;
constexpr uint8_t kString = 4;
constexpr uint8_t kPointer = 5;
constexpr uint8_t kPChar = 6;
constexpr uint8_t kObject = 7;
constexpr uint8_t kAnsiString = 11;
}  // namespace vartype

}  // namespace hostabi

namespace hostabi {

// The package information resource ("PACKAGEINFO", RCDATA): flags, the
// required packages (hash byte, zero-terminated name each), then a 32-bit
// count of contained units (flags byte, hash byte, zero-terminated name
// each). From build 60 on a package's table ends with the name of its
// compiled package file (hash byte, name). A hash byte of 0 matches any.
struct PackageInfoHeader {
    uint32_t flags;
    int32_t requiresCount;
};
constexpr uint32_t kModuleTypeMask = 0xC0000000u;
constexpr uint32_t kPackageModule = 0x40000000u;
constexpr uint32_t kIgnoreDupUnits = 8;
// Name types GetPackageInfo reports.
constexpr uint8_t kContainsUnit = 0;
constexpr uint8_t kRequiresPackage = 1;
constexpr uint8_t kDcpBpiName = 2;  // builds 60 and later
// Unit flags.
namespace unitflag {
constexpr uint8_t kMain = 0x01;
constexpr uint8_t kPackage = 0x02;
constexpr uint8_t kWeak = 0x04;
constexpr uint8_t kOriginallyWeak = 0x08;
constexpr uint8_t kImplicit = 0x10;
}  // namespace unitflag
// Units the runtime's duplicate check passes over: the package's own unit
// and weakly packaged units.
constexpr uint8_t kWeakPackageUnit = unitflag::kPackage | unitflag::kWeak;

}  // namespace hostabi
