#include <windows.h>

#include <gtest/gtest.h>
