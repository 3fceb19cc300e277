#pragma once

// The resource access lives with the data every layer builds on; the shell
// keeps reaching it by its old name.
#include "../data/CZELKResource.h"
