#include "patching/ImportHooks.h"

#include "base/SystemPlatform.h"
#include "base/Utils.h"
#include "patching/CodeWriter.h"
#include "patching/InstructionShapes.h"
#include "patching/PeImage.h"

namespace toravex {

TJclPeMapImgHooks* ImportHooks = nullptr;

namespace {

bool StoreSlot(uint32_t* slot, void* value) {
    const uint32_t address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    return StoreCode(slot, &address, sizeof address);
}

// Library names as the system compares them: its default locale, ignoring
// case, over the whole of both names.
bool SameLibraryName(const char* a, const char* b) {
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_EQUAL;
}

// Slot matching of ReplaceImport: on the 9x family, when from is a
// forwarding stub, a slot matches when it holds a stub for the same routine.
class SlotMatcher {
public:
    explicit SlotMatcher(void* from)
        : from_(from), fromStub_(IsWinNT() ? nullptr : ForwardingStubTarget(from)) {}
    bool operator()(uint32_t value) const {
        void* address = reinterpret_cast<void*>(value);
        if (!fromStub_) return address == from_;
        return ForwardingStubTarget(address) == fromStub_;
    }

private:
    void* from_;
    void* fromStub_;
};

// Calls visit(slot) for every slot of the descriptors naming libraryName.
template <class Visit>
void ForEachSlotOfLibrary(const ImageView& image, const char* libraryName, Visit&& visit) {
    ForEachImportDescriptor(image, [&](const char* name, uint32_t thunks) {
        return !SameLibraryName(name, libraryName) || ForEachImportSlot(image, thunks, visit);
    });
}

}  // namespace

TJclPeMapImgHookItem::~TJclPeMapImgHookItem() { Unhook(); }

void TJclPeMapImgHookItem::Unhook() {
    if (!Base) return;
    MEMORY_BASIC_INFORMATION region;
    bool done = true;
    if (Platform().Query(Base, &region, sizeof region) == sizeof region && !(region.State & MEM_FREE)) {
        const uint32_t replaced = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(NewAddress));
        done = Platform().IsReadable(Slot, 4) && *Slot == replaced && StoreSlot(Slot, OriginalAddress);
    }
    if (done) Base = nullptr;
}

bool TJclPeMapImgHooks::HookModule(void* base, ImportDecision decide) {
    ImageView image;
    if (!image.Open(base) || !image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT)) return false;
    const bool nt = IsWinNT();
    bool changed = false;
    ForEachImportDescriptor(image, [&](const char* name, uint32_t thunks) {
        void* unused = nullptr;
        if (!decide(name, nullptr, &unused)) return true;
        HostString libraryName;
        return ForEachImportSlot(image, thunks, [&](uint32_t* slot) {
            void* address = reinterpret_cast<void*>(*slot);
            if (!nt)
                if (void* routine = ForwardingStubTarget(address)) address = routine;
            void* replacement = nullptr;
            if (decide(name, address, &replacement) && replacement && StoreSlot(slot, replacement)) {
                if (libraryName.Empty()) libraryName = HostString(name);
                Add(new TJclPeMapImgHookItem(base, libraryName, replacement, address, this, slot));
                changed = true;
            }
            return true;
        });
    });
    return changed;
}

bool TJclPeMapImgHooks::ReplaceImport(void* base, const char* libraryName, void* from, void* to) {
    ImageView image;
    if (!libraryName || !image.Open(base) || !image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT)) return false;
    const SlotMatcher matches(from);
    bool changed = false;
    ForEachSlotOfLibrary(image, libraryName, [&](uint32_t* slot) {
        if (matches(*slot) && StoreSlot(slot, to)) changed = true;
        return true;
    });
    return changed;
}

void** FindImportSlot(void* base, const char* libraryName, void* address) {
    ImageView image;
    if (!libraryName || !image.Open(base)) return nullptr;
    const SlotMatcher matches(address);
    void** found = nullptr;
    ForEachSlotOfLibrary(image, libraryName, [&](uint32_t* slot) {
        if (matches(*slot)) found = reinterpret_cast<void**>(slot);
        return found == nullptr;
    });
    return found;
}

}  // namespace toravex
