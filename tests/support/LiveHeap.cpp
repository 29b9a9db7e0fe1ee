#include "LiveHeap.h"

#include <cstddef>
#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define DORVIK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DORVIK_ASAN 1
#endif
#endif

#ifdef DORVIK_ASAN
// From the sanitizer runtime; GCC does not install the header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

long liveHeapKb()
{
#ifdef DORVIK_ASAN
    return long(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return long(mallinfo2().uordblks / 1024);
#endif
}
