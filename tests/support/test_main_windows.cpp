#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "windows_test_support.h"

namespace nimbral::test {
ChildRole findChildRole(const std::string& role);
}

// Either the tests, or ("--child <role> [arguments]") one role of a second process a test
// started.
int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        nimbral::test::setChildArguments(std::vector<std::string>(argv + 3, argv + argc));
        const nimbral::test::ChildRole body = nimbral::test::findChildRole(argv[2]);
        if (body == nullptr) {
            std::fprintf(stderr, "unknown child role %s\n", argv[2]);
            return 98;
        }
        return body();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
