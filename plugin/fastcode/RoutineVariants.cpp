#include "fastcode/RoutineVariants.h"

#include <iterator>

#include "fastcode/FastMove.h"
#include "fastcode/Fastcode.h"
#include "fastcode/FastcodeCPUID.h"

namespace toravex {

namespace {

constexpr uint16_t kBaseline = FeatureFPU;
constexpr uint16_t kSseBase = FeatureFPU | FeatureCMOV | FeatureMMX | FeatureSSE;
constexpr uint16_t kSse2 = kSseBase | FeatureSSE2;

#define VARIANT(routine, needs) {#routine, reinterpret_cast<const void*>(&routine), needs}

const RoutineVariant kStringReplace[] = {VARIANT(StringReplace, 0)};
const RoutineVariant kCompareMem[] = {
    VARIANT(CompareMemA, FeatureSSE | FeatureSSE2 | FeatureSSE3), VARIANT(CompareMemB, FeatureSSE | FeatureSSE2),
    VARIANT(CompareMemC, FeatureSSE | FeatureSSE2), VARIANT(CompareMemD, 0), VARIANT(CompareMemE, 0),
    VARIANT(CompareMemF, 0)};
const RoutineVariant kCompareStr[] = {VARIANT(CompareStrA, 0), VARIANT(CompareStrB, 0), VARIANT(CompareStrC, 0),
                                      VARIANT(CompareStrD, 0)};
const RoutineVariant kCompareText[] = {VARIANT(CompareTextA, 0), VARIANT(CompareTextB, 0),
                                       VARIANT(CompareTextC, 0)};
const RoutineVariant kFillChar[] = {VARIANT(FillCharA, FeatureSSE | FeatureSSE2),
                                    VARIANT(FillCharB, FeatureSSE | FeatureSSE2), VARIANT(FillCharC, FeatureMMX),
                                    VARIANT(FillCharD, FeatureFPU), VARIANT(FillCharE, FeatureSSE)};
const RoutineVariant kLowerCase[] = {VARIANT(LowerCaseA, FeatureMMX), VARIANT(LowerCaseB, 0)};
const RoutineVariant kPos[] = {VARIANT(PosA, 0), VARIANT(PosB, FeatureSSE | FeatureSSE2)};
const RoutineVariant kPosEx[] = {VARIANT(PosExA, 0), VARIANT(PosExB, 0)};
const RoutineVariant kStrComp[] = {VARIANT(StrCompA, 0), VARIANT(StrCompB, 0)};
const RoutineVariant kStrCopy[] = {VARIANT(StrCopyA, FeatureMMX), VARIANT(StrCopyB, 0), VARIANT(StrCopyC, 0)};
const RoutineVariant kStrIComp[] = {VARIANT(StrICompA, 0)};
const RoutineVariant kStrLen[] = {VARIANT(StrLenA, FeatureSSE | FeatureSSE2), VARIANT(StrLenB, 0),
                                  VARIANT(StrLenC, FeatureSSE | FeatureSSE2)};
const RoutineVariant kStrToInt[] = {VARIANT(StrToIntA, 0), VARIANT(StrToIntB, 0), VARIANT(StrToIntC, 0),
                                    VARIANT(StrToIntD, 0), VARIANT(StrToIntE, 0)};
// UpperCaseB reads with prefetch hints, which came with SSE.
const RoutineVariant kUpperCase[] = {VARIANT(UpperCaseA, FeatureSSE | FeatureSSE2),
                                     VARIANT(UpperCaseB, FeatureMMX | FeatureSSE), VARIANT(UpperCaseC, FeatureMMX),
                                     VARIANT(UpperCaseD, 0)};
const RoutineVariant kMax[] = {VARIANT(MaxA, FeatureCMOV), VARIANT(MaxB, 0)};
const RoutineVariant kMove[] = {VARIANT(MoveGeneric, FeatureFPU), VARIANT(MoveMMX, FeatureFPU | FeatureMMX),
                                VARIANT(MoveSSE, FeatureFPU | FeatureSSE),
                                VARIANT(MoveSSE2, FeatureFPU | FeatureSSE | FeatureSSE2),
                                VARIANT(MoveSSE3, FeatureFPU | FeatureSSE | FeatureSSE2 | FeatureSSE3)};

#undef VARIANT

const RoutineFamily kFamilies[] = {
    {"StringReplace", kStringReplace}, {"CompareMem", kCompareMem}, {"CompareStr", kCompareStr},
    {"CompareText", kCompareText},     {"FillChar", kFillChar},     {"LowerCase", kLowerCase},
    {"Pos", kPos},                     {"PosEx", kPosEx},           {"StrComp", kStrComp},
    {"StrCopy", kStrCopy},             {"StrIComp", kStrIComp},     {"StrLen", kStrLen},
    {"StrToInt", kStrToInt},           {"UpperCase", kUpperCase},   {"Max", kMax},
    {"Move", kMove},
};

}  // namespace

std::span<const RoutineFamily> RoutineFamilies() { return kFamilies; }

const RoutineVariant* FindVariant(const void* routine) {
    for (const RoutineFamily& family : kFamilies)
        for (const RoutineVariant& variant : family.variants)
            if (variant.routine == routine) return &variant;
    return nullptr;
}

uint16_t TargetGuarantees(uint8_t target) {
    switch (target) {
        case TargetGeneric: return kBaseline;
        case TargetMMX: return FeatureFPU | FeatureCMOV | FeatureMMX;
        case TargetSSE: return kSseBase;
        case TargetSSE2:
        case TargetIntelF6M13:
        case TargetIntelF15Early:
        case TargetAmdF15: return kSse2;
        case TargetIntelF6M14:
        case TargetIntelF15M6:
        case TargetAmdF15Sse3: return kSse2 | FeatureSSE3;
        default: return 0;
    }
}

}  // namespace toravex
