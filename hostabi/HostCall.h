// Calling conventions at the boundary with the host IDE's runtime.
//
// The host compiles everything with its register convention: the first three
// arguments in EAX, EDX and ECX, further ones pushed left to right and removed
// by the callee, results in EAX (EDX:EAX for 64 bits), string and record
// results through a hidden last `var` argument. GCC's regparm(3) matches it
// exactly for routines with at most three arguments.
//
// HOSTCALL_STACK adds callee clean-up for routines with stack arguments. GCC
// pushes right to left, the host left to right, so declare the stack
// arguments in reverse order: f(a, b, c, last, ..., fourth).
#pragma once

#define HOSTCALL __attribute__((regparm(3)))
#define HOSTCALL_STACK __attribute__((regparm(3), stdcall))
