// The C++ run-time's default terminate handler prints the demangled type of
// the exception to stderr, which a GUI program does not have; linking it
// would also bring in the whole demangler (about 45 KiB). Every exception a
// command raises is caught in OnCommand, so a plain abort is all that is needed.
#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
#endif
