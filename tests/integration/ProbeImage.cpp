#include "ProbeImage.h"

#include <fstream>
#include <iterator>

namespace probe {

namespace {

const IMAGE_NT_HEADERS32* NtHeaders(const uint8_t* base) {
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE ? nt : nullptr;
}

bool SameLibrary(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

}  // namespace

std::vector<ImportSlot> ImportSlots(HMODULE module) {
    std::vector<ImportSlot> slots;
    auto* base = reinterpret_cast<const uint8_t*>(module);
    if (!base || (reinterpret_cast<uintptr_t>(base) & 0xFFFF)) return slots;  // a data file mapping
    const IMAGE_NT_HEADERS32* nt = NtHeaders(base);
    if (!nt) return slots;
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress) return slots;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
        const char* library = reinterpret_cast<const char*>(base + d->Name);
        auto* names = reinterpret_cast<const uint32_t*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk
                                                                                      : d->FirstThunk));
        auto* iat = reinterpret_cast<void**>(const_cast<uint8_t*>(base) + d->FirstThunk);
        for (int i = 0; names[i]; ++i) {
            std::string routine = "#";
            if (names[i] & IMAGE_ORDINAL_FLAG32)
                routine.append(std::to_string(names[i] & 0xFFFF));
            else
                routine = reinterpret_cast<const char*>(base + names[i] + 2);
            slots.push_back({library, routine, &iat[i]});
        }
    }
    return slots;
}

void** FindImportSlot(HMODULE module, const char* library, const char* routine) {
    for (const ImportSlot& s : ImportSlots(module))
        if (SameLibrary(s.library.c_str(), library) && s.routine == routine) return s.slot;
    return nullptr;
}

bool Contains(HMODULE module, const void* address) {
    auto* base = reinterpret_cast<const uint8_t*>(module);
    const IMAGE_NT_HEADERS32* nt = base ? NtHeaders(base) : nullptr;
    auto* p = static_cast<const uint8_t*>(address);
    return nt && p >= base && p < base + nt->OptionalHeader.SizeOfImage;
}

EntryBytes ReadEntry(const void* entry) {
    EntryBytes e{};
    if (entry) CopyMemory(e.bytes, entry, sizeof e.bytes);
    return e;
}

const void* JumpTarget(const void* code) {
    auto* p = static_cast<const uint8_t*>(code);
    if (!p || p[0] != 0xE9) return nullptr;
    int32_t displacement;
    CopyMemory(&displacement, p + 1, 4);
    return p + 5 + displacement;
}

bool CopyBound(const std::string& from, const std::string& to, const char* library, const void* value) {
    std::ifstream in(from, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 4096) return false;
    const IMAGE_NT_HEADERS32* nt = NtHeaders(file.data());
    if (!nt) return false;
    auto* sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](uint32_t rva) -> uint8_t* {
        for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return file.data() + s.PointerToRawData + (rva - s.VirtualAddress);
        }
        return nullptr;
    };
    auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        offsetOf(nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress));
    for (; d && d->Name; ++d) {
        auto* name = reinterpret_cast<const char*>(offsetOf(d->Name));
        if (!name || !SameLibrary(name, library)) continue;
        uint8_t* slot = offsetOf(d->FirstThunk);
        if (!slot) return false;
        CopyMemory(slot, &value, 4);
        std::ofstream(to, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                  static_cast<std::streamsize>(file.size()));
        return true;
    }
    return false;
}

}  // namespace probe
