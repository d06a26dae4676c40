// The runtime's throw helpers, replaced in runtime/ShortRuntime.cpp, must
// still throw (Korvane's catch (...) blocks depend on it) and keep their
// message; each case goes through a different helper.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

struct ThrowCase
{
    const char* name;
    std::function<void()> fault;
    const char* messagePart; // null: a std::bad_alloc-like fault without text
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
        ASSERT_NE(e.what(), nullptr);
        if (c.messagePart) {
            EXPECT_NE(std::strstr(e.what(), c.messagePart), nullptr) << e.what();
        }
    } catch (...) {
        ADD_FAILURE() << "not a std::exception";
    }
    EXPECT_TRUE(caught);
}

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
    ::testing::Values(ThrowCase{"length", [] { Huge(); }, "basic_string"},
                      ThrowCase{"out_of_range_fmt", [] { std::vector<int>(2).at(3); },
                                "vector::_M_range_check"},
                      ThrowCase{"out_of_range", [] { std::string("ab").substr(5); }, "__pos"},
                      ThrowCase{"logic", [] { std::string text{NullText()}; }, "null"},
                      ThrowCase{"bad_alloc", [] { throw std::bad_alloc(); }, nullptr}),
    [](const ::testing::TestParamInfo<ThrowCase>& param) { return std::string(param.param.name); });

} // namespace
