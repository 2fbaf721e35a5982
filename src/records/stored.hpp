#pragma once
#include <nelvo/records/stored.hpp>  // the public definition
