// Graphics: TFont (name, colour, height; a change repaints the control that
// owns it) and the translation of TColor values to the system's colours.
#include "Vcl.h"

namespace vcl {

namespace {
const unsigned char kTFont[] = "\x05TFont";
constexpr int32_t kDefaultHeight = -11;  // 8 points at 96 pixels an inch
}  // namespace

// TColor: a negative value names a system colour by its index.
COLORREF ColorRef(int32_t color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0xFFFFFF;
}

// The font a control starts with, owned by it.
void* NewFont(void* ownerControl) {
    void* f = rt::NewObject(emu_Graphics_TFont_record.Ref());
    font::Color(f) = vs::kClWindowText;
    font::Height(f) = kDefaultHeight;
    rt::LStrFromPChar(&font::Name(f), "MS Sans Serif");
    font::OwnerControl(f) = ownerControl;
    return f;
}

HFONT CreateFontOf(const void* f) {
    return CreateFontA(font::Height(f), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       font::Name(f) ? font::Name(f) : "");
}

static void FontChanged(void* f) {
    if (void* owner = font::OwnerControl(f)) {
        emuhost::VirtualOf<void(HOSTCALL*)(void*)>(owner, emuhost::vslot::kTextChanged)(owner);
        InvalidateControl(owner);
    }
}

void InitGraphicsUnit() {
    emuhost::DefineHostClass(emu_Graphics_TFont_record, kTFont, L.font.size, HOST_ENTRY(Classes_TPersistent), 0,
                             {L.font.name});
}

}  // namespace vcl

using namespace vcl;

EMUHOST_EXPORT_CLASS(Graphics_TFont);

extern "C" {
HostClass emu_Graphics_TFont_record;

VCL_ENTRY void HOSTCALL emu_Graphics_TFont_SetName(void* self, const char* name) {
    rt::LStrAsg(&font::Name(self), name);
    FontChanged(self);
}

VCL_ENTRY void HOSTCALL emu_Graphics_TFont_SetColor(void* self, int32_t color) {
    font::Color(self) = color;
    FontChanged(self);
}
}
