#include "patching/ImportedLibraries.h"

#include "base/HostException.h"
#include "base/Utils.h"
#include "patching/PeImage.h"

namespace toravex {

namespace {

constexpr uint32_t kDelayDescriptorSize = 32;
constexpr uint32_t kDelayNameField = 4;

// Calls visit(name) for each delay-import descriptor until the one whose
// name field is 0; a descriptor or name outside the image ends the walk.
template <class Visit>
void ForEachDelayImport(const ImageView& image, Visit&& visit) {
    const uint32_t directory = image.Directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT);
    if (!directory) return;
    for (uint32_t rva = directory; image.Contains(rva, kDelayDescriptorSize); rva += kDelayDescriptorSize) {
        const uint32_t field = image.U32At(rva + kDelayNameField);
        if (field == 0) return;
        const auto* name = static_cast<const uint8_t*>(DelayImportAddress(image.Base(), field));
        const char* text = name >= image.Base() ? image.StringAt(static_cast<uint32_t>(name - image.Base())) : nullptr;
        if (!text) return;
        visit(text);
    }
}

}  // namespace

HostStringList* ImportedLibraryNames(const void* base) {
    auto* names = new HostStringList;
    auto* seen = new TStringIntegerHash;
    bool complete = false;
    host::TryFinally(
        [&] {
            ImageView image;
            if (image.Open(base)) {
                auto note = [&](const char* text) {
                    const HostString name(text);
                    const int32_t index = StringHash(name.Get());
                    if (name.Empty() || seen->Exists(index, name.Get())) return;
                    seen->Add(index, name.Get(), 1);
                    names->Add(name);
                };
                ForEachImportDescriptor(image, [&](const char* text, uint32_t) {
                    note(text);
                    return true;
                });
                ForEachDelayImport(image, note);
            }
            complete = true;
        },
        [&] {
            delete seen;
            if (!complete) delete names;
        });
    return names;
}

}  // namespace toravex
