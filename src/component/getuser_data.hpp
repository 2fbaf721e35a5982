#pragma once
#include <nelvo/getuser_data.hpp>  // the public definition
#include "component/file_kind.hpp"  // and, inside the tree, the layout tables as before
