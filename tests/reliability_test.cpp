#include "harness/fixture.h"

using namespace harness;
