#include <gtest/gtest.h>

#include "harness/process.h"
