// Stored form descriptions: the text form of the host's form files, read
// into a form that already exists (the emulated IDE fills some of its
// windows this way, after they are shown). Components are created owned by
// the form and marked as loading; a control gets its parent before its
// properties, as the host's reader does it; once everything is read, each
// is told Loaded in the order it was created, and the form last.
//
//   object ColorForm: TForm
//     Caption = 'Colours'
//     object ColorBox1: TColorBox
//       Left = 8
//       Style = [cbStandardColors, cbCustomColor]
//       Selected = clTeal
//     end
//   end
#include <string>
#include <vector>

#include "Vcl.h"

namespace vcl {

namespace {

namespace vslot = emuhost::vslot;

struct Value {
    enum Kind { kNumber, kText, kIdent, kSet } kind = kNumber;
    int32_t number = 0;
    std::string text;  // text, identifier
    std::vector<std::string> elements;
};

struct Reader {
    std::vector<std::string> lines;
    size_t next = 0;
    void* form = nullptr;
    std::vector<void*> created;
};

std::string Trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

[[noreturn]] void Fail(const std::string& text) { rt::Raise(rt::NewException(rt::ExceptionClass(), text.c_str())); }

Value Parse(const std::string& s) {
    Value v;
    if (s.empty()) return v;
    if (s[0] == '\'') {
        v.kind = Value::kText;
        for (size_t i = 1; i < s.size(); ++i) {
            if (s[i] == '\'' && i + 1 < s.size() && s[i + 1] == '\'') v.text += s[i++];
            else if (s[i] == '\'') break;
            else v.text += s[i];
        }
    } else if (s[0] == '[') {
        v.kind = Value::kSet;
        std::string body = s.substr(1, s.find(']') - 1);
        size_t start = 0;
        while (start <= body.size()) {
            size_t comma = body.find(',', start);
            std::string e = Trim(body.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (!e.empty()) v.elements.push_back(e);
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
    } else if (s[0] == '-' || (s[0] >= '0' && s[0] <= '9') || s[0] == '$') {
        v.number = static_cast<int32_t>(s[0] == '$' ? std::stoul(s.substr(1), nullptr, 16) : std::stol(s));
    } else {
        v.kind = Value::kIdent;
        v.text = s;
    }
    return v;
}

uint8_t SetOf(const Value& v, const char* const* names, int count) {
    uint8_t set = 0;
    for (const std::string& e : v.elements)
        for (int i = 0; i < count; ++i)
            if (e == names[i]) set |= static_cast<uint8_t>(1u << i);
    return set;
}

uint8_t EnumOf(const Value& v, const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        if (v.text == names[i]) return static_cast<uint8_t>(i);
    return 0;
}

bool Boolean(const Value& v) { return v.kind == Value::kIdent && lstrcmpiA(v.text.c_str(), "True") == 0; }

int32_t ColorOf(const Value& v, const std::string& where) {
    int32_t color = v.number;
    if (v.kind == Value::kIdent && !IdentToColor(v.text.c_str(), &color)) Fail("Invalid property value: " + where);
    return color;
}

bool Is(const void* object, HostClass& c) { return rt::IsClass(object, c.Ref()); }

void SetProperty(void* object, const std::string& name, const Value& v) {
    const std::string where = std::string(component::Name(object) ? component::Name(object) : "") + "." + name;
    static const char* const kAnchors[] = {"akLeft", "akTop", "akRight", "akBottom"};
    static const char* const kColorBoxStyles[] = {"cbStandardColors", "cbExtendedColors", "cbSystemColors",
                                                  "cbIncludeNone", "cbIncludeDefault", "cbCustomColor"};
    static const char* const kBevels[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
    if (Is(object, emu_Controls_TControl_record)) {
        if (name == "Left") return emu_Controls_TControl_SetLeft(object, v.number);
        if (name == "Top") return emu_Controls_TControl_SetTop(object, v.number);
        if (name == "Width") return emu_Controls_TControl_SetWidth(object, v.number);
        if (name == "Height") return emu_Controls_TControl_SetHeight(object, v.number);
        if (name == "Caption" || name == "Text") {
            char* text = nullptr;
            rt::LStrFromPChar(&text, v.text.c_str());
            emu_Controls_TControl_SetText(object, text);
            return rt::LStrClr(&text);
        }
        if (name == "Visible") return emu_Controls_TControl_SetVisible(object, Boolean(v));
        if (name == "Color") return emu_Controls_TControl_SetColor(object, ColorOf(v, where));
        if (name == "Anchors") return emu_Controls_TControl_SetAnchors(object, SetOf(v, kAnchors, 4));
    }
    if (Is(object, emu_Stdctrls_TCustomLabel_record)) {
        if (name == "Transparent") return emu_Stdctrls_TCustomLabel_SetTransparent(object, Boolean(v));
        if (name == "AutoSize") return emu_Stdctrls_TCustomLabel_SetAutoSize(object, Boolean(v));
    }
    if (Is(object, emu_Extctrls_TCustomPanel_record) && name == "BevelOuter")
        return emu_Extctrls_TCustomPanel_SetBevelOuter(object, EnumOf(v, kBevels, 4));
    if (Is(object, emu_Comctrls_TProgressBar_record) && name == "Position")
        return emu_Comctrls_TProgressBar_SetPosition(object, v.number);
    if (Is(object, emu_Extctrls_TCustomColorBox_record)) {
        if (name == "Style") return ColorBoxSetStyle(object, SetOf(v, kColorBoxStyles, 6));
        if (name == "Selected") return emu_Extctrls_TCustomColorBox_SetSelected(object, ColorOf(v, where));
        if (name == "DefaultColorColor") return void(combo::DefaultColorColor(object) = ColorOf(v, where));
        if (name == "NoneColorColor") return void(combo::NoneColorColor(object) = ColorOf(v, where));
    }
    Fail("Error reading " + where + ": Property " + name + " does not exist");
}

void* FindClassNamed(const std::string& name) {
    struct Registered {
        const char* name;
        HostClass* record;
    };
    static const Registered kClasses[] = {{"TLabel", &emu_Stdctrls_TLabel_record},
                                          {"TPanel", &emu_Extctrls_TPanel_record},
                                          {"TColorBox", &emu_Extctrls_TColorBox_record},
                                          {"TProgressBar", &emu_Comctrls_TProgressBar_record}};
    for (const Registered& r : kClasses)
        if (name == r.name) return r.record->Ref();
    return nullptr;
}

// Reads "object Name: TClass" ... "end" into object (created here unless it
// is the form itself), with parent the control its controls go on.
void ReadObject(Reader& r, void* object, void* parent) {
    const std::string header = Trim(r.lines[r.next++]);
    const size_t colon = header.find(':');
    if (header.rfind("object ", 0) != 0 || colon == std::string::npos) Fail("Invalid form description: " + header);
    const std::string name = Trim(header.substr(7, colon - 7));
    const std::string className = Trim(header.substr(colon + 1));
    if (!object) {
        void* cls = FindClassNamed(className);
        if (!cls) Fail("Class " + className + " not found");
        object = emuhost::ClassVirtual<void*(HOSTCALL*)(void*, int8_t, void*)>(cls, vslot::kCreate)(cls, 1, r.form);
        r.created.push_back(object);
    }
    component::State(object) |= vs::kCsLoading;
    char* hostName = nullptr;
    rt::LStrFromPChar(&hostName, name.c_str());
    rt::SetName(object, hostName);
    rt::LStrClr(&hostName);
    if (object != r.form && Is(object, emu_Controls_TControl_record)) emu_Controls_TControl_SetParent(object, parent);
    void* container = IsWinControl(object) ? object : parent;
    while (r.next < r.lines.size()) {
        const std::string line = Trim(r.lines[r.next]);
        if (line.empty()) {
            ++r.next;
        } else if (line == "end") {
            ++r.next;
            return;
        } else if (line.rfind("object ", 0) == 0) {
            ReadObject(r, nullptr, container);
        } else {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) Fail("Invalid form description: " + line);
            SetProperty(object, Trim(line.substr(0, eq)), Parse(Trim(line.substr(eq + 1))));
            ++r.next;
        }
    }
    Fail("Invalid form description: no end");
}

}  // namespace

}  // namespace vcl

// The emulated IDE's seam: reads a description into a form.
extern "C" void EmuVclLoadFormDescription(void* form, const char* text) {
    using namespace vcl;
    Reader r;
    r.form = form;
    std::string all = text ? text : "";
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        r.lines.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    while (r.next < r.lines.size() && Trim(r.lines[r.next]).empty()) ++r.next;
    ReadObject(r, form, form);
    for (void* c : r.created) emuhost::VirtualOf<void(HOSTCALL*)(void*)>(c, emuhost::vslot::kLoaded)(c);
    emuhost::VirtualOf<void(HOSTCALL*)(void*)>(form, emuhost::vslot::kLoaded)(form);
    Log("form-loaded %s components=%d", component::Name(form) ? component::Name(form) : "",
        static_cast<int>(r.created.size()));
}
