#pragma once
#include <nelvo/runtime_error.hpp>  // the public definition
