#include "ProbeRows.h"

#include <oleauto.h>

#include <string>
#include <vector>

#include "HostCall.h"
#include "HostLayout.h"
#include "HostNames.h"

namespace probe {

using namespace hostnames;

const Row kRows[] = {
    {Sysutils_AnsiLowerCaseFileName.decorated, false, Shape::Text},
    {Classes_TList_Get.decorated, false, Shape::ListGet},
    {Classes_TList_IndexOf.decorated, false, Shape::ListIndexOf},
    {Classes_TList_SetCount.decorated, false, Shape::ListSetCount},
    {Classes_TList_Put.decorated, false, Shape::ListPut},
    {Classes_TList_Insert.decorated, false, Shape::ListInsert},
    {Classes_TList_Last.decorated, false, Shape::ListLast},
    {Classes_TList_Exchange.decorated, false, Shape::ListExchange},
    {Sysutils_SameText.decorated, false, Shape::TextPairBool},
    {Sysutils_FileExists.decorated, false, Shape::FileBool},
    {Sysutils_FileAge.decorated, false, Shape::FileInt},
    {Sysutils_AnsiCompareText.decorated, false, Shape::TextPair},
    {System_Move.decorated, false, Shape::Move},
    {Sysutils_StrScan.decorated, false, Shape::StrScan},
    {System_LStrCmp.decorated, false, Shape::LStrCmp},
    {System_WStrCmp.decorated, false, Shape::WStrCmp},
    {System_FillChar.decorated, false, Shape::FillChar},
    {System_LStrPos.decorated, false, Shape::Pos},
    {Sysutils_StrComp.decorated, false, Shape::PCharPair},
    {Sysutils_StrIComp.decorated, false, Shape::PCharPair},
    {Sysutils_StrCopy.decorated, false, Shape::StrCopy},
    {Sysutils_CompareText.decorated, false, Shape::TextPair},
    {Sysutils_CompareMem.decorated, false, Shape::CompareMem},
    {Sysutils_UpperCase.decorated, false, Shape::Text},
    {Sysutils_LowerCase.decorated, false, Shape::Text},
    {Sysutils_CompareStr.decorated, false, Shape::TextPair},
    {Sysutils_StringReplace.decorated, false, Shape::Replace},
    {Sysutils_StrLen.decorated, false, Shape::PCharLen},
    {Sysutils_IntToStr.decorated, false, Shape::IntToStr},
    {Sysutils_StrToInt.decorated, false, Shape::StrToInt},
    {Sysutils_SameFileName.decorated, false, Shape::TextPairBool},
    {Sysutils_ExtractFileExt.decorated, false, Shape::Text},
    {Sysutils_ExtractFilePath.decorated, false, Shape::Text},
    {Sysutils_ExtractFileName.decorated, false, Shape::Text},
    {Sysutils_ExtractFileDir.decorated, false, Shape::Text},
    {Sysutils_AnsiCompareFileName.decorated, false, Shape::TextPair},
    {Sysutils_ChangeFileExt.decorated, false, Shape::ChangeExt},
    {Sysutils_IncludeTrailingPathDelimiter.decorated, false, Shape::Text},
    {Sysutils_ExcludeTrailingPathDelimiter.decorated, false, Shape::Text},
    {Math_Max.decorated, false, Shape::Max},
    {Strutils_PosEx.decorated, false, Shape::PosEx},
    {Sysutils_WideSameStr.decorated, false, Shape::WideSame},
    {"memset", true, Shape::CMemset},
    {"memmove", true, Shape::CMemmove},
    {"memcpy", true, Shape::CMemcpy},
    {"strcmp", true, Shape::CStrcmp},
    {"_stricmp", true, Shape::CStrcmp},
    {"strlen", true, Shape::CStrlen},
};
const int kRowCount = sizeof kRows / sizeof kRows[0];

HMODULE RowModule(const Row& row) { return GetModuleHandleA(row.cRuntime ? "msvcrt.dll" : "rtl100.bpl"); }

namespace {

// The runtime routines the exercises use besides the one they test.
struct Runtime {
    void(HOSTCALL* fromPCharLen)(char**, const char*, int32_t);
    void*(HOSTCALL* clear)(char**);
    void*(HOSTCALL* create)(const void*, int8_t);
    void(HOSTCALL* freeObject)(void*);
    int32_t(HOSTCALL* add)(void*, void*);
    void*(HOSTCALL* createOwning)(const void*, int8_t, bool);
    const void* listClass;
    const void* objectListClass;

