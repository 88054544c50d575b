// The handler std::terminate calls when nothing else was set.
//
// The runtime's default, its "verbose" handler, writes the type of the
// uncaught exception to standard error, demangled, and then aborts. A GUI
// program has no standard error to show, and the demangler and formatted
// output that come with that handler are the largest single part of the
// runtime in our executables (about 65 KB). The runtime refers to its
// default handler by name; defining that name here keeps the runtime's own
// definition, and everything it drags in, out of the link. What happens is
// unchanged: the process aborts.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
