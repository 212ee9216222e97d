#!/bin/sh
# The deliverables run on every processor the IDE runs on, down to the
# Pentium (i586: no CMOV, no MMX, no SSE, no long NOP). Only the routine
# variants may use more, and only the instruction-set features the variant
# table declares for them (plugin/fastcode/RoutineVariants.cpp, and the
# sources of other routines chosen by processor, in the same VARIANT rows).
#
# For each deliverable, every function of its disassembly is classified by
# the instructions it holds (CMOV, MMX, SSE, SSE2, SSE3). Allowed beyond the
# baseline:
#   - a variant, within its declared features;
#   - code entered only from variants (the blocks of the move and fill
#     families), within what all of them declare;
#   - the processor probes, which try an instruction under an exception
#     guard to learn whether the processor and the system run it;
#   - code that cannot run: the C runtime's pseudo-relocation fix-up
#     (mark_section_writable, and what only it calls) in a module whose
#     pseudo-relocation list is empty.
#
#   check_baseline.sh <bin folder> <map folder> <RoutineVariants.cpp> [<more variant rows>...]
set -eu
bin=$1
maps=$2
shift 2
variants="$*"
status=0
# The probes of processor detection (plugin/fastcode/ProcessorProbes.S).
probes="_toravex_sse_instruction"

# "name features" for every variant: VARIANT(CompareMemA, FeatureSSE | FeatureSSE2 ...)
declared=$(cat $variants | grep -v '#define' | grep -o 'VARIANT([A-Za-z0-9_]*, *[^)]*)' |
           sed 's/VARIANT(//; s/)$//; s/Feature//g; s/[|,]/ /g; s/  */ /g')
if [ -z "$declared" ]; then
    echo "no variants read from $variants"; exit 1
fi

