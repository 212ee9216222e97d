#include "fastcode/StringReplace.h"

#include <windows.h>

#include "base/HostException.h"
#include "base/HostResults.h"
#include "base/HostRuntime.h"
#include "fastcode/SearchBlocks.h"

namespace toravex {

using namespace strings;

std::atomic<const ReplaceCaseTable*> CaseTable{nullptr};

namespace {

// The first table needs no allocation; later ones (a changed code page)
// come from the process heap.
ReplaceCaseTable* NewCaseTable() {
    static ReplaceCaseTable first;
    static std::atomic<bool> firstTaken{false};
    if (!firstTaken.exchange(true)) return &first;
    return static_cast<ReplaceCaseTable*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ReplaceCaseTable)));
}

}  // namespace

const uint8_t* CurrentCaseTable() {
    const uint32_t codePage = GetACP();
    const ReplaceCaseTable* table = CaseTable.load(std::memory_order_acquire);
    if (table && table->codePage == codePage) return table->upper;
    // The code page is fixed for a process's life in practice, so this runs
    // about once; threads that race here each publish a complete table.
    ReplaceCaseTable* fresh = NewCaseTable();
    if (!fresh) return table ? table->upper : kAsciiCase.upper;  // no memory: fold ASCII at least
    fresh->codePage = codePage;
    for (int b = 0; b < 256; ++b) fresh->upper[b] = static_cast<uint8_t>(b);
    CharUpperBuffA(reinterpret_cast<char*>(fresh->upper), 256);
    CaseTable.store(fresh, std::memory_order_release);
    return fresh->upper;
}

namespace {

int32_t SearchIgnoringCase(const uint8_t* upper, const char* subStr, const char* s, int32_t offset) {
    const int32_t m = LengthOf(subStr), n = LengthOf(s);
    const int32_t start = SearchStart(m, n, offset);
    if (start < 0) return 0;
    const auto* text = reinterpret_cast<const uint8_t*>(s);
    const auto* pattern = reinterpret_cast<const uint8_t*>(subStr);
    const uint8_t first = upper[pattern[0]];
    if (m == 1) {
        for (int32_t p = start; p < n; ++p)
            if (upper[text[p]] == first) return p + 1;
        return 0;
    }
    // The rest of the pattern, from its end, two bytes per step.
    auto restMatches = [&](int32_t p) {
        const uint8_t* at = text + p;
        int32_t i = m - 1;
        for (; i >= 2; i -= 2)
            if (upper[at[i]] != upper[pattern[i]] || upper[at[i - 1]] != upper[pattern[i - 1]]) return false;
        return i < 1 || upper[at[1]] == upper[pattern[1]];
    };
    const int32_t lastStart = n - m;
    for (int32_t p = start; p <= lastStart; p += 2) {
        if (upper[text[p]] == first && restMatches(p)) return p + 1;
        if (p < lastStart && upper[text[p + 1]] == first && restMatches(p + 1)) return p + 2;
    }
    return 0;
}

PosExRoutine gSearchOverride = nullptr;
PosExRoutine gHostPosEx = nullptr;

PosExRoutine CaseSensitiveSearch() {
    if (gSearchOverride) return gSearchOverride;
    if (!gHostPosEx) gHostPosEx = FindHostRoutine<PosExRoutine>(Runtime().module, hostnames::Strutils_PosEx);
    return gHostPosEx ? gHostPosEx : PosExA;
}

// One search for every match of a call: the host's PosEx, or the case table.
struct Search {
    PosExRoutine caseSensitive;
    const uint8_t* upper;  // set when ignoring case
    int32_t Find(const char* pattern, const char* s, int32_t offset) const {
        return upper ? SearchIgnoringCase(upper, pattern, s, offset) : caseSensitive(pattern, s, offset);
    }
};

// Match positions (0-based): 16 held locally, then on the host's heap,
// growing by half each time it fills.
class PositionList {
public:
    int32_t Count() const { return count_; }
    int32_t operator[](int32_t i) const { return items_[i]; }
    void Add(int32_t position) {
        if (count_ == capacity_) Grow();
        items_[count_++] = position;
    }
    void Release() {
        if (items_ != local_) Runtime().freeMem(items_);
        items_ = local_;
    }

private:
    void Grow() {
        const int32_t capacity = capacity_ + capacity_ / 2;
        const int32_t bytes = capacity * static_cast<int32_t>(sizeof(int32_t));
        if (items_ == local_) {
            auto* heap = static_cast<int32_t*>(Runtime().getMem(bytes));
            for (int32_t i = 0; i < count_; ++i) heap[i] = local_[i];
            items_ = heap;
        } else {
            void* p = items_;
            items_ = static_cast<int32_t*>(Runtime().reallocMem(&p, bytes));
        }
        capacity_ = capacity;
    }

