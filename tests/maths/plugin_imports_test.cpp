// The plugin must not take its transcendental functions from the system's
// maths library, whose results differ from system to system: its undefined
// dynamic symbols name none of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

#if defined(__linux__)
TEST(PluginImports, NoTranscendentalFunctionFromTheSystem) {
    const std::set<std::string> forbidden = {"sin",  "cos",   "tan",   "asin", "acos",  "atan",  "atan2",
                                             "sinh", "cosh",  "tanh",  "exp",  "exp2",  "expm1", "log",
                                             "log2", "log10", "log1p", "pow",  "sincos"};
    FILE* nm = popen("nm -D --undefined-only '" FENNROW_MODULE_PATH "'", "r");
    ASSERT_NE(nm, nullptr);
    char line[512];
    std::string symbols;
    int seen = 0;
    while (std::fgets(line, sizeof line, nm)) {
        std::string name(line);
        name = name.substr(name.find_last_of(' ') + 1);
        name = name.substr(0, name.find_first_of("@\n"));
        ++seen;
        // Each name also in its float and long double forms (sinf, sinl).
        const bool bad =
            forbidden.count(name) || (name.size() > 1 && (name.back() == 'f' || name.back() == 'l') &&
                                      forbidden.count(name.substr(0, name.size() - 1)));
        if (bad) symbols += name + " ";
    }
    ASSERT_EQ(pclose(nm), 0) << "nm failed";
    EXPECT_GT(seen, 0) << "nm listed nothing";
    EXPECT_EQ(symbols, "") << "imported from the system's maths library";
}
#endif

} // namespace