check() {
    module=$1
    map=$2
    {
        printf '%s\n' "$declared" | sed 's/^/VARIANT /'
        # The toolchain's input files, by address range, from the link map.
        awk '
            /^ \.text/ { section = 1; if (NF >= 4) { print "RANGE", $2, $3, $4 }; next }
            section && NF >= 3 && $1 ~ /^0x/ { print "RANGE", $1, $2, $3 }
            { section = 0 }
        ' "$map"
        i686-w64-mingw32-nm "$bin/$module" | awk '/RUNTIME_PSEUDO_RELOC_LIST/ { print "RELOC", $3, $1 }'
        i686-w64-mingw32-objdump -d --no-show-raw-insn "$bin/$module"
    } | awk -v module="$module" -v probes="$probes" '
        function hex(s,   n, i, c) {
            sub(/^0x/, "", s); n = 0; s = tolower(s)
            for (i = 1; i <= length(s); i++) { c = index("0123456789abcdef", substr(s, i, 1)) - 1; n = n * 16 + c }
            return n
        }
        # The name a variant has in the table: C++ names in namespace toravex
        # (__ZN7toravex<length><name>...), C names with their underscore.
        function plain(sym,   rest, len) {
            if (sym ~ /^__ZN7toravex[0-9]/) {
                rest = substr(sym, 13); len = rest + 0
                return substr(rest, length(len "") + 1, len)
            }
            sub(/^_/, "", sym); return sym
        }
        # Whether an address lies in code an input file contributed, not in
        # data the section holds (such as the exception tables).
        function inCode(a,   i) {
            for (i = 1; i <= ranges; i++)
                if (a >= rangeStart[i] && a < rangeEnd[i]) return 1
            return 0
        }
        function use(feature) {
            if (!inCode(address)) return
            used[fn, feature] = 1; usedAny[fn] = 1
        }
        $1 == "VARIANT" { for (i = 3; i <= NF; i++) allows[$2, $i] = 1; isVariant[$2] = 1; next }
        $1 == "RANGE" {
            ranges++; rangeStart[ranges] = hex($2); rangeEnd[ranges] = hex($2) + hex($3); next
        }
        $1 == "RELOC" { reloc[$2] = $3; next }
        /^[0-9a-f]+ <.*>:$/ {
            fn = $2; gsub(/[<>:]/, "", fn)
            if (fn in start) fn = fn "@" $1  # a section name labelling several pieces
            start[fn] = hex($1); functions[++count] = fn; next
        }
        fn != "" && /^ *[0-9a-f]+:\t/ {
            address = hex(substr($1, 1, length($1) - 1)); line = $0; sub(/^ *[0-9a-f]+:\t/, "", line)
            split(line, w, /[ \t]+/); m = w[1]
            if (m ~ /^(rep|repz|repnz|repe|repne|lock|data16|cs|ds|es|fs|gs|ss|addr16)$/) m = w[2]
            # Calls and jumps into other functions.
            if (m ~ /^(call|j[a-z]+)$/ && match(line, /<[^>+]+/)) {
                target = substr(line, RSTART + 1, RLENGTH - 1)
                if (target != fn) calls[target] = calls[target] " " fn
            }
            if (m ~ /^(cmov|fcmov)/ || m ~ /^f(u)?comip?$/ || m ~ /^nop[lw]$/) use("CMOV")
            if (m ~ /^(lddqu|movddup|movshdup|movsldup|haddp|hsubp|addsubp|fisttp|monitor|mwait)/) { use("SSE3"); next }
            if (m ~ /^(prefetch|sfence|movntq|maskmovq|pshufw|pavg|pextrw|pinsrw|pmaxsw|pmaxub|pminsw|pminub|pmulhuw|psadbw)/ && line !~ /%xmm/) { use("SSE"); next }
            if (m ~ /^(movnti|lfence|mfence|clflush)/) { use("SSE2"); next }
            if (line ~ /%xmm/) {
                if (m ~ /^(addps|addss|andnps|andps|cmpps|cmpss|comiss|cvtpi2ps|cvtps2pi|cvtsi2ss|cvtss2si|cvttps2pi|cvttss2si|divps|divss|ldmxcsr|maxps|maxss|minps|minss|movaps|movhlps|movhps|movlhps|movlps|movmskps|movntps|movss|movups|mulps|mulss|orps|rcpps|rcpss|rsqrtps|rsqrtss|shufps|sqrtps|sqrtss|stmxcsr|subps|subss|ucomiss|unpckhps|unpcklps|xorps)$/)
                    use("SSE")
                else
                    use("SSE2")
                next
            }
            if (line ~ /%mm[0-7]/ || m == "emms") use("MMX")
        }
        # What f may use: a variant its declared features; code entered
        # only from variants (or from such code) what all its callers may.
        function allowed(f, feature,   n, callers, i, depth) {
            if (plain(f) in isVariant) return ((plain(f), feature) in allows)
            if (visiting[f]) return 1
            n = split(calls[f], callers, " ")
            if (n == 0) return 0
            visiting[f] = 1
            for (i = 1; i <= n; i++)
                if (!allowed(callers[i], feature)) { visiting[f] = 0; return 0 }
            visiting[f] = 0
            return 1
        }
        # Code that cannot run: the pseudo-relocation fix-up without
        # pseudo-relocations, and code entered only from it.
        function dead(f,   n, callers, i) {
            if (f == "_mark_section_writable")
                return reloc["__RUNTIME_PSEUDO_RELOC_LIST__"] == reloc["__RUNTIME_PSEUDO_RELOC_LIST_END__"]
            n = split(calls[f], callers, " ")
            if (n == 0) return 0
            for (i = 1; i <= n; i++) if (callers[i] == f || !dead(callers[i])) return 0
            return 1
        }
        END {
            split("CMOV MMX SSE SSE2 SSE3", features, " ")
            n = split(probes, list, " ")
            for (i = 1; i <= n; i++) isProbe[list[i]] = 1
            bad = 0; variants = 0
            for (k = 1; k <= count; k++) {
                f = functions[k]
                if (!(f in usedAny)) continue
                if (plain(f) in isVariant) variants++
                if (dead(f) || f in isProbe) continue
                for (j = 1; j <= 5; j++)
                    if ((f, features[j]) in used && !allowed(f, features[j])) {
                        print module ": " f " uses " features[j] " beyond what it may use"
                        bad = 1
                    }
            }
            printf "%s: %d variants checked against their features", module, variants
            printf "; %s\n", bad ? "FAILED" : "everything else within the i586 baseline"
            exit bad
        }
    ' || status=1
}

for v in 10 9 7 6 5; do
    check "Toravex$v.dll" "$maps/Toravex$v.dll.map"
    check "ToravexLoader$v.bpl" "$maps/ToravexLoader$v.bpl.map"
done
for v in 10 9 7 6 5; do
    check "ToravexSetup$v.exe" "$maps/ToravexSetup$v.exe.map"
done

# The check sees what it checks: with no feature declared for any variant,
# the plug-in must fail it.
declared=$(printf '%s\n' "$declared" | awk '{ print $1 }')
if ! (check Toravex10.dll "$maps/Toravex10.dll.map" 2>&1) | grep -q 'Toravex10.dll: .*FAILED$'; then
    echo "the check found no instruction beyond the baseline in the variants"; status=1
fi
exit $status
