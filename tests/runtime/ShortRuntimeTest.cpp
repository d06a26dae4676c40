// The runtime's throw helpers, replaced in runtime/ShortRuntime.cpp (linked
// into this test as into Korvane.exe), must still throw (Korvane's catch (...)
// blocks depend on it) and keep their message; each case goes through a
// different helper. The thrown type tells the short helpers from libstdc++'s
// own, which throw std::logic_error and its relatives.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

struct ThrowCase
{
    const char* name;
    std::function<void()> fault;
    const char* messagePart; // null: a std::bad_alloc-like fault without text
    const char* thrownType;  // part of the thrown object's type name
};

class ShortRuntime : public ::testing::TestWithParam<ThrowCase>
{};

TEST_P(ShortRuntime, HelperThrowsAnExceptionThatCatchAllBlocksSee)
{
    const ThrowCase& c = GetParam();
    bool caught = false;
    try {
        c.fault();
    } catch (const std::exception& e) {
        caught = true;
        EXPECT_NE(std::strstr(typeid(e).name(), c.thrownType), nullptr) << typeid(e).name();
        EXPECT_EQ(dynamic_cast<const std::logic_error*>(&e), nullptr) << "libstdc++'s own helper threw";
        ASSERT_NE(e.what(), nullptr);
        if (c.messagePart) {
            EXPECT_NE(std::strstr(e.what(), c.messagePart), nullptr) << e.what();
        }
    } catch (...) {
        ADD_FAILURE() << "not a std::exception";
    }
    EXPECT_TRUE(caught);
}

// The short runtime's exception class (its name as the compiler stores it).
constexpr char kShortFault[] = "RuntimeFault";

const char* volatile g_null = nullptr;
const char* NullText()
{
    return g_null;
}

std::string Huge()
{
    std::string text;
    text.reserve(text.max_size() + 1);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Helpers, ShortRuntime,
    ::testing::Values(ThrowCase{"length", [] { Huge(); }, "basic_string", kShortFault},
                      ThrowCase{"out_of_range_fmt", [] { std::vector<int>(2).at(3); },
                                "vector::_M_range_check", kShortFault},
                      ThrowCase{"out_of_range", [] { std::string("ab").substr(5); }, "__pos", kShortFault},
                      ThrowCase{"logic", [] { std::string text{NullText()}; }, "null", kShortFault},
                      ThrowCase{"bad_alloc", [] { throw std::bad_alloc(); }, nullptr, "bad_alloc"}),
    [](const ::testing::TestParamInfo<ThrowCase>& param) { return std::string(param.param.name); });

} // namespace
