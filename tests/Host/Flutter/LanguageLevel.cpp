// Fails the build when the test binaries are not compiled as ISO C++17: compile features alone
// put no -std flag on the command line when the compiler's default (gnu++17) satisfies them.

#if defined(__GNUC__) && !defined(__STRICT_ANSI__)
#error "compiled with GNU extensions: -std=c++17 did not reach the compiler"
#endif

#if defined(__GNUC__) && __cplusplus != 201703L
#error "not compiled as C++17"
#endif
