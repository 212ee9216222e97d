// A module mapped as an image, read only inside its own extent: every
// structure the import-table code reads is checked against SizeOfImage
// first, so a damaged or hostile table ends the walk instead of sending a
// read outside the module.
#pragma once

#include <windows.h>

#include <cstdint>

namespace toravex {

class ImageView {
public:
    // False when the module's headers do not pass CheckedNtHeaders.
    bool Open(const void* base);

    uint8_t* Base() const { return base_; }
    uint32_t SizeOfImage() const { return sizeOfImage_; }
    uint32_t ImageBase() const { return imageBase_; }

    // Whether size bytes at rva lie inside the image.
    bool Contains(uint32_t rva, uint32_t size) const { return rva <= sizeOfImage_ && size <= sizeOfImage_ - rva; }
    uint32_t U32At(uint32_t rva) const;
    // The zero-terminated string at rva; nil when it does not end inside
    // the image.
    const char* StringAt(uint32_t rva) const;
    // The RVA of a data directory; 0 when the image has none there or it
    // starts outside the image.
    uint32_t Directory(uint32_t index) const;

private:
    uint8_t* base_ = nullptr;
    const IMAGE_NT_HEADERS32* headers_ = nullptr;
    uint32_t sizeOfImage_ = 0;
    uint32_t imageBase_ = 0;
};

// The address of a data directory's data in a mapped module, nil when absent.
void* DirectoryData(const void* base, uint32_t index);

// The address a delay-import descriptor field refers to: an RVA, or in
// old-style descriptors an address (recognised by being above both
// SizeOfImage and ImageBase, and made relative). Nil without headers.
void* DelayImportAddress(const void* base, uint32_t value);

// Calls visit(libraryName, firstThunkRva) for each import descriptor in
// order until the one whose name is 0. A descriptor or name that would lie
// outside the image ends the walk, as does visit returning false. Returns
// false when the walk ended early.
template <class Visit>
bool ForEachImportDescriptor(const ImageView& image, Visit&& visit) {
    const uint32_t directory = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (!directory) return true;
    for (uint32_t rva = directory;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        if (!image.Contains(rva, sizeof(IMAGE_IMPORT_DESCRIPTOR))) return false;
        const uint32_t nameRva = image.U32At(rva + 12);
        if (nameRva == 0) return true;
        const char* name = image.StringAt(nameRva);
        if (!name || !visit(name, image.U32At(rva + 16))) return false;
    }
}

// Calls visit(slot) for each 32-bit slot of the import address table at rva
// until a 0 slot. A slot outside the image ends the walk, as does visit
// returning false; then the result is false.
template <class Visit>
bool ForEachImportSlot(const ImageView& image, uint32_t rva, Visit&& visit) {
    for (;; rva += 4) {
        if (!image.Contains(rva, 4)) return false;
        auto* slot = reinterpret_cast<uint32_t*>(image.Base() + rva);
        if (*slot == 0) return true;
        if (!visit(slot)) return false;
    }
}

}  // namespace toravex
