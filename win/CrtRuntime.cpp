// What the Microsoft compiler's static runtime would give a module or program of this build
// beyond the C runtime DLLs: the floating-point marker, the printf and scanf entry points the
// headers leave to it, and allocation with std::nothrow.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

extern "C" {

// Marks a module that uses floating point; nothing reads it.
int _fltused = 0;

// The headers declare these inline over the C runtime's common entry points in the
// Microsoft compiler's runtime; spelled out here for the same C runtime DLL.
int __cdecl vsnprintf(char *buffer, size_t size, const char *format, va_list args) {
    const int result = __stdio_common_vsprintf(_CRT_INTERNAL_PRINTF_STANDARD_SNPRINTF_BEHAVIOR,
                                               buffer, size, format, nullptr, args);
    return result < 0 ? -1 : result;
}

int __cdecl snprintf(char *buffer, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result = vsnprintf(buffer, size, format, args);
    va_end(args);
    return result;
}

int __cdecl sscanf(const char *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int result =
        __stdio_common_vsscanf(0, buffer, static_cast<size_t>(-1), format, nullptr, args);
    va_end(args);
    return result;
}

}  // extern "C"

// Allocation for the module's vessel instances and crew lines; the C runtime's heap, so
// what one frees the other may have made.
namespace std {
const nothrow_t nothrow{};
}

void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
    return std::malloc(size != 0 ? size : 1);
}

void operator delete(void *block) noexcept {
    std::free(block);
}