    Runtime() {
        HMODULE rtl = GetModuleHandleA("rtl100.bpl");
        auto get = [rtl](const HostName& n) { return reinterpret_cast<void*>(GetProcAddress(rtl, n.decorated)); };
        fromPCharLen = reinterpret_cast<decltype(fromPCharLen)>(get(System_LStrFromPCharLen));
        clear = reinterpret_cast<decltype(clear)>(get(System_LStrClr));
        create = reinterpret_cast<decltype(create)>(get(System_TObject_Create));
        freeObject = reinterpret_cast<decltype(freeObject)>(get(System_TObject_Free));
        add = reinterpret_cast<decltype(add)>(get(Classes_TList_Add));
        createOwning = reinterpret_cast<decltype(createOwning)>(get(Contnrs_TObjectList_CreateOwning));
        listClass = get(Classes_TList);
        objectListClass = get(Contnrs_TObjectList);
    }
};

const Runtime& Rtl() {
    static const Runtime runtime;
    return runtime;
}

// A long string of the runtime, freed with the object.
class Str {
public:
    explicit Str(const std::string& text = "") {
        if (!text.empty()) Rtl().fromPCharLen(&s_, text.data(), static_cast<int32_t>(text.size()));
    }
    Str(const Str&) = delete;
    ~Str() { Rtl().clear(&s_); }
    const char* Get() const { return s_; }
    char** Out() { return &s_; }
    std::string Text() const { return s_ ? std::string(s_, hostabi::LengthOf(s_)) : std::string(); }

private:
    char* s_ = nullptr;
};

class Digest {
public:
    void Add(int64_t v) {
        for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Add(const std::string& s) {
        Add(static_cast<int64_t>(s.size()));
        for (char c : s) Byte(static_cast<uint8_t>(c));
    }
    void AddBytes(const void* p, size_t n) {
        for (size_t i = 0; i < n; ++i) Byte(static_cast<const uint8_t*>(p)[i]);
    }
    uint32_t Value() const { return value_; }

private:
    void Byte(uint8_t b) { value_ = (value_ ^ b) * 16777619u; }
    uint32_t value_ = 2166136261u;
};

int Sign(int64_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Generated texts: names, paths in every form the path routines tell apart,
// numbers, characters above 0x7F, and pseudo-random ones of every length.
std::vector<std::string> Texts() {
    std::vector<std::string> t = {
        "", "a", "A", "b", "ab", "abc", "ABC", "abd", "Abc", "abcd", "abcde", "Unit1", "UNIT1", "unit1.pas",
        "C:\\dir\\file.txt", "C:\\file.txt", "C:\\", "C:", "C:file", "\\file", "\\", "file", "c:/a/b.txt",
        "C:\\dir.d\\file", "C:\\dir\\", "dir\\\\", "x.", ".pas", "a.b.c", "\\\\server\\share\\x.y",
        "C:\\Program Files\\Borland\\BDS\\4.0\\lib\\Controls.dcu", "\xC4pfel", "\xE4PFEL", "\xE4pfel",
        "na\xEFve", "NA\xCFVE", "x\\y.z\\", "42", "-17", "  42", "2147483647", "-2147483648", "0",
    };
    uint32_t state = 12345;
    auto next = [&state](uint32_t range) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % range;
    };
    const char alphabet[] = "abcXYZ.\\:_ 09\xE9\xC9";
    for (int length = 1; length <= 72; length += 1 + length / 8) {
        std::string s;
        for (int i = 0; i < length; ++i) s += alphabet[next(sizeof alphabet - 1)];
        t.push_back(s);
        std::string twin = s;  // equal up to the last character, or in case only
        twin.back() = static_cast<char>(twin.back() ^ (length % 2 ? 0x20 : 0x01));
        t.push_back(twin);
    }
    return t;
}

const std::vector<std::string>& AllTexts() {
    static const std::vector<std::string> texts = Texts();
    return texts;
}

std::wstring Widen(const std::string& s) {
    std::wstring w;
    for (unsigned char c : s) w.push_back(static_cast<wchar_t>(c < 0x80 ? c : c * 257));
    return w;
}

template <class F>
void ForEachPair(F&& f) {
    const auto& t = AllTexts();
    for (size_t i = 0; i < t.size(); ++i)
        for (size_t j = 0; j < t.size(); j += 1 + (i + j) % 3) f(t[i], t[j]);
}

// A buffer with a pattern, for the block routines.
struct Block {
    uint8_t bytes[320];
    Block() {
        for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    }
};

// Each list routine in a script over a plain TList and over a TObjectList
// (that owns nothing, so its notifications free nothing).
template <class F>
void OnLists(Digest& d, F&& script) {
    for (bool plain : {true, false}) {
        void* list = plain ? Rtl().create(Rtl().listClass, 1) : Rtl().createOwning(Rtl().objectListClass, 1, false);
        for (intptr_t i = 1; i <= 40; ++i) Rtl().add(list, reinterpret_cast<void*>(i * 3));
        script(list);
        auto* l = static_cast<hostabi::ListObject*>(list);
        d.Add(l->count);
        for (int32_t i = 0; i < l->count; ++i) d.Add(reinterpret_cast<intptr_t>(l->list[i]));
        Rtl().freeObject(list);
    }
}

}  // namespace

uint32_t Exercise(const Row& row, void* routine) {
    Digest d;
    const auto& texts = AllTexts();
    switch (row.shape) {
        case Shape::Text:
            for (const auto& s : texts) {
                Str in(s), out;
                reinterpret_cast<void(HOSTCALL*)(const char*, char**)>(routine)(in.Get(), out.Out());
                d.Add(out.Text());
            }
            break;
        case Shape::TextPair:
            ForEachPair([&](const std::string& a, const std::string& b) {
                Str x(a), y(b);
                d.Add(Sign(reinterpret_cast<int32_t(HOSTCALL*)(const char*, const char*)>(routine)(x.Get(), y.Get())));
            });
            break;
        case Shape::TextPairBool:
            ForEachPair([&](const std::string& a, const std::string& b) {
                Str x(a), y(b);
                d.Add(reinterpret_cast<bool(HOSTCALL*)(const char*, const char*)>(routine)(x.Get(), y.Get()));
            });
            break;
        case Shape::ChangeExt:
            for (const auto& s : texts)
                for (const char* ext : {"", ".pas", ".DCU", "dcu"}) {
                    Str in(s), e(ext), out;
                    reinterpret_cast<void(HOSTCALL*)(const char*, const char*, char**)>(routine)(in.Get(), e.Get(),
                                                                                               out.Out());
                    d.Add(out.Text());
                }
            break;
        case Shape::Pos:
        case Shape::PosEx:
            ForEachPair([&](const std::string& a, const std::string& b) {
                Str sub(a.substr(0, 1 + a.size() % 4)), s(b);
                if (row.shape == Shape::Pos)
                    d.Add(reinterpret_cast<int32_t(HOSTCALL*)(const char*, const char*)>(routine)(sub.Get(), s.Get()));
                else
                    for (uint32_t offset : {0u, 1u, 3u, 9u})
                        d.Add(reinterpret_cast<int32_t(HOSTCALL*)(const char*, const char*, uint32_t)>(routine)(
                            sub.Get(), s.Get(), offset));
            });
            break;
        case Shape::Replace:
            for (const auto& s : texts)
                for (const char* old : {"\\", "a", "AB", ".", "xyz"})
                    for (uint32_t flags : {0u, 1u, 2u, 3u}) {
                        Str in(s), o(old), n(flags & 1 ? "/" : "<>"), out;
                        reinterpret_cast<void(HOSTCALL_STACK*)(const char*, const char*, const char*, char**,
                                                                uint32_t)>(routine)(in.Get(), o.Get(), n.Get(),
                                                                                    out.Out(), flags);
                        d.Add(out.Text());
                    }
            break;
        case Shape::IntToStr:
            for (int64_t v : {0LL, 1LL, -1LL, 9LL, 10LL, -10LL, 99999LL, 100000LL, 2147483647LL, -2147483648LL})
                for (int k = 0; k < 40; ++k) {
                    Str out;
                    reinterpret_cast<void(HOSTCALL*)(int32_t, char**)>(routine)(static_cast<int32_t>(v * (k + 1)),
                                                                                 out.Out());
                    d.Add(out.Text());
                }
            break;
        case Shape::StrToInt:
            for (const char* s : {"0", "42", "-17", "  42", "+8", "2147483647", "-2147483648", "$1F", "0x10", "007"}) {
                Str in(s);
                d.Add(reinterpret_cast<int32_t(HOSTCALL*)(const char*)>(routine)(in.Get()));
            }
            break;
        case Shape::Max:
            for (int32_t a : {-2147483647 - 1, -5, 0, 3, 2147483647})
                for (int32_t b : {-7, 0, 3, 100})
                    d.Add(reinterpret_cast<int32_t(HOSTCALL*)(int32_t, int32_t)>(routine)(a, b));
            break;
        case Shape::FileBool:
        case Shape::FileInt: {
            char self[MAX_PATH], rtl[MAX_PATH];
            GetModuleFileNameA(GetModuleHandleA("PatchProbe.dll"), self, MAX_PATH);
            GetModuleFileNameA(GetModuleHandleA("rtl100.bpl"), rtl, MAX_PATH);
            std::string dir(rtl);
            dir.erase(dir.find_last_of('\\'));
            for (const std::string& name : {std::string(self), std::string(rtl), dir, dir + "\\", dir + "\\NoSuchFile.dcu",
                                            std::string()}) {
                Str in(name);
                if (row.shape == Shape::FileBool)
                    d.Add(reinterpret_cast<bool(HOSTCALL*)(const char*)>(routine)(in.Get()));
                else
                    d.Add(reinterpret_cast<int32_t(HOSTCALL*)(const char*)>(routine)(in.Get()));
            }
            break;
        }
        case Shape::Move:
        case Shape::CMemmove:
        case Shape::CMemcpy:
            for (int count = 0; count <= 130; count += 1 + count / 16)
                for (int from : {0, 1, 3, 64})
                    for (int to : {0, 2, 5, 64, 130}) {
                        if (row.shape == Shape::CMemcpy && from < to + count && to < from + count) continue;
                        Block b;
                        if (row.shape == Shape::Move)
                            reinterpret_cast<void(HOSTCALL*)(const void*, void*, int32_t)>(routine)(
                                b.bytes + from, b.bytes + to, count);
                        else
                            reinterpret_cast<void*(__cdecl*)(void*, const void*, size_t)>(routine)(
                                b.bytes + to, b.bytes + from, static_cast<size_t>(count));
                        d.AddBytes(b.bytes, sizeof b.bytes);
                    }
            break;
        case Shape::FillChar:
        case Shape::CMemset:
            for (int count = 0; count <= 200; count += 1 + count / 16)
                for (int at : {0, 1, 2, 3, 17}) {
                    Block b;
                    if (row.shape == Shape::FillChar)
                        reinterpret_cast<void(HOSTCALL*)(void*, int32_t, char)>(routine)(b.bytes + at, count, 'x');
                    else
                        d.Add(reinterpret_cast<uint8_t*>(reinterpret_cast<void*(__cdecl*)(void*, int, size_t)>(
                                  routine)(b.bytes + at, 0x1A5, static_cast<size_t>(count))) - b.bytes);
                    d.AddBytes(b.bytes, sizeof b.bytes);
                }
            break;
        case Shape::CompareMem:
            ForEachPair([&](const std::string& a, const std::string& b) {
                const int32_t n = static_cast<int32_t>(a.size() < b.size() ? a.size() : b.size());
                d.Add(reinterpret_cast<bool(HOSTCALL*)(const void*, const void*, int32_t)>(routine)(a.data(), b.data(), n));
            });
            break;
        case Shape::PCharPair:
        case Shape::CStrcmp:
            ForEachPair([&](const std::string& a, const std::string& b) {
                if (row.shape == Shape::PCharPair)
                    d.Add(Sign(reinterpret_cast<int32_t(HOSTCALL*)(const char*, const char*)>(routine)(a.c_str(),
                                                                                                     b.c_str())));
                else
                    d.Add(Sign(reinterpret_cast<int(__cdecl*)(const char*, const char*)>(routine)(a.c_str(), b.c_str())));
            });
            break;
        case Shape::PCharLen:
        case Shape::CStrlen:
            for (const auto& s : texts)
                for (size_t from = 0; from <= s.size() && from < 4; ++from)
                    d.Add(row.shape == Shape::PCharLen
                              ? reinterpret_cast<int32_t(HOSTCALL*)(const char*)>(routine)(s.c_str() + from)
                              : static_cast<int64_t>(reinterpret_cast<size_t(__cdecl*)(const char*)>(routine)(s.c_str() + from)));
            break;
        case Shape::StrCopy:
            for (const auto& s : texts) {
                char buffer[100];
                FillMemory(buffer, sizeof buffer, '#');
                char* r = reinterpret_cast<char*(HOSTCALL*)(char*, const char*)>(routine)(buffer + 1, s.c_str());
                d.Add(r - buffer);
                d.AddBytes(buffer, sizeof buffer);
            }
            break;
        case Shape::StrScan:
            for (const auto& s : texts)
                for (char c : {'\\', '.', 'a', 'X', '\0', '\xE9'}) {
                    const char* r = reinterpret_cast<const char*(HOSTCALL*)(const char*, char)>(routine)(s.c_str(), c);
                    d.Add(r ? r - s.c_str() : -1);
                }
            break;
        case Shape::LStrCmp:
            ForEachPair([&](const std::string& a, const std::string& b) {
                Str x(a), y(b);
                d.Add(probe_compare_flags(routine, x.Get(), y.Get()) & (kCarry | kZero));
            });
            break;
        case Shape::WStrCmp:
        case Shape::WideSame:
            ForEachPair([&](const std::string& a, const std::string& b) {
                std::wstring wa = Widen(a), wb = Widen(b);
                BSTR x = wa.empty() ? nullptr : SysAllocStringLen(wa.data(), static_cast<UINT>(wa.size()));
                BSTR y = wb.empty() ? nullptr : SysAllocStringLen(wb.data(), static_cast<UINT>(wb.size()));
                if (row.shape == Shape::WStrCmp)
                    d.Add(probe_compare_flags(routine, x, y) & (kCarry | kZero));
                else
                    d.Add(reinterpret_cast<bool(HOSTCALL*)(const wchar_t*, const wchar_t*)>(routine)(x, y));
                SysFreeString(x);
                SysFreeString(y);
            });
            break;
        case Shape::ListGet:
            OnLists(d, [&](void* list) {
                for (int32_t i = 0; i < 40; ++i)
                    d.Add(reinterpret_cast<intptr_t>(reinterpret_cast<void*(HOSTCALL*)(void*, int32_t)>(routine)(list, i)));
            });
            break;
        case Shape::ListIndexOf:
            OnLists(d, [&](void* list) {
                for (intptr_t v = 0; v < 130; ++v)
                    d.Add(reinterpret_cast<int32_t(HOSTCALL*)(void*, void*)>(routine)(list, reinterpret_cast<void*>(v)));
            });
            break;
        case Shape::ListSetCount:
            OnLists(d, [&](void* list) {
                for (int32_t count : {60, 200, 10, 0, 5, 5, 33}) {
                    reinterpret_cast<void(HOSTCALL*)(void*, int32_t)>(routine)(list, count);
                    auto* l = static_cast<hostabi::ListObject*>(list);
                    d.Add(l->count);
                    for (int32_t i = 0; i < l->count; ++i) d.Add(reinterpret_cast<intptr_t>(l->list[i]));
                }
            });
            break;
        case Shape::ListPut:
            OnLists(d, [&](void* list) {
                for (int32_t i = 0; i < 40; i += 3)
                    reinterpret_cast<void(HOSTCALL*)(void*, int32_t, void*)>(routine)(list, i,
                                                                                      reinterpret_cast<void*>(i % 2 ? 0 : i + 1000));
            });
            break;
        case Shape::ListInsert:
            OnLists(d, [&](void* list) {
                for (int32_t i = 0; i < 90; ++i) {
                    const int32_t count = static_cast<hostabi::ListObject*>(list)->count;
                    reinterpret_cast<void(HOSTCALL*)(void*, int32_t, void*)>(routine)(
                        list, i % 3 == 0 ? 0 : i % 3 == 1 ? count : count / 2, reinterpret_cast<void*>(i % 5 ? i : 0));
                }
            });
            break;
        case Shape::ListLast:
            OnLists(d, [&](void* list) {
                for (intptr_t i = 0; i < 20; ++i) {
                    Rtl().add(list, reinterpret_cast<void*>(i * i));
                    d.Add(reinterpret_cast<intptr_t>(reinterpret_cast<void*(HOSTCALL*)(void*)>(routine)(list)));
                }
            });
            break;
        case Shape::ListExchange:
            OnLists(d, [&](void* list) {
                for (int32_t i = 0; i < 40; ++i)
                    reinterpret_cast<void(HOSTCALL*)(void*, int32_t, int32_t)>(routine)(list, i, (i * 7) % 40);
            });
            break;
    }
    return d.Value();
}

}  // namespace probe
