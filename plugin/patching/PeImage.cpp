#include "patching/PeImage.h"

#include "base/Utils.h"
#include "patching/InstructionShapes.h"

namespace toravex {

bool ImageView::Open(const void* base) {
    headers_ = CheckedNtHeaders(base);
    if (!headers_) return false;
    base_ = static_cast<uint8_t*>(const_cast<void*>(base));
    sizeOfImage_ = headers_->OptionalHeader.SizeOfImage;
    imageBase_ = headers_->OptionalHeader.ImageBase;
    return true;
}

uint32_t ImageView::U32At(uint32_t rva) const { return ReadU32(base_ + rva); }

const char* ImageView::StringAt(uint32_t rva) const {
    if (!Contains(rva, 1)) return nullptr;
    const char* text = reinterpret_cast<const char*>(base_ + rva);
    for (uint32_t i = 0; i < sizeOfImage_ - rva; ++i)
        if (text[i] == '\0') return text;
    return nullptr;
}

uint32_t ImageView::Directory(uint32_t index) const {
    const IMAGE_OPTIONAL_HEADER32& optional = headers_->OptionalHeader;
    if (index >= optional.NumberOfRvaAndSizes || index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES) return 0;
    const uint32_t rva = optional.DataDirectory[index].VirtualAddress;
    return rva < sizeOfImage_ ? rva : 0;
}

void* DirectoryData(const void* base, uint32_t index) {
    ImageView image;
    if (!image.Open(base)) return nullptr;
    const uint32_t rva = image.Directory(index);
    return rva ? image.Base() + rva : nullptr;
}

void* DelayImportAddress(const void* base, uint32_t value) {
    const IMAGE_NT_HEADERS32* headers = CheckedNtHeaders(base);
    if (!headers) return nullptr;
    const uint32_t imageBase = headers->OptionalHeader.ImageBase;
    if (value > headers->OptionalHeader.SizeOfImage && value > imageBase) value -= imageBase;
    return static_cast<uint8_t*>(const_cast<void*>(base)) + value;
}

}  // namespace toravex
