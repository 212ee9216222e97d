// csc.exe, the stand-in for the C# command-line compiler that the IDE runs
// while it starts, to build its XML serializer assemblies:
//   csc [options] [@<response file>] [<source>...]
// A response file (UTF-8, with or without its byte-order mark) holds more
// options and sources, separated by blanks or line breaks, double quotes
// around a name with blanks. /out:<file> (any case) names the assembly;
// other options are accepted and ignored.
//
// Like the real compiler it takes a while to start (kStartMs). It then reads
// the sources and writes the assembly <out>, its type list <out>.tmp and its
// error list <out>.err, all derived from the sources. A source holding a line
// "#error <text>" fails the compile: the error goes to <out>.err, no assembly
// is written, the exit code is 1.
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartMs = 600;

bool ReadWholeFile(const std::string& name, std::string& text) {
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    text.clear();
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return true;
}

bool WriteWholeFile(const std::string& name, const std::string& text) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

// Blank-separated tokens, double quotes removed.
std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
        if (i == text.size()) break;
        std::string token;
        bool quoted = false;
        for (; i < text.size() && (quoted || static_cast<unsigned char>(text[i]) > ' '); ++i) {
            if (text[i] == '"')
                quoted = !quoted;
            else
                token += text[i];
        }
        tokens.push_back(token);
    }
    return tokens;
}

std::string ChangeExtension(const std::string& name, const char* extension) {
    const size_t dot = name.find_last_of('.');
    const size_t slash = name.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + extension;
    return name.substr(0, dot) + extension;
}

uint32_t Fnv(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
}

struct Compilation {
    std::string out;
    std::vector<std::string> sources;
};

bool Collect(const std::vector<std::string>& tokens, Compilation& c, int depth) {
    for (const std::string& token : tokens) {
        if (token.empty()) continue;
        if (token[0] == '@') {
            std::string text;
            if (depth > 4 || !ReadWholeFile(token.substr(1), text)) {
                std::fprintf(stderr, "error CS2011: cannot open response file '%s'\n", token.c_str() + 1);
                return false;
            }
            if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
            if (!Collect(Tokens(text), c, depth + 1)) return false;
        } else if (token[0] == '/' || token[0] == '-') {
            if (_strnicmp(token.c_str() + 1, "out:", 4) == 0) c.out = token.substr(5);
        } else {
            c.sources.push_back(token);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Sleep(kStartMs);
    Compilation c;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!Collect(arguments, c, 0)) return 2;
    if (c.sources.empty()) {
        std::fprintf(stderr, "error CS2008: no source files specified\n");
        return 2;
    }
    if (c.out.empty()) c.out = ChangeExtension(c.sources[0], ".dll");

    std::string assembly = "EMUCSC assembly\r\n", types, errors;
    for (const std::string& source : c.sources) {
        std::string text;
        if (!ReadWholeFile(source, text)) {
            errors += "error CS2001: source file '" + source + "' could not be found\r\n";
            continue;
        }
        char header[64];
        std::snprintf(header, sizeof header, " bytes=%u hash=%08X\r\n", static_cast<unsigned>(text.size()), Fnv(text));
        assembly += "source " + source + header;
        int lineNumber = 0;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            at = end + 1;
            ++lineNumber;
            if (line.rfind("#error", 0) == 0)
                errors += source + "(" + std::to_string(lineNumber) + "): error CS1029: #error: '" + line.substr(6) +
                          "'\r\n";
            const size_t type = line.find("class ");
            if (type != std::string::npos) types += "type " + line.substr(type + 6) + "\n";
        }
        for (char ch : text) assembly += static_cast<char>(std::isalpha(static_cast<unsigned char>(ch)) ? ch ^ 0x20 : ch);
    }
    bool written = WriteWholeFile(ChangeExtension(c.out, ".err"), errors) && WriteWholeFile(ChangeExtension(c.out, ".tmp"), types);
    if (!errors.empty()) {
        std::fputs(errors.c_str(), stderr);
        return 1;
    }
    written = written && WriteWholeFile(c.out, assembly);
    return written ? 0 : 2;
}
