// The runtime's helpers that the standard containers and strings call to
// throw (a null pointer given to a string, an index past the end, a length
// past the maximum).
//
// The runtime's own helpers build the standard exception classes, whose
// message is a reference-counted string of the old library interface: using
// any of them links that whole second string implementation, the old
// exception classes and, through them, the random device and the system
// error category, about 60 KB of each of our programs for throws that only a
// programming fault reaches. The runtime refers to these helpers by name;
// defining every one of them here keeps its own definitions (all in one
// object) out of the link, and the linker reports a duplicate if anything
// ever needs that object again.
//
// What a caller sees: an exception derived from std::exception that carries
// the runtime's message, caught wherever std::exception or anything is
// caught, as before. Out of memory still throws std::bad_alloc, and the other
// exceptions without a message keep their standard types.
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryFault final : public std::exception {
 public:
  explicit LibraryFault(const char* what) noexcept : m_what(what ? what : "library fault") {}
  const char* what() const noexcept override { return m_what; }

 private:
  const char* m_what;  // the runtime's messages are string literals
};

}  // namespace

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* what) { throw LibraryFault(what); }
void __throw_domain_error(const char* what) { throw LibraryFault(what); }
void __throw_invalid_argument(const char* what) { throw LibraryFault(what); }
void __throw_length_error(const char* what) { throw LibraryFault(what); }
void __throw_out_of_range(const char* what) { throw LibraryFault(what); }
// The format's arguments (index and size) are left out of the message.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryFault(format); }
void __throw_runtime_error(const char* what) { throw LibraryFault(what); }
void __throw_range_error(const char* what) { throw LibraryFault(what); }
void __throw_overflow_error(const char* what) { throw LibraryFault(what); }
void __throw_underflow_error(const char* what) { throw LibraryFault(what); }
// A thread, mutex or condition variable call failed; the error number is
// left out, as the system error category would bring the old strings back.
void __throw_system_error(int) { throw LibraryFault("system error"); }

}  // namespace std