    int32_t local_[16];
    int32_t* items_ = local_;
    int32_t count_ = 0;
    int32_t capacity_ = 16;
};

// Both patterns one byte long: every byte equal to the old one (through
// the case table when ignoring case) becomes the new one.
void ReplaceAllBytes(const char* s, int32_t n, char from, char to, const uint8_t* upper, char** result) {
    auto matches = [&](char c) { return upper ? upper[static_cast<uint8_t>(c)] == upper[static_cast<uint8_t>(from)] : c == from; };
    int32_t i = n - 1;
    while (i >= 0 && !matches(s[i])) --i;
    if (i < 0) return ShareResult(result, s);
    char* d = NewHostString(n);
    CopyChars(d, s, n);
    for (; i >= 0; --i)
        if (matches(s[i])) d[i] = to;
    StoreResult(result, d);
}

void ReplaceAllMatches(const char* s, const char* oldPattern, const char* newPattern, const Search& search,
                       char** result) {
    const int32_t n = LengthOf(s), oldLength = LengthOf(oldPattern), newLength = LengthOf(newPattern);
    int32_t found = search.Find(oldPattern, s, 1);
    if (found == 0) return ShareResult(result, s);

    PositionList positions;
    host::TryFinally(
        [&] {
            for (; found != 0; found = search.Find(oldPattern, s, found + oldLength)) positions.Add(found - 1);
            const int32_t length = n + positions.Count() * (newLength - oldLength);
            char* d = length > 0 ? NewHostString(length) : nullptr;
            int32_t from = 0, to = 0;
            for (int32_t i = 0; i < positions.Count(); ++i) {
                const int32_t at = positions[i];
                CopyChars(d + to, s + from, at - from);
                to += at - from;
                CopyChars(d + to, newPattern, newLength);
                to += newLength;
                from = at + oldLength;
            }
            CopyChars(d + to, s + from, n - from);
            StoreResult(result, d);
        },
        [&] { positions.Release(); });
}

void ReplaceFirst(const char* s, const char* oldPattern, const char* newPattern, const Search& search,
                  char** result) {
    const int32_t n = LengthOf(s), oldLength = LengthOf(oldPattern), newLength = LengthOf(newPattern);
    const int32_t found = search.Find(oldPattern, s, 1);
    if (found == 0) return ShareResult(result, s);
    const int32_t at = found - 1;
    const int32_t length = n - oldLength + newLength;
    char* d = length > 0 ? NewHostString(length) : nullptr;
    if (oldLength == newLength) {
        CopyChars(d, s, n);
    } else {
        CopyChars(d, s, at);
        CopyChars(d + at + newLength, s + at + oldLength, n - at - oldLength);
    }
    CopyChars(d + at, newPattern, newLength);
    StoreResult(result, d);
}

}  // namespace

int32_t HOSTCALL CaseTableSearch(const char* subStr, const char* s, int32_t offset) {
    return SearchIgnoringCase(CurrentCaseTable(), subStr, s, offset);
}

void SetCaseSensitiveReplaceSearch(PosExRoutine search) {
    gSearchOverride = search;
    gHostPosEx = nullptr;
}

void HOSTCALL_STACK StringReplace(const char* s, const char* oldPattern, const char* newPattern, char** result,
                                  uint8_t flags) {
    const int32_t n = LengthOf(s), oldLength = LengthOf(oldPattern);
    if (n == 0) return ClearResult(result);
    if (oldLength == 0 || oldLength > n) return ShareResult(result, s);

    const Search search{CaseSensitiveSearch(), (flags & ReplaceIgnoreCase) ? CurrentCaseTable() : nullptr};
    if (!(flags & ReplaceAll)) return ReplaceFirst(s, oldPattern, newPattern, search, result);
    if (oldLength == 1 && LengthOf(newPattern) == 1)
        return ReplaceAllBytes(s, n, oldPattern[0], newPattern[0], search.upper, result);
    ReplaceAllMatches(s, oldPattern, newPattern, search, result);
}

}  // namespace toravex
