#include <gtest/gtest.h>

TEST(Logic, Builds) {}
