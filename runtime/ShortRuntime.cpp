// Two pieces of the C++ runtime replaced by short ones, so that the shipped
// binaries do not carry what those pull in. Behaviour stays: every catch in
// Korvane is catch (...), and an uncaught exception still ends the process
// through abort().
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

// What the runtime's own throw helpers throw instead of std::logic_error and
// its relatives, whose message strings bring the runtime's old string class
// and formatting code along. It keeps the helper's message as is.
class RuntimeFault : public std::exception
{
public:
    explicit RuntimeFault(const char* message) noexcept : m_message(message ? message : "C++ runtime fault")
    {}
    const char* what() const noexcept override { return m_message; }

private:
    const char* m_message;
};

} // namespace

namespace __gnu_cxx {

// The default handler prints the uncaught exception's type, which links the
// whole symbol demangler; a program without a console has nowhere to print
// it, and ends through abort() either way.
void __verbose_terminate_handler()
{
    std::abort();
}

} // namespace __gnu_cxx

namespace std {

// The runtime's throw helpers (one object of libstdc++ defines them all; all
// are given here, so that object is never linked). A helper a newer runtime
// adds to that object would bring it back and fail the link with multiple
// definitions: it then belongs here too.
void __throw_bad_alloc()
{
    throw bad_alloc();
}
void __throw_bad_array_new_length()
{
    throw bad_array_new_length();
}
void __throw_bad_cast()
{
    throw bad_cast();
}
void __throw_bad_typeid()
{
    throw bad_typeid();
}
void __throw_bad_exception()
{
    throw bad_exception();
}
void __throw_logic_error(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_domain_error(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_invalid_argument(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_length_error(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_out_of_range(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_out_of_range_fmt(const char* format, ...)
{
    throw RuntimeFault(format);
}
void __throw_runtime_error(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_range_error(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_overflow_error(const char* message)
{
    throw RuntimeFault(message);
}
void __throw_underflow_error(const char* message)
{
    throw RuntimeFault(message);
}

} // namespace std
