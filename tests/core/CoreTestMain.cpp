// The main of the order core's tests: GoogleTest in a home of its own, with
// no Qt application (the core needs none).
#include <gtest/gtest.h>

#include "support/IsolatedHome.h"

int main(int argc, char** argv) {
    testing_support::IsolatedHome home;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
