// Path, quote and command-line helpers.
#include "HostLayout.h"
#include "base/Utils.h"

namespace toravex {

namespace {

bool IsBlank(char c) { return c >= 1 && static_cast<unsigned char>(c) <= 32; }

// Past a quoted stretch that starts at p: after its closing quote, or at the
// end of the text when there is none.
const char* SkipQuoted(const char* p) {
    ++p;
    while (*p && *p != '"') ++p;
    return *p ? p + 1 : p;
}

// The end of the token starting at p (p is not blank).
const char* TokenEnd(const char* p) {
    if (*p == '"') return SkipQuoted(p);
    while (*p && !IsBlank(*p)) p = *p == '"' ? SkipQuoted(p) : p + 1;
    return p;
}

const char* SkipBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return p;
}

}  // namespace

HostString TrimPathDelimiter(const char* path) {
    int32_t n = hostabi::LengthOf(path);
    if (n > 0 && (path[n - 1] == '\\' || path[n - 1] == '/')) --n;
    if (n == 0 || path[n - 1] != ':') return HostString(path, n);
    // A drive: path[n] is the delimiter just removed or the terminator, so
    // n + 1 characters can be copied and the last one made a backslash in
    // the fresh (unshared) copy.
    HostString root(path, n + 1);
    const_cast<char*>(root.Get())[n] = '\\';
    return root;
}

bool StartsText(const char* prefix, const char* s) {
    const int32_t n = hostabi::LengthOf(prefix);
    if (n == 0 || n > hostabi::LengthOf(s)) return false;
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, prefix, n, s, n) == CSTR_EQUAL;
}

bool SameTextAscii(const char* a, const char* b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    for (; *a && *b; ++a, ++b)
        if (fold(*a) != fold(*b)) return false;
    return *a == *b;
}

HostString Unquote(const char* s) {
    const int32_t n = hostabi::LengthOf(s);
    if (n > 1 && s[0] == '"' && s[n - 1] == '"') return HostString(s + 1, n - 2);
    return HostString::Share(s);
}

HostString TrimText(const char* s) {
    if (!s) return HostString();
    const char* begin = SkipBlanks(s);
    const char* end = begin;
    while (*end) ++end;
    while (end > begin && IsBlank(end[-1])) --end;
    return HostString(begin, static_cast<int32_t>(end - begin));
}

bool SplitCommandLine(HostStringList& list, const char* commandLine, bool skipFirst) {
    const char* p = commandLine ? commandLine : GetCommandLineA();
    if (skipFirst) {
        p = SkipBlanks(p);
        if (*p) p = TokenEnd(p);
    }
    for (;;) {
        p = SkipBlanks(p);
        if (!*p) break;
        const char* end = TokenEnd(p);
        list.Add(HostString(p, static_cast<int32_t>(end - p)));
        p = end;
    }
    return list.Count() > 1;
}

}  // namespace toravex
