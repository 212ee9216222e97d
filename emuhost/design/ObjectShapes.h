// The classes of a design package in every shape the runtime's object
// creation meets (no fields, small and large all-zero instances, interfaced
// objects, an instance size that is no multiple of 4, classes with their
// own NewInstance or FreeInstance, managed fields of every kind over a
// chain of three classes), and the start-up work on them and on managed
// records: creating and freeing objects, New and Dispose, initializing and
// finalizing arrays, clearing dynamic arrays, class tests.
#pragma once

#include <cstdint>

namespace design {

// Lays out the type information and fills the class records; runs once,
// before any other routine here.
void DefineShapeClasses();

// One round of the work; the result depends on every value the runtime
// produced, reference counts after release included.
uint32_t ShapeRound(uint32_t seed);

// Objects that live until the package is finalized, and their release.
void KeepShapeObjects(const char* text);
void ReleaseShapeObjects();

}  // namespace design
