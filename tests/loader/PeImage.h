// A deliverable mapped as an image without running or binding it, to read
// its export and import tables.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace loadertest {

class PeImage {
public:
    explicit PeImage(const std::string& path) : module_(LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES)) {}
    PeImage(const PeImage&) = delete;
    PeImage& operator=(const PeImage&) = delete;
    ~PeImage() {
        if (module_) FreeLibrary(module_);
    }
    HMODULE Module() const { return module_; }

    std::vector<std::string> ExportNames() const {
        std::vector<std::string> names;
        const auto* exports = Directory<IMAGE_EXPORT_DIRECTORY>(IMAGE_DIRECTORY_ENTRY_EXPORT);
        if (!exports) return names;
        const auto* nameRvas = At<DWORD>(exports->AddressOfNames);
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.push_back(At<char>(nameRvas[i]));
        std::sort(names.begin(), names.end());
        return names;
    }

    // Each imported module, lower case, followed by the names imported from it.
    std::vector<std::pair<std::string, std::vector<std::string>>> Imports() const {
        std::vector<std::pair<std::string, std::vector<std::string>>> imports;
        const auto* d = Directory<IMAGE_IMPORT_DESCRIPTOR>(IMAGE_DIRECTORY_ENTRY_IMPORT);
        for (; d && d->Name; ++d) {
            std::string module = At<char>(d->Name);
            std::transform(module.begin(), module.end(), module.begin(), ::tolower);
            std::vector<std::string> names;
            for (const auto* thunk = At<IMAGE_THUNK_DATA32>(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk);
                 thunk->u1.AddressOfData; ++thunk)
                if (!(thunk->u1.Ordinal & IMAGE_ORDINAL_FLAG32))
                    names.push_back(At<IMAGE_IMPORT_BY_NAME>(thunk->u1.AddressOfData)->Name);
            imports.emplace_back(module, names);
        }
        return imports;
    }

private:
    template <class T>
    const T* At(DWORD rva) const {
        return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(module_) + rva);
    }
    template <class T>
    const T* Directory(int index) const {
        if (!module_) return nullptr;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module_);
        const auto* nt = At<IMAGE_NT_HEADERS32>(static_cast<DWORD>(dos->e_lfanew));
        const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[index];
        return entry.VirtualAddress ? At<T>(entry.VirtualAddress) : nullptr;
    }

    HMODULE module_;
};

}  // namespace loadertest
