// Included before everything else in the installer's sources: the standard
// library's templates (strings above all) are instantiated in the
// installer's own code, built for the Pentium, instead of being taken from
// the toolchain's prebuilt library, which is built for newer processors.
#pragma once

#include <bits/c++config.h>

#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
